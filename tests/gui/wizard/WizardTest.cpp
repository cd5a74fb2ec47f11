// The wizard end to end: install and uninstall flows through the window,
// the page rules, the terminal page, the finish actions and the failures.
#include <algorithm>
#include <chrono>

#include "LabelHost.h"
#include "WizardFixture.h"
#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/RunFiles.h"
#include "engine/SysFolders.h"
#include "linklabel/UniLinkLabel.h"
#include "package/Streams.h"
#include "ui/Application.h"

namespace zp {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::string I8 = "        ";

class Wizard : public TWizardTest {
protected:
  // Prev, Next, Cancel: enabled state, and Cancel's caption.
  std::string Buttons() {
    return std::string(Enabled("BtnPrev") ? "P" : "-") + (Enabled("BtnNext") ? "N" : "-") +
           (Enabled("BtnCancel") ? "C" : "-") + " " + Text("BtnCancel");
  }
  TProjectExec Trace(int32_t stage, const std::string& parameters) {
    TProjectExec exec;
    exec.Path = "{app}\\trace.exe";
    exec.Title = "Trace";
    exec.Parameters = parameters;
    exec.Stage = stage;
    exec.Content = TContent::FromBytes(ReadFileBytes(HostPath(TRACE_EXE)));
    return exec;
  }
  std::string TraceLog() { return Exists(places_.ProgramFolder + "\\trace.txt") ? ReadText(places_.ProgramFolder + "\\trace.txt") : ""; }
  // From a fresh wizard on `installer` to the page of `panel`, licence accepted.
  void Walk(const std::string& installer, const std::string& panel) {
    NewApplication();
    Open(installer);
    NextUntil("PanelLicense");
    Click("RadioAccept");
    NextUntil(panel);
  }
};

TEST_F(Wizard, InstallsThroughEveryPageOfAFullPackage) {
  const std::string installer = BuildInstaller(FullProject());
  const std::string old = OldTerminal("ProgramFiles\\MetaTrader 4");
  std::string data;
  const std::string fresh = NewTerminal("ProgramFiles\\New MetaTrader", &data);
  const std::string added = Scratch("Added");  // no terminal.exe: a target, never offered to start
  CreateDirectoryA(added.c_str(), nullptr);
  browse_ = {Utf8ToWide(added)};
  Open(installer);
  ASSERT_TRUE(form_->PackageLoaded());
  const std::string name = places_.ProgramName;
  EXPECT_EQ(Text(""), name + " - Install");

  struct TStep {
    const char* Panel;
    const char* Buttons;
    const char* Shot;
  };
  const TStep steps[] = {
      {"PanelSplash", "-NC &Cancel", "install-1-splash"},     {"PanelStart", "PNC &Cancel", "install-2-welcome"},
      {"PanelInfo", "PNC &Cancel", "install-3-information"},  {"PanelLicense", "P-C &Cancel", "install-4-licence"},
      {"PanelFolder", "PNC &Cancel", "install-5-terminals"},  {"PanelReady", "PNC &Cancel", "install-6-ready"},
      {"PanelProgress", "-N- &Cancel", "install-7-progress"}, {"PanelNews", "PN- &Cancel", "install-8-news"},
      {"PanelStart", "P-C Finish", "install-9-finish"},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.Shot);
    EXPECT_EQ(PageShown(), step.Panel);
    EXPECT_EQ(Buttons(), step.Buttons);
    Shot(step.Shot);
    if (std::string(step.Panel) == "PanelLicense") {
      Click("RadioAccept");
      EXPECT_TRUE(Enabled("BtnNext"));
    }
    if (std::string(step.Panel) == "PanelFolder") Click("BtnAddMetaTrader");
    if (std::string(step.Panel) == "PanelReady") {
      EXPECT_THAT(Lines("MemoReady"),
                  ElementsAre("Program Name", I8 + name + " v2.4 Build 17", "", "Target Folder(s)", I8 + old,
                              "        Data Folder: " + old, I8 + fresh, "        Data Folder: " + data, I8 + added,
                              "        Data Folder: " + added, "", "Program Folder", I8 + places_.ProgramFolder, "",
                              "Start Menu Folder", I8 + name));
    }
    if (std::string(step.Panel) == "PanelProgress") {
      EXPECT_THAT(Lines("MemoProgress"), Contains("Done."));
      EXPECT_EQ(form_->Find<TProgressBar>("ProgressBar1").Position(), 100);
    }
    if (step.Buttons[1] == 'N' || std::string(step.Panel) == "PanelLicense") Click("BtnNext");
  }
  EXPECT_EQ(Text("LabelStart1"), "Welcome to the " + name + " v2.4 Installation Wizard");
  EXPECT_EQ(Text("LabelFinish1"), "Installation Complete");
  EXPECT_EQ(ReadText(old + "\\experts\\Wizard.ex4"), "expert");
  EXPECT_EQ(ReadText(data + "\\MQL4\\Experts\\Wizard.ex4"), "expert");
  EXPECT_EQ(ReadText(added + "\\MQL4\\Experts\\Wizard.ex4"), "expert");  // no version: new layout
  EXPECT_TRUE(Exists(places_.ProgramFolder + "\\Uninstall.exe"));

