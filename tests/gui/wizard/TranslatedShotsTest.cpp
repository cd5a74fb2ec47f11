// The wizard in the languages shipped with zpbuild: every page of a full
// package, translated, through to the finish page, with a screenshot of each
// (shots/LANG-N-PANEL.png) to look at for clipped or missing text. Chinese
// and Japanese show their glyphs when an East Asian font is installed (the
// setup installs fonts-wqy-zenhei); without one those pages show boxes.
#include "WizardFixture.h"

namespace zp {
namespace {

class TranslatedWizard : public TWizardTest {
protected:
  void WalkEveryPage(const std::string& language);
};

void TranslatedWizard::WalkEveryPage(const std::string& language) {
  TProject project = FullProject();
  project.Translations = Shipped(language);
  ASSERT_EQ(project.Translations.size(), 65u);
  OldTerminal("ProgramFiles\\MetaTrader 4");
  Open(BuildInstaller(project));
  ASSERT_TRUE(form_->PackageLoaded());
  EXPECT_EQ(Text("BtnNext"), project.Translations.front().Text + " >>");  // text 1, "Next"
  bool finished = false;
  for (int step = 1; step <= 12 && !finished; ++step) {
    const std::string panel = PageShown();
    Shot(language + "-" + std::to_string(step) + "-" + panel);
    if (panel == "PanelLicense") Click("RadioAccept");
    finished = panel == "PanelStart" && step > 2;
    if (!finished) Click("BtnNext");
  }
  EXPECT_TRUE(finished);
  EXPECT_TRUE(messages_.empty()) << messages_.front().Text;
}

TEST_F(TranslatedWizard, Russian) { WalkEveryPage("ru"); }
TEST_F(TranslatedWizard, SimplifiedChinese) { WalkEveryPage("zh"); }
TEST_F(TranslatedWizard, German) { WalkEveryPage("de"); }
TEST_F(TranslatedWizard, Japanese) { WalkEveryPage("ja"); }
TEST_F(TranslatedWizard, Spanish) { WalkEveryPage("es"); }
TEST_F(TranslatedWizard, French) { WalkEveryPage("fr"); }
TEST_F(TranslatedWizard, Portuguese) { WalkEveryPage("pt"); }

}  // namespace
}  // namespace zp
