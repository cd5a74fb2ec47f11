// The installation run: files into terminals of both layouts, the rules for
// files already there, programs at their stages, the expert options, and a
// run that ends on damaged content.
#include <windows.h>

#include <algorithm>

#include "InstallFixture.h"
#include "engine/Placeholders.h"
#include "engine/RunFiles.h"
#include "package/Content.h"

namespace zp {
namespace {

using ::testing::ElementsAre;
using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::Not;

std::vector<std::string> Entries(const TZpInstall& engine, int marker) {
  std::vector<std::string> entries;
  for (const TMarkedString& entry : engine.UninstallList)
    if (entry.Marker == marker) entries.push_back(entry.Text);
  return entries;
}

int Percent(int done, int total) { return (done * 200 + total) / (2 * total); }

class InstallRun : public TInstallTest {};

TEST_F(InstallRun, InstallsEveryFileIntoOldAndNewLayoutTerminals) {
  TProject project;
  const std::string large = PseudoRandomBytes(70001, 1);
  // Source text: compressed, with the dictionary of the package's texts.
  std::string indicator;
  for (int i = 0; i < 200; ++i) indicator += "double Buffer" + std::to_string(i % 7) + "[];\r\n";
  project.Files = {FileRecord("{experts}\\A.ex4", large),
                   FileRecord("{indicators}\\Ind.ex4", indicator),
                   FileRecord("{scripts}\\Empty.ex4", ""),
                   FileRecord("{templates}\\T.tpl", "sixteen bytes!!!"),
                   FileRecord("{MetaTrader}\\Sub\\M.txt", "m"),
                   FileRecord("{vsmetatrader}\\V.txt", "v"),
                   FileRecord("{app}\\B.txt", "outside"),
                   FileRecord("{APP}\\Data\\C.bin", "kept on uninstall")};
  project.Files[6].ShortcutName = "Docs\\B Text";
  project.Files[7].ShortcutName = "C Data";
  project.Files[7].DesktopShortcut = true;
  project.Files[7].KeepOnUninstall = true;
  const std::string installer = BuildInstaller(project);
  std::string data;
  const std::string oldTerminal = OldTerminal("Old"), newTerminal = NewTerminal("New", &data);
  const std::string vsOld = VirtualStorePath(oldTerminal), vsNew = VirtualStorePath(newTerminal);

  TZpInstall engine;
  Load(engine, installer, {oldTerminal, newTerminal});
  engine.Run();

  const std::string app = places_.ProgramFolder;
  const std::vector<std::string> oldFiles = {oldTerminal + "\\experts\\A.ex4", oldTerminal + "\\experts\\indicators\\Ind.ex4",
                                             oldTerminal + "\\scripts\\Empty.ex4", oldTerminal + "\\templates\\T.tpl",
                                             oldTerminal + "\\Sub\\M.txt", vsOld + "\\V.txt"};
  const std::vector<std::string> newFiles = {data + "\\MQL4\\Experts\\A.ex4", data + "\\MQL4\\Indicators\\Ind.ex4",
                                             data + "\\MQL4\\Scripts\\Empty.ex4", data + "\\templates\\T.tpl",
                                             data + "\\Sub\\M.txt", vsNew + "\\V.txt"};
  const std::vector<std::string> contents = {large, indicator, "", "sixteen bytes!!!", "m", "v"};
  ASSERT_EQ(layout_.Files[1].Coding, ccZstdDictionary);
  for (size_t i = 0; i < contents.size(); ++i) {
    EXPECT_EQ(ReadText(oldFiles[i]), contents[i]) << oldFiles[i];
    EXPECT_EQ(ReadText(newFiles[i]), contents[i]) << newFiles[i];
    // (Wine keeps no creation time of its own on this file system.)
    EXPECT_EQ(LastWriteTimeOf(newFiles[i]), FileTimeOf(2020, 7, 8)) << newFiles[i];
  }
  EXPECT_EQ(ReadText(app + "\\B.txt"), "outside");
  EXPECT_EQ(ReadText(app + "\\Data\\C.bin"), "kept on uninstall");
  EXPECT_EQ(LastWriteTimeOf(app + "\\B.txt"), FileTimeOf(2020, 7, 8));
  EXPECT_FALSE(Exists(newTerminal + "\\MQL4")) << "a new-layout terminal with a data folder takes nothing itself";

  // Outside files come once, with the first terminal; every line weighs 1.
  std::vector<std::string> texts;
  for (const std::string& file : oldFiles) texts.push_back(Copying(file));
  texts.push_back(Copying(app + "\\B.txt"));
  texts.push_back(Copying(app + "\\Data\\C.bin"));
  for (const std::string& file : newFiles) texts.push_back(Copying(file));
  texts.insert(texts.end(), {"Creating unistaller ...", "Registering unistaller ...", "Done."});
  EXPECT_THAT(log_.Texts(), ElementsAreArray(texts));
  EXPECT_EQ(engine.ProgressTotal, 2 * 8 + 10);
  for (size_t i = 0; i < log_.Lines.size(); ++i) EXPECT_EQ(log_.Lines[i].Percent, Percent(int(i) + 1, 26)) << i;

  // A file kept on uninstall still has its shortcuts recorded.
  const std::string linkB = places_.StartMenuFolder + "\\Docs\\B Text.lnk";
  const std::string linkC = places_.StartMenuFolder + "\\C Data.lnk", desktopLink = places_.DesktopFolder + "C Data.lnk";
  std::vector<std::string> recorded = oldFiles;
  recorded.insert(recorded.end(), {app + "\\B.txt", linkB, linkC, desktopLink});
  recorded.insert(recorded.end(), newFiles.begin(), newFiles.end());
  recorded.push_back(places_.StartMenuFolder + "\\Uninstall.lnk");
  EXPECT_THAT(Entries(engine, umFile), ElementsAreArray(recorded));
  // Then the folders the run made, parents first; the terminals were there.
  const std::vector<std::string> madeFolders = Entries(engine, umFolder);
  ASSERT_GE(madeFolders.size(), 2u);
  EXPECT_THAT(std::vector<std::string>(madeFolders.begin(), madeFolders.begin() + 2), ElementsAre(app, places_.StartMenuFolder));
  for (const std::string& folder : {oldTerminal + "\\experts", oldTerminal + "\\experts\\indicators", app + "\\Data",
                                    data + "\\MQL4\\Experts"})
    EXPECT_THAT(madeFolders, Contains(folder));
  EXPECT_THAT(madeFolders, Not(Contains(oldTerminal)));
  EXPECT_LT(std::find(madeFolders.begin(), madeFolders.end(), oldTerminal + "\\experts"),
            std::find(madeFolders.begin(), madeFolders.end(), oldTerminal + "\\experts\\indicators"));
  ExpectLinkForLnkinfo(linkB, "StartMenuB.lnk", app + "\\B.txt", app);
  ExpectLinkForLnkinfo(linkC, "StartMenuC.lnk", app + "\\Data\\C.bin", app + "\\Data");
  ExpectLinkForLnkinfo(desktopLink, "DesktopC.lnk", app + "\\Data\\C.bin", app + "\\Data");

  DeleteTree(vsOld), DeleteTree(vsNew), DeleteFileA(desktopLink.c_str());
}

// Include files, libraries, data files, presets and pictures land where a
// terminal of each layout looks for them, in every chosen terminal.
TEST_F(InstallRun, FillsTheMql4FoldersOfEitherLayout) {
  TProject project;
  const char* const names[] = {"{include}", "{libraries}", "{files}", "{presets}", "{images}"};
  for (const char* name : names) project.Files.push_back(FileRecord(std::string(name) + "\\Sub\\x.bin", name));
  std::string data;
  const std::string oldTerminal = OldTerminal("Old"), newTerminal = NewTerminal("New", &data);
  TZpInstall engine;
  Load(engine, BuildInstaller(project), {oldTerminal, newTerminal});
  engine.Run();
  const char* const oldFolders[] = {"include", "libraries", "files", "presets", "images"};
  const char* const newFolders[] = {"Include", "Libraries", "Files", "Presets", "Images"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ReadText(oldTerminal + "\\experts\\" + oldFolders[i] + "\\Sub\\x.bin"), names[i]);
    EXPECT_EQ(ReadText(data + "\\MQL4\\" + newFolders[i] + "\\Sub\\x.bin"), names[i]);
  }
}

TEST_F(InstallRun, KeepsEqualOrNewerOnlyWhenAskedAndGoesOnPastReadOnlyFiles) {
  const uint64_t packageTime = FileTimeOf(2021, 1, 1);
  TProject project;
  project.Files = {FileRecord("{experts}\\Same.ex4", "package", packageTime),
                   FileRecord("{experts}\\ReadOnly.ex4", "package", packageTime),
                   FileRecord("{experts}\\Older.ex4", "package", packageTime),
                   FileRecord("{experts}\\Newer.ex4", "package", packageTime)};
  project.Files[0].KeepNewer = project.Files[2].KeepNewer = true;
  project.Files[0].ShortcutName = "Same";
  const std::string installer = BuildInstaller(project);
  const std::string experts = OldTerminal("T") + "\\experts\\";
  WriteText(experts + "Same.ex4", "disk"), SetLastWriteTime(experts + "Same.ex4", packageTime);
  WriteText(experts + "ReadOnly.ex4", "disk"), SetReadOnly(experts + "ReadOnly.ex4", true);
  WriteText(experts + "Older.ex4", "disk"), SetLastWriteTime(experts + "Older.ex4", packageTime - 1);
  WriteText(experts + "Newer.ex4", "disk"), SetLastWriteTime(experts + "Newer.ex4", packageTime + 10000000);

  TZpInstall engine;
  Load(engine, installer, {Scratch("T")});
  engine.Run();

  EXPECT_EQ(ReadText(experts + "Same.ex4"), "disk");
  EXPECT_EQ(ReadText(experts + "ReadOnly.ex4"), "disk");
  EXPECT_EQ(ReadText(experts + "Older.ex4"), "package");
  EXPECT_EQ(ReadText(experts + "Newer.ex4"), "package");
  EXPECT_TRUE(Exists(places_.StartMenuFolder + "\\Same.lnk")) << "a kept file still gets its shortcut";
  EXPECT_THAT(log_.Lines, ElementsAre(TLogLine{7, "Skipping Same.ex4, found newer version at " + experts + "Same.ex4 ..."},
                                      TLogLine{14, Copying(experts + "ReadOnly.ex4")},
                                      TLogLine{14, "WARNING: Unable to overwrite " + experts + "ReadOnly.ex4 ..."},
                                      TLogLine{21, Copying(experts + "Older.ex4")},
                                      TLogLine{29, Copying(experts + "Newer.ex4")},
                                      TLogLine{36, "Creating unistaller ..."},
                                      TLogLine{43, "Registering unistaller ..."}, TLogLine{50, "Done."}));
  EXPECT_THAT(Entries(engine, umFile),
              ElementsAre(places_.StartMenuFolder + "\\Same.lnk", experts + "Older.ex4", experts + "Newer.ex4",
                          places_.StartMenuFolder + "\\Uninstall.lnk"));
  SetReadOnly(experts + "ReadOnly.ex4", false);
}

TEST_F(InstallRun, StartsProgramsAtTheirStagesAndWaitsForThem) {
  const std::string trace = ReadText(HostPath(TRACE_EXE));
  auto program = [&](int32_t stage, const std::string& path, const std::string& title, const std::string& parameters) {
    TProjectExec exec;
    exec.Stage = stage, exec.Path = path, exec.Title = title, exec.Parameters = parameters;
    exec.Content = TContent::FromBytes(std::vector<uint8_t>(trace.begin(), trace.end()));
    exec.CreationTime = FileTimeOf(2018, 1, 2), exec.LastWriteTime = FileTimeOf(2018, 3, 4);
    return exec;
  };
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "a")};
  project.Execs = {program(1, "{app}\\one\\trace.exe", "One", "first sleep=700"),
                   program(2, "{experts}\\trace.exe", "Two", "second"),
                   program(3, "{app}\\three\\trace.exe", "Three", "third"),
                   program(0, "{app}\\zero\\trace.exe", "Zero", "zero"),
                   program(0x101, "{app}\\low\\trace.exe", "Low byte", "low")};
  project.Execs.push_back(program(2, "{app}\\missing.exe", "Missing", ""));
  project.Execs.back().External = true;
  const std::string installer = BuildInstaller(project);
  const std::string first = OldTerminal("T1"), last = OldTerminal("T2");
  const std::string app = places_.ProgramFolder;

  TZpInstall engine;
  engine.LoadFromFile(installer);
  engine.RunStage(esWizardStart);
  EXPECT_EQ(ReadText(app + "\\zero\\trace.txt"), app + "\\zero|zero\r\n");
  EXPECT_FALSE(Exists(app + "\\one\\trace.txt"));

  Load(engine, installer, {first, last});
  std::vector<size_t> linesWhileWaiting;
  engine.OnWaiting = [&] { linesWhileWaiting.push_back(log_.Lines.size()); };
  engine.Run();
  engine.RunStage(esWizardClose);

  EXPECT_EQ(ReadText(app + "\\one\\trace.txt"), app + "\\one|first sleep=700\r\n");
  EXPECT_EQ(ReadText(app + "\\low\\trace.txt"), app + "\\low|low\r\n");
  EXPECT_EQ(ReadText(last + "\\experts\\trace.txt"), last + "\\experts|second\r\n") << "stage 2 sees the last terminal";
  EXPECT_EQ(ReadText(app + "\\three\\trace.txt"), app + "\\three|third\r\n");
  EXPECT_EQ(LastWriteTimeOf(app + "\\one\\trace.exe"), FileTimeOf(2018, 3, 4));
  // The first program took 700 ms: the run waited in slices, before any file.
  EXPECT_GE(std::count(linesWhileWaiting.begin(), linesWhileWaiting.end(), 1u), 3);

  EXPECT_EQ(engine.ProgressTotal, 2 * 1 + 6 + 10);
  EXPECT_THAT(log_.Lines, ElementsAre(TLogLine{6, "Executing One ..."}, TLogLine{11, "Executing Low byte ..."},
                                      TLogLine{17, Copying(first + "\\experts\\A.ex4")},
                                      TLogLine{22, Copying(last + "\\experts\\A.ex4")}, TLogLine{28, "Executing Two ..."},
                                      TLogLine{33, "WARNING: Unable to execute \"Missing\". File doesn't exist ..."},
                                      TLogLine{39, "Creating unistaller ..."},
                                      TLogLine{44, "Registering unistaller ..."}, TLogLine{50, "Done."},
                                      TLogLine{56, "Executing Three ..."}));
  for (const TMarkedString& entry : engine.UninstallList)
    EXPECT_EQ(entry.Text.find("trace.exe"), std::string::npos) << "programs are not recorded: " << entry.Text;
}