  // Only the targets with a terminal.exe are offered, the first ticked and selected.
  TComboBox& combo = form_->Find<TComboBox>("ComboRun");
  EXPECT_TRUE(form_->Find<TCheckBox>("CheckRun").Checked());
  ASSERT_EQ(combo.Count(), 2);
  EXPECT_EQ(WideToUtf8(combo.Item(1)), fresh);
  EXPECT_EQ(WideToUtf8(combo.Text()), old);
  // Back to What's New keeps Finish, and Finish there starts the terminal.
  Click("BtnPrev");
  EXPECT_EQ(Buttons(), "PNC Finish");
  Click("BtnPrev");
  EXPECT_EQ(Buttons(), "-N- Finish");  // the run is not repeated: the progress page holds Prev
  Click("BtnNext");
  Click("BtnNext");
  Click("BtnCancel");
  EXPECT_THAT(opened_, ElementsAre(old + "\\terminal.exe"));
  EXPECT_TRUE(app_->Terminated());
}

TEST_F(Wizard, MinimalTranslatedPackageWithoutTerminals) {
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "a")};
  project.Translations = {{1, "Weiter"}, {3, "Abbrechen"}, {116, "Willkommen bei %1"}, {16, "Lizenz"}};
  Open(BuildInstaller(project));
  EXPECT_EQ(Text("BtnNext"), "Weiter >>");
  EXPECT_EQ(Text("BtnCancel"), "Abbrechen");
  EXPECT_EQ(Text("LabelStart1"), "Willkommen bei " + places_.ProgramName + " v1.0");
  EXPECT_EQ(Text("Label3"), "Lizenz");
  // The licence gate: Next only while accepted; the choice stays when going back.
  EXPECT_THAT(NextUntil("PanelLicense"), ElementsAre("PanelStart", "PanelLicense"));
  EXPECT_FALSE(Enabled("BtnNext"));
  Click("RadioAccept");
  Click("BtnPrev");
  Click("BtnNext");
  EXPECT_TRUE(Enabled("BtnNext"));
  Click("RadioNotAccept");
  EXPECT_FALSE(Enabled("BtnNext"));
  Click("RadioAccept");
  // No terminal: the default entry, ticked, and warning 105 once.
  Click("BtnNext");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].Kind, TMessageKind::Warning);
  EXPECT_THAT(messages_[0].Text, HasSubstr("We cannot find any MetaTrader folder"));
  TCheckListBox& list = form_->Find<TCheckListBox>("ListMetaTrader");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(WideToUtf8(list.Item(0)), roots_.ProgramFiles + "\\MetaTrader 4");
  list.SetChecked(0, false);
  Click("BtnNext");
  EXPECT_THAT(Lines("MemoReady"), ElementsAre("Program Name", I8 + places_.ProgramName + " v1.0", "",
                                              "Target Folder(s)", "", "Program Folder", I8 + places_.ProgramFolder,
                                              "", "Start Menu Folder", I8 + places_.ProgramName));
  EXPECT_THAT(NextUntil("PanelStart"), ElementsAre("PanelReady", "PanelProgress", "PanelStart"));
  EXPECT_FALSE(Visible("CheckRun"));
  EXPECT_FALSE(Visible("ComboRun"));
  EXPECT_FALSE(Exists(roots_.ProgramFiles + "\\MetaTrader 4"));
  Click("BtnCancel");
  EXPECT_THAT(opened_, IsEmpty());
}

