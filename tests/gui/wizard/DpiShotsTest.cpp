// The wizard at the screen's DPI: welcome, terminals, ready and progress of
// an installation, and the Chinese and Japanese welcome pages, saved as
// shots/dpiN-PAGE.png. wizard_dpi_shots runs these again in a prefix whose
// LogPixels is 144 and then 192 (ZP_DPI tells which).
#include <cstdlib>

#include "WizardFixture.h"

namespace zp {
namespace {

class DpiShots : public TWizardTest {
protected:
  // As the program's manifest declares it: without it the system reports
  // 96 and stretches the window.
  static void SetUpTestSuite() { SetProcessDPIAware(); }

  DpiShots() {
    const char* dpi = std::getenv("ZP_DPI");
    dpi_ = dpi ? std::atoi(dpi) : 96;
    places_ = TProgramPlaces("ZpDemo Indicators");
  }

  void OpenAtScreenDpi(TProject project) {
    Open(BuildInstaller(std::move(project)));
    ASSERT_TRUE(form_->PackageLoaded());
    EXPECT_EQ(form_->Dpi(), dpi_);
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    EXPECT_EQ(client.right, MulDiv(513, dpi_, 96));
    EXPECT_EQ(client.bottom, MulDiv(368, dpi_, 96));
  }
  void Shot(const std::string& page) { TWizardTest::Shot("dpi" + std::to_string(dpi_) + "-" + page); }

  int dpi_;
};

TEST_F(DpiShots, InstallPages) {
  TProject project = FullProject();
  project.Splash.clear();
  project.Readme.clear();
  OldTerminal("ProgramFiles\\MetaTrader 4");
  OpenAtScreenDpi(project);
  Shot("welcome");
  NextUntil("PanelLicense");
  Click("RadioAccept");
  for (const char* page : {"terminals", "ready", "progress"}) {
    Click("BtnNext");
    Shot(page);
  }
  EXPECT_EQ(PageShown(), "PanelProgress");
}

TEST_F(DpiShots, EastAsianWelcome) {
  for (const char* language : {"zh", "ja"}) {
    TProject project = FullProject();
    project.Splash.clear();
    project.Translations = Shipped(language);
    OpenAtScreenDpi(project);
    Shot(std::string(language) + "-welcome");
    Destroy();
  }
}

}  // namespace
}  // namespace zp