TEST_F(InstallRun, SetsExpertOptionsInEveryTerminal) {
  TProject project;
  project.TerminalSettings = "1 0";
  const std::string installer = BuildInstaller(project);
  std::string data;
  const std::string fresh = OldTerminal("Fresh"), existing = NewTerminal("Existing", &data) + "\\";
  std::string old = PseudoRandomBytes(300, 2);
  WriteText(existing + "config\\experts.ini", old);
  SetReadOnly(existing + "config\\experts.ini", true);

  TZpInstall engine;
  Load(engine, installer, {fresh, existing});
  engine.Run();

  std::string expected(292, '\0');
  expected[0] = char(144), expected[1] = 1, expected[4] = 1;
  EXPECT_EQ(ReadText(fresh + "\\config\\experts.ini"), expected);
  old.resize(292), old[4] = 1, old[12] = 0;
  EXPECT_EQ(ReadText(existing + "config\\experts.ini"), old) << "the options live in the installation folder";
  EXPECT_EQ(engine.TerminalSettings, "1 0     ");
  EXPECT_EQ(engine.ProgressTotal, 2 + 10);
  EXPECT_THAT(log_.Texts(), ElementsAre("Overriding MetaTrader settings in " + fresh + " ...",
                                        "Overriding MetaTrader settings in " + existing + " ...",
                                        "Creating unistaller ...", "Registering unistaller ...", "Done."));
}