TEST_F(Wizard, TerminalPageKeepsTheUsersChoice) {
  const std::string a = OldTerminal("ProgramFiles\\A"), b = OldTerminal("ProgramFiles\\B");
  browse_ = {Utf8ToWide(a), u"C:\\", u"C:\\Папка 文件"};
  Open(BuildInstaller(TProject{}));
  Click("BtnNext");
  Click("RadioAccept");
  Click("BtnNext");
  TCheckListBox& list = form_->Find<TCheckListBox>("ListMetaTrader");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_TRUE(list.Checked(0) && list.Checked(1));
  // A click on the tick box of the first entry unticks it.
  RECT item{};
  SendMessageW(list.Handle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  SendMessageW(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.left + 6, (item.top + item.bottom) / 2));
  SendMessageW(list.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(item.left + 6, (item.top + item.bottom) / 2));
  EXPECT_FALSE(list.Checked(0));
  for (int i = 0; i < 4; ++i) Click("BtnAddMetaTrader");  // the fourth is cancelled
  Shot("install-5-terminals-added");
  Click("BtnPrev");
  Click("BtnNext");
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back(WideToUtf8(list.Item(i)) + (list.Checked(i) ? " +" : " -"));
  EXPECT_THAT(entries, ElementsAre(a + " -", b + " +", a + " +", "C:\\ +", "C:\\Папка 文件 +"));
  Click("BtnNext");
  EXPECT_THAT(Lines("MemoReady")[4], I8 + b);
  EXPECT_THAT(messages_, IsEmpty());
}

TEST_F(Wizard, WarnsOfARunningTerminalWhenTheFirstPageIsLeft) {
  const std::string terminal = OldTerminal("Running") + "\\terminal.exe";
  std::string commandLine = "\"" + terminal + "\" window";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  TProcessInfo process;
  ASSERT_TRUE(CreateProcessA(terminal.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process.Info));
  HWND window = nullptr;
  for (int i = 0; i < 100 && !window; ++i, Sleep(50)) window = FindWindowA("MetaQuotes::MetaTrader::4.00", nullptr);
  ASSERT_NE(window, nullptr);
  Open(BuildInstaller(FullProject()));
  Click("BtnNext");  // leaving the splash page
  PostMessageA(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.Info.hProcess, 5000);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].Kind, TMessageKind::Error);
  EXPECT_EQ(messages_[0].Text, "The wizard detect a MetaTrader program currently running.\r\n"
                               "Please close the program and then click OK to continue.");
  EXPECT_EQ(PageShown(), "PanelStart");
  Click("BtnNext");  // the welcome page is not the first one here
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(PageShown(), "PanelInfo");
}

