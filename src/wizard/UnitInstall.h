// The wizard window: one fixed-size form that installs the package appended
// to its own executable, or, named "Uninstall.exe", removes what an
// installation recorded. Pages lie on top of each other; three buttons walk
// through the page list that the package needs.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/FileSystem.h"
#include "engine/ZpClasses.h"
#include "engine/ZpUtils.h"
#include "ui/Forms.h"
#include "wizard/WizardPages.h"

namespace zp {

class TUniCustomLinkLabel;

// What the wizard asks of the system, replaceable where a test cannot have
// the real thing. Empty members take the real one.
struct TWizardServices {
  // The executable the package is read from; empty: the running program.
  std::string ExePath;
  // Shows a modal box with one OK button (owned by the wizard).
  TMessageFunc ShowMessage;
  // Opens a web address, a "mailto:" address or a program with the shell.
  std::function<void(const std::string& target)> ShellOpen;
  // The shell's folder browser: false when the user cancels.
  std::function<bool(const std::u16string& title, const std::u16string& start, std::u16string& folder)> BrowseFolder;
  // Where the terminal page looks for terminals.
  std::function<TTerminalRoots()> TerminalRoots;
  // Reads the package file at `path` into `data` (raising EOSError when the
  // file cannot be opened).
  std::function<void(TZpData& data, const std::string& path)> LoadPackage;
  // The DPI the window is laid out for; 0: the screen's.
  int Dpi = 0;
};

class TFormInstaller : public TForm {
public:
  // Builds every page, loads the package (or the uninstall data) and shows
  // the first page. When the package cannot be read it says so and asks the
  // application to terminate; the form is then never shown.
  explicit TFormInstaller(TApplication& application, TWizardServices services = {});
  // Runs the package's stage-3 programs (install mode, package loaded).
  ~TFormInstaller() override;

  // How targets are opened: false, by the shell in this process; true,
  // handed to the relay, the non-elevated parent process (RelayLink.h), or
  // opened here when no relay takes them.
  bool UseRelay = true;

  bool UninstallMode() const { return uninstallMode_; }
  bool PackageLoaded() const { return packageLoaded_; }
  bool RunDone() const { return runDone_; }

  // Event handlers, bound by name.
  void BtnNextClick(TComponent& sender);
  void BtnPrevClick(TComponent& sender);
  void BtnCancelClick(TComponent& sender);
  void RadioAcceptClick(TComponent& sender);
  void BtnAddMetaTraderClick(TComponent& sender);
  void LabelStart2LinkClick(TUniCustomLinkLabel& sender, int32_t linkNumber, const std::u16string& linkText);

  // Opens a target (web or mail address, program path) as UseRelay says.
  void OpenTarget(const std::string& target);

protected:
  bool CloseQuery() override;
  std::unique_ptr<TComponent> CreateCustom(const TControlDesc& row, const TControlCreateArgs& args) override;

private:
  void FormCreate();
  void FormDestroy();
  bool SetupInstall(const std::string& exe);
  bool SetupUninstall(const std::string& exe);
  // Loads `data` from `exe`, or from a copy in a private folder of its own
  // (held until the wizard goes) when `exe` cannot be opened. False (after the message) when neither reads.
  bool LoadData(TZpData& data, const std::string& exe, const std::u16string& failure);
  void SetupTexts(const TZpData& data, int32_t caption, int32_t welcomeTitle, int32_t welcomeText);
  // Says `message` and ends the program; returns false for the setup.
  bool Fail(const std::u16string& message);
  void TranslateForm(const TZpData& data);
  void LoadRichText(const std::string& viewer, const std::string& text);
  bool CanLeavePage();
  void ShowPage(TPage page);
  void ShowPanel(TPage page);
  void FillTerminals();
  void FillReadySummary();
  void RunInstall();
  void RunUninstall();
  void RunGuarded(TZpData& data);
  void ProgressEvent(TZpData& sender, const std::u16string& text, int percent);
  // Puts the lines reported since the last frame into the log and the last
  // percent on the bar.
  void FlushLog();
  // A frame of the running wizard: the log and the bar brought up to date,
  // then the window's pending messages (its painting among them) handled.
  void NextFrame();
  void Message(const std::u16string& text, TMessageKind kind);
  TComponent& PagePanel(TPage page) const;
  std::u16string Text(int32_t id) const;
  TZpData& Data() const;

  TWizardServices services_;
  std::string exePath_;
  bool uninstallMode_ = false;
  bool packageLoaded_ = false;
  // Holds the copy of this program that the package is read from when its
  // own file cannot be read; removed with it when the wizard goes.
  std::unique_ptr<TPrivateFolder> ownCopy_;
  std::unique_ptr<TZpInstall> installData_;
  std::unique_ptr<TZpUninstall> uninstallData_;
  std::vector<TPage> pages_;
  int pageIndex_ = -1;
  bool terminalsListed_ = false;
  bool runDone_ = false;
  bool running_ = false;
  TButtonStates buttons_;
  // The log's lines not yet drawn, CR LF between them.
  std::u16string pendingLog_;
  bool logPending_ = false;
  int percent_ = 0;
  std::chrono::steady_clock::time_point lastFrame_;
};

}  // namespace zp