TEST_F(InstallRun, DamagedContentEndsTheRunAndLeavesNoCutOffFile) {
  TProject project;
  project.Files = {FileRecord("{experts}\\Good.ex4", "good"), FileRecord("{experts}\\Flipped.ex4", PseudoRandomBytes(40, 3)),
                   FileRecord("{experts}\\Cut.ex4", PseudoRandomBytes(40, 4))};
  const std::string installer = BuildInstaller(project);
  const std::string experts = OldTerminal("T") + "\\experts\\";
  const std::string bytes = ReadText(installer);
  std::string flipped = bytes;
  flipped[size_t(layout_.Files[1].Offset) + 5] ^= 0x01;  // a whole block: it decrypts, to the wrong bytes
  const std::string cut = bytes.substr(0, bytes.size() - 8);  // the last block of the last content

  for (const auto& [damaged, name] : {std::pair{flipped, "Flipped.ex4"}, std::pair{cut, "Cut.ex4"}}) {
    SCOPED_TRACE(name);
    WriteText(installer, damaged);
    DeleteTree(experts);
    log_.Lines.clear();
    TZpInstall engine;
    Load(engine, installer, {Scratch("T")});
    try {
      engine.Run();
      ADD_FAILURE() << "the run went on";
    } catch (const ECipherException&) {
      EXPECT_STREQ(name, "Cut.ex4");
    } catch (const EZpError& e) {
      EXPECT_THAT(e.Message(), ::testing::HasSubstr("The installer is damaged: " + experts + name));
    }
    EXPECT_EQ(ReadText(experts + "Good.ex4"), "good") << "what came before stays";
    EXPECT_FALSE(Exists(experts + name)) << "no cut-off or damaged file";
    EXPECT_EQ(log_.Texts().back(), Copying(experts + name));
    for (const TMarkedString& entry : engine.UninstallList) EXPECT_EQ(entry.Text.find(name), std::string::npos);
    EXPECT_FALSE(Exists(places_.ProgramFolder + "\\Uninstall.exe"));
  }

  // A package without checksums installs the flipped bytes, as it always did.
  project.ContentChecksums = false;
  const std::string unchecked = BuildInstaller(project);
  std::string damaged = ReadText(unchecked);
  damaged[size_t(layout_.Files[1].Offset) + 5] ^= 0x01;
  WriteText(unchecked, damaged);
  TZpInstall engine;
  Load(engine, unchecked, {Scratch("T")});
  engine.Run();
  EXPECT_EQ(ReadText(experts + "Flipped.ex4").size(), 40u);
  EXPECT_NE(ReadText(experts + "Flipped.ex4"), PseudoRandomBytes(40, 3));
}

}  // namespace
}  // namespace zp