TEST_F(Wizard, OpensTheLinksOfTheWelcomeTextItselfOrThroughTheRelay) {
  TProject project;
  project.Translations = {{117, "Mail <link>support@example.com</link> or see <link>https://example.com/</link>."}};
  Open(BuildInstaller(project));
  form_->Repaint();
  TUniLinkLabel& label = form_->Find<TUniLinkLabel>("LabelStart2");
  for (int32_t link : {0, 1}) {
    const POINT at = test::CenterOf(test::LinkRect(label, link));
    test::SendMouse(label.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
    test::SendMouse(label.Handle(), WM_LBUTTONUP, at, 0);
  }
  EXPECT_THAT(opened_, ElementsAre("mailto:support@example.com", "https://example.com/"));
  // No relay takes it (the parent of this test is none): opened here all the same.
  form_->UseRelay = true;
  form_->OpenTarget("https://example.com/a b");
  EXPECT_THAT(opened_, ElementsAre("mailto:support@example.com", "https://example.com/", "https://example.com/a b"));
}

TEST_F(Wizard, RunsStageZeroAtStartAndStageThreeAtCloseAlsoAfterCancel) {
  TProject project;
  project.Execs = {Trace(stWizardStart, "start"), Trace(stWizardClose, "close")};
  Open(BuildInstaller(project));
  EXPECT_THAT(TraceLog(), HasSubstr("start"));
  EXPECT_THAT(TraceLog(), Not(HasSubstr("close")));
  Click("BtnCancel");
  Destroy();
  EXPECT_THAT(TraceLog(), HasSubstr("close"));
}

TEST_F(Wizard, IgnoresTheCloseBoxWhileTheRunIsInProgress) {
  TProject project;
  project.Execs = {Trace(stBeforeFiles, "sleep=700")};
  Open(BuildInstaller(project));
  NextUntil("PanelLicense");
  Click("RadioAccept");
  NextUntil("PanelReady");
  PostMessageW(form_->Handle(), WM_CLOSE, 0, 0);  // handled while the run waits for the program
  Click("BtnNext");
  EXPECT_TRUE(form_->RunDone());
  EXPECT_FALSE(app_->Terminated());
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
  CloseBox();  // after the run it closes
  EXPECT_TRUE(app_->Terminated());
}

TEST_F(Wizard, ReportsAFailingRunAndLeavesCancelAsTheWayOut) {
  WriteText(Scratch("NotAFolder"), "a file");
  browse_ = {Utf8ToWide(Scratch("NotAFolder\\Terminal"))};
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "a")};
  Open(BuildInstaller(project));
  NextUntil("PanelLicense");
  Click("RadioAccept");
  Click("BtnNext");
  form_->Find<TCheckListBox>("ListMetaTrader").SetChecked(0, false);
  Click("BtnAddMetaTrader");
  NextUntil("PanelProgress");
  Shot("install-run-failed");
  ASSERT_EQ(messages_.size(), 2u);  // 105, then the failure
  EXPECT_EQ(messages_[1].Kind, TMessageKind::Error);
  ASSERT_FALSE(Lines("MemoProgress").empty());
  EXPECT_EQ(Lines("MemoProgress").back(), messages_[1].Text);
  EXPECT_EQ(Buttons(), "--C &Cancel");
  EXPECT_FALSE(form_->RunDone());
}

TEST_F(Wizard, UninstallsWithTheUninstallerTheInstallationWrote) {
  TProject project;
  project.Files = {FileRecord("{experts}\\U.ex4", "u")};
  const std::string old = OldTerminal("ProgramFiles\\MT4");
  Open(BuildInstaller(project));
  NextUntil("PanelLicense");
  Click("RadioAccept");
  NextUntil("PanelStart");
  Click("BtnCancel");
  Destroy();
  const std::string uninstaller = places_.ProgramFolder + "\\Uninstall.exe";
  ASSERT_TRUE(Exists(uninstaller));

  for (const bool finish : {false, true}) {
    SCOPED_TRACE(finish ? "Finish" : "close box");
    NewApplication();
    Open(uninstaller);
    ASSERT_TRUE(form_->UninstallMode());
    EXPECT_EQ(Text(""), places_.ProgramName + " - Uninstall");
    EXPECT_EQ(Text("LabelStart1"), "Welcome to the " + places_.ProgramName + " v1.0 Uninstallation Wizard");
    Shot("uninstall-1-welcome");
    Click("BtnNext");
    EXPECT_EQ(Text("LabelProgress1"), "Uninstallation in Progress");
    EXPECT_THAT(Lines("MemoProgress"), Contains("Done."));
    Shot("uninstall-2-progress");
    Click("BtnNext");
    EXPECT_EQ(Text("LabelFinish1"), "Uninstallation Complete");
    EXPECT_FALSE(Visible("CheckRun"));
    EXPECT_FALSE(Visible("ComboRun"));
    Shot("uninstall-3-finish");
    EXPECT_FALSE(Exists(old + "\\experts\\U.ex4"));
    if (finish)
      Click("BtnCancel");
    else
      CloseBox();
    Destroy();
    Sleep(finish ? 3000 : 1500);
    EXPECT_EQ(Exists(uninstaller), !finish);
  }
}

