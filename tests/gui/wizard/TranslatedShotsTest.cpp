// The wizard in the languages shipped with zpbuild: every page of a full
// package, translated, through to the finish page, with a screenshot of each
// (shots/LANG-N-PANEL.png) to look at for clipped or missing text. Chinese
// and Japanese show their glyphs when an East Asian font is installed (the
// setup installs fonts-wqy-zenhei); without one those pages show boxes.
#include "WizardFixture.h"
#include "base/Strings.h"
#include "engine/SysFolders.h"
#include "strings/DefStrings.h"

namespace zp {
namespace {

using ::testing::Contains;
const std::string I8 = "        ";

class TranslatedWizard : public TWizardTest {
protected:
  void WalkEveryPage(const std::string& language);
};

void TranslatedWizard::WalkEveryPage(const std::string& language) {
  TProject project = FullProject();
  project.Translations = Shipped(language);
  ASSERT_EQ(project.Translations.size(), size_t(DefaultStringCount));
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

// The names of a Russian product and a terminal in C:\Trading\Ĉapo MT4 (found
// through its data folder only) show on the terminal and ready pages as
// they are, with the data folder line in Russian.
TEST_F(TranslatedWizard, UnicodeNamesOnTheTerminalAndReadyPages) {
  const std::string terminal = "C:\\Trading\\Ĉapo MT4";
  std::string data;
  NewTerminal(terminal, &data);
  roots_.AppData = GetSpecialFolder(TSpecialFolder::AppData);
  browse_ = {u"C:\\Папка 趋势"};
  TProject project = FullProject();
  project.Translations = Shipped("ru");
  project.ProgramName = "Индикаторы Ĉ";
  const std::string installer = Scratch("ru.exe");
  BuildPackage(project, LoadStubImage(HostPath(ZPRUN_EXE)), installer);
  Open(installer);
  NextUntil("PanelLicense");
  Click("RadioAccept");
  NextUntil("PanelFolder");
  Click("BtnAddMetaTrader");
  Shot("unicode-terminals");
  EXPECT_EQ(WideToUtf8(form_->Find<TCheckListBox>("ListMetaTrader").Item(0)), terminal);
  Click("BtnNext");
  Shot("unicode-ready");
  const std::vector<std::string> ready = Lines("MemoReady");
  EXPECT_THAT(ready, Contains(I8 + "Индикаторы Ĉ v2.4 Сборка 17"));
  EXPECT_THAT(ready, Contains(I8 + terminal));
  EXPECT_THAT(ready, Contains(I8 + "Папка данных: " + data));
  EXPECT_THAT(ready, Contains(I8 + "C:\\Папка 趋势"));
  Destroy();
  DeleteTree("C:\\Trading");
}

}  // namespace
}  // namespace zp
