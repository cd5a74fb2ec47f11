// Drives the wizard through its window: controls are found by the names of
// the form's description and talked to with window messages (BM_CLICK,
// WM_GETTEXT, list and button state messages), as a user's clicks would.
// Boxes, the shell's opens and the folder browser are recorded instead of
// shown; everything else (the engine, the files, the registry, the check
// for a running terminal) is real.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "InstallFixture.h"
#include "ui/Application.h"
#include "wizard/UnitInstall.h"

namespace zp {

struct TShownMessage {
  TMessageKind Kind;
  std::string Text;  // UTF-8
};

class TWizardTest : public TInstallTest {
protected:
  TWizardTest();
  ~TWizardTest() override;

  // Creates the wizard on `exe`, laid out for `dpi` (0: the screen's), and
  // shows it (when its package loaded).
  TFormInstaller& Open(const std::string& exe, int dpi = 0);
  // Destroys the wizard, as closing the program does.
  void Destroy();
  // Destroys the wizard and starts a fresh application object.
  void NewApplication();

  // The control of that name; "" is the form itself.
  TComponent* Component(const std::string& control) const;
  HWND Handle(const std::string& control) const;
  void Click(const std::string& control);
  // The close box.
  void CloseBox();
  std::string Text(const std::string& control) const;  // UTF-8
  bool Enabled(const std::string& control) const;
  bool Visible(const std::string& control) const;
  std::vector<std::string> Lines(const std::string& memo) const;
  // The panel of the page shown.
  std::string PageShown() const;
  // Walks Next from the current page to `panel`, collecting the panels passed.
  std::vector<std::string> NextUntil(const std::string& panel, int limit = 12);
  // Saves a picture of the window as shots/NAME.png (when run by the shots wrapper).
  void Shot(const std::string& name);
  // The translation NAME shipped with zpbuild, read as a project that
  // includes it reads it.
  std::vector<TTranslation> Shipped(const std::string& name);

  std::unique_ptr<TApplication> app_ = std::make_unique<TApplication>();
  std::unique_ptr<TFormInstaller> form_;
  std::vector<TShownMessage> messages_;
  std::vector<std::string> opened_;
  std::vector<std::u16string> browse_;  // folders the browser returns in turn; none left: cancel
  TTerminalRoots roots_;
  std::function<void(TZpData& data, const std::string& path)> loadPackage_;  // empty: the real loader
};

// A project with every optional page: splash, information, What's New,
// banner (our demo pictures) and a licence.
TProject FullProject();

}  // namespace zp