TEST_F(Wizard, DamagedOrUnreadablePackagesEndTheProgramWithTheirMessage) {
  TProject project = FullProject();
  const std::string installer = BuildInstaller(project);
  std::string bytes = ReadText(installer);
  const size_t jpeg = bytes.find(std::string(project.Banner.begin(), project.Banner.begin() + 64));
  ASSERT_NE(jpeg, std::string::npos);
  bytes[jpeg] = 'x';  // the banner's start marker
  WriteText(Scratch("damaged.exe"), bytes);
  WriteText(Scratch("Uninstall.exe"), "MZ not an uninstaller at all, far too short");
  const HANDLE locked = CreateFileA(installer.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);

  const struct {
    std::string Exe;
    std::string Message;
  } cases[] = {
      {Scratch("damaged.exe"), "Cannot execute the installer. If you run it from a network drive,\r\n"
                               "please copy it to a local folder first and retry from there."},
      {installer, "Cannot execute the installer. If you run it from a network drive,\r\n"
                  "please copy it to a local folder first and retry from there."},
      {Scratch("Uninstall.exe"), "Unable to uninstall. Please delete folder \"" + Scratch("") + "\" manually."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Exe);
    messages_.clear();
    NewApplication();
    Open(c.Exe);
    EXPECT_FALSE(form_->PackageLoaded());
    EXPECT_TRUE(app_->Terminated());
    EXPECT_EQ(app_->ExitCode(), 1);  // a failure, not a normal end
    EXPECT_FALSE(IsWindowVisible(form_->Handle()));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].Kind, TMessageKind::Error);
    EXPECT_EQ(messages_[0].Text, c.Message);
    Destroy();
  }
  CloseHandle(locked);
}

TEST_F(Wizard, InstallsFromAPrivateCopyWhenItsOwnFileCannotBeOpened) {
  const std::string installer = BuildInstaller(FullProject());
  const std::string old = OldTerminal("ProgramFiles\\MetaTrader 4");
  std::vector<std::string> read;
  loadPackage_ = [&](TZpData& data, const std::string& path) {
    read.push_back(path);
    if (path == installer) {  // as a share that lets it start but not be read
      SetLastError(ERROR_ACCESS_DENIED);
      RaiseLastOSError(path);
    }
    data.LoadFromFile(path);
  };
  Open(installer);
  ASSERT_TRUE(form_->PackageLoaded());
  ASSERT_EQ(read.size(), 2u);
  const std::string copy = read[1], folder = ExtractFileDir(copy);
  EXPECT_NE(ExtractFileDir(copy), ExtractFileDir(installer));
  EXPECT_THAT(ExtractFileName(folder), StartsWith("zp-"));  // a new folder of its own
  EXPECT_EQ(ReadText(copy), ReadText(installer));
  EXPECT_EQ(Text("LabelStart1"), "Welcome to the " + places_.ProgramName + " v2.4 Installation Wizard");

  NextUntil("PanelLicense");
  Click("RadioAccept");
  NextUntil("PanelNews");
  EXPECT_THAT(Lines("MemoProgress"), Contains("Done."));
  EXPECT_EQ(ReadText(old + "\\experts\\Wizard.ex4"), "expert");  // the contents, read from the copy
  EXPECT_TRUE(Exists(folder));
  Destroy();
  EXPECT_FALSE(Exists(folder));  // the copy goes with the wizard
}

