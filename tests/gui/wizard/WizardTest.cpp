// The wizard end to end: install and uninstall flows through the window,
// the page rules, the terminal page, the finish actions and the failures.
#include "WizardFixture.h"

namespace zp {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class Wizard : public TWizardTest {};

TEST_F(Wizard, InstallsThroughEveryPageOfAFullPackage) {
  const std::string installer = BuildInstaller(FullProject());
  const std::string old = OldTerminal("ProgramFiles\\MetaTrader 4");
  Open(installer);
  ASSERT_TRUE(form_->PackageLoaded());
  Shot("install-1-splash");
  EXPECT_THAT(NextUntil("PanelStart"), ElementsAre("PanelSplash", "PanelStart"));
  Shot("install-2-welcome");
  Click("BtnNext");
  Shot("install-3-information");
  Click("BtnNext");
  Shot("install-4-licence");
  Click("RadioAccept");
  Click("BtnNext");
  Shot("install-5-terminals");
  Click("BtnNext");
  Shot("install-6-ready");
  Click("BtnNext");
  Shot("install-7-progress");
  Click("BtnNext");
  Shot("install-8-news");
  Click("BtnNext");
  Shot("install-9-finish");
  EXPECT_TRUE(Exists(old + "\\experts\\Wizard.ex4"));
}

}  // namespace
}  // namespace zp