TEST_F(Wizard, TranslatesEveryCaptionOfTheForm) {
  const struct {
    const char* Control;
    int32_t Id;
    const char* Shown;
  } captions[] = {
      {"BtnNext", 1, "T1 >>"},      {"BtnPrev", 2, "<< T2"},        {"BtnCancel", 3, "T3"},
      {"Label6", 6, "T6"},          {"Label7", 7, "T7"},            {"Label8", 8, "T8"},
      {"Label5", 15, "T15"},        {"Label3", 16, "T16"},          {"Label4", 17, "T17"},
      {"RadioAccept", 18, "T18"},   {"RadioNotAccept", 19, "T19"},  {"Label9", 20, "T20"},
      {"BtnAddMetaTrader", 21, " T21"}, {"Label10", 22, "T22"},     {"Label11", 23, "T23"},
      {"Label12", 24, "T24"},       {"Label13", 25, "T25"},         {"Label14", 26, "T26"},
      {"LabelProgress3", 27, "T27"}, {"LabelProgress1", 28, "T28"}, {"LabelProgress2", 29, "T29"},
      {"Label1", 30, "T30"},        {"Label2", 31, "T31"},          {"Label22", 32, "T32"},
      {"LabelFinish1", 33, "T33"},  {"CheckRun", 35, "T35"},
  };
  TProject project;
  for (const auto& caption : captions) project.Translations.push_back({caption.Id, "T" + std::to_string(caption.Id)});
  Open(BuildInstaller(project));
  for (const auto& caption : captions) EXPECT_EQ(Text(caption.Control), caption.Shown) << caption.Control;
}

TEST_F(Wizard, ReadySummaryNamesBuildAndReleaseOnlyWhenSet) {
  const struct {
    int32_t Build, Release;
    std::vector<TTranslation> Translations;
    std::string Product;
  } cases[] = {
      {0, 0, {}, " v1.0"},
      {0, 5, {}, " v1.0 Release 5"},
      {17, 5, {{108, "Bau"}, {109, "Ausgabe"}}, " v1.0 Bau 17 Ausgabe 5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Product);
    TProject project;
    project.Build = c.Build;
    project.Release = c.Release;
    project.Translations = c.Translations;
    Walk(BuildInstaller(project), "PanelReady");
    ASSERT_GE(Lines("MemoReady").size(), 2u);
    EXPECT_EQ(Lines("MemoReady")[1], I8 + places_.ProgramName + c.Product);
  }
}

TEST_F(Wizard, RunsStageThreeWhenTheFinishPageIsClosedEitherWay) {
  TProject project;
  project.Execs = {Trace(stWizardClose, "close")};
  const std::string installer = BuildInstaller(project);
  for (const bool finish : {true, false}) {
    SCOPED_TRACE(finish ? "Finish" : "close box");
    Walk(installer, "PanelProgress");
    Click("BtnNext");
    ASSERT_EQ(Text("BtnCancel"), "Finish");
    DeleteFileA((places_.ProgramFolder + "\\trace.txt").c_str());
    if (finish)
      Click("BtnCancel");
    else
      CloseBox();
    EXPECT_TRUE(app_->Terminated());
    Destroy();
    EXPECT_THAT(TraceLog(), HasSubstr("close"));
  }
}

// The log of a long run: every line in the order the run reported it, shown
// while it runs, the bar moving along, the end of the log in view.
TEST_F(Wizard, LogHoldsEveryLineOfALongRunAndShowsItWhileItRuns) {
  // An uninstaller whose data names files that are not there: two lines each.
  constexpr int kFiles = 5000;
  TZpInstall data;
  data.ProgramName = places_.ProgramName;
  std::vector<std::string> expected;
  for (int i = 0; i < kFiles; ++i) {
    const std::string file = places_.ProgramFolder + "\\Pack\\Pack Indicator " + std::to_string(i) + ".ex4";
    data.UninstallList.push_back({file, umFile});
    expected.push_back("Delete file " + file + " ...");
    expected.push_back("WARNING: Unable to delete file " + file + " ...");
  }
  expected.push_back("Unregistering uninstaller ...");
  expected.push_back("Done.");
  const std::string uninstaller = Scratch("Uninstall.exe");
  ASSERT_TRUE(CopyFileA(BuildInstaller(TProject{}).c_str(), uninstaller.c_str(), FALSE));
  {
    TFileStream file(uninstaller, TFileMode::OpenReadWrite);
    file.Seek(0, TSeekOrigin::End);
    data.AppendUninstallData(file);
  }
  Open(uninstaller);
  ASSERT_TRUE(form_->UninstallMode());

  struct TFrame {
    std::chrono::steady_clock::time_point At;
    int Lines;
    int Position;
    std::string Last;
  };
  std::vector<TFrame> frames;
  TTimer timer;
  timer.SetInterval(10);
  timer.OnTimer = [&](TTimer&) {
    const TLogView& log = form_->Find<TLogView>("MemoProgress");
    if (form_->RunDone() || log.Count() == 0) return;
    frames.push_back({std::chrono::steady_clock::now(), log.Count(),
                      form_->Find<TProgressBar>("ProgressBar1").Position(), WideToUtf8(log.Line(log.Count() - 1))});
  };
  timer.SetEnabled(true);
  Click("BtnNext");
  timer.SetEnabled(false);
  Shot("uninstall-2-progress-long");

  const std::vector<std::string> lines = Lines("MemoProgress");
  ASSERT_EQ(lines.size(), expected.size());
  EXPECT_EQ(lines.front(), expected.front());
  EXPECT_EQ(lines.back(), "Done.");
  const auto differ = std::mismatch(lines.begin(), lines.end(), expected.begin());
  EXPECT_EQ(differ.first, lines.end()) << "line " << (differ.first - lines.begin()) << ": " << *differ.first;
  TLogView& log = form_->Find<TLogView>("MemoProgress");
  EXPECT_EQ(log.TopLine() + log.VisibleLines(), log.Count());  // the end in view
  // The window text, and what Ctrl+C copies, is the whole log.
  std::string joined;
  for (const std::string& line : expected) joined += (joined.empty() ? "" : "\r\n") + line;
  EXPECT_EQ(WideToUtf8(log.Text()), joined);
  SendMessageW(log.Handle(), WM_COPY, 0, 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE copied = GetClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(copied ? WideToUtf8(FromW(static_cast<const wchar_t*>(GlobalLock(copied)))) : "", joined);
  if (copied) GlobalUnlock(copied);
  CloseClipboard();

  // While the run went on the window showed the log as far as it had come,
  // with the bar moving, and answered often.
  ASSERT_GE(frames.size(), 3u);
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_LE(frames[i].Lines, static_cast<int>(expected.size()));
    EXPECT_EQ(frames[i].Last, expected[static_cast<size_t>(frames[i].Lines - 1)]);
    if (i == 0) continue;
    EXPECT_GE(frames[i].Lines, frames[i - 1].Lines);
    EXPECT_GE(frames[i].Position, frames[i - 1].Position);
    EXPECT_LT(frames[i].At - frames[i - 1].At, std::chrono::milliseconds(500));
  }
  EXPECT_LT(frames.front().Lines, static_cast<int>(expected.size()) / 2);
  EXPECT_LT(frames.front().Position, frames.back().Position);
}

}  // namespace
}  // namespace zp
