// What a package cannot be trusted with: program names that are no single
// folder name, a publisher that is no file name, file times Windows refuses,
// and read-only files in the places a run must write.
#include <windows.h>

#include <functional>

#include "InstallFixture.h"
#include "engine/RunFiles.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"

namespace zp {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SharpEdges : public TInstallTest {};

// Now, as a FILETIME.
uint64_t CurrentTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

TEST_F(SharpEdges, ProgramNamesThatAreNoFolderNameEndTheRunBeforeAnythingIsWritten) {
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "a"), FileRecord("{app}\\B.txt", "b")};
  project.Readme = "read me";
  const std::string installer = BuildInstaller(project);
  const std::string terminal = OldTerminal("T");
  const std::string programFiles = GetSpecialFolder(TSpecialFolder::ProgramFiles);
  for (const char* name : {"..", "", "A/B", "CON", "Tab\there"}) {
    TZpInstall engine;
    Load(engine, installer, {terminal});
    engine.ProgramName = name;
    try {
      engine.Run();
      ADD_FAILURE() << "ran with \"" << name << "\"";
    } catch (const EZpError& e) {
      EXPECT_THAT(e.Message(), HasSubstr("program name \"" + std::string(name) + "\" cannot be a folder name"));
    }
    EXPECT_TRUE(log_.Lines.empty()) << name;
    log_.Lines.clear();
    EXPECT_FALSE(Exists(terminal + "\\experts\\A.ex4")) << name;
    EXPECT_FALSE(Exists(programFiles + "\\..\\Uninstall.exe")) << name;
    EXPECT_FALSE(Exists(programFiles + "\\Uninstall.exe")) << name;
    EXPECT_FALSE(Exists(programFiles + "\\B.txt")) << name;
    TRegKey list;
    std::string value;
    EXPECT_FALSE(list.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall") &&
                 list.ReadString("UninstallString", value))
        << "no registration in the list's own key";
    if (*name) {
      EXPECT_FALSE(TRegKey().Open(HKEY_LOCAL_MACHINE, UninstallKeyPath(name).c_str())) << name;
    }
  }
}

// A package of another builder with a target that would leave its folder,
// write a stream or open a device: refused before anything is written, at
// the start of the run and of a stage alike.
TEST_F(SharpEdges, TargetsThatAreNoSoundPathEndTheRunBeforeAnythingIsWritten) {
  const std::string terminal = OldTerminal("T");
  for (const char* bad : {"{app}\\x.txt:ads", "{app}\\CON", "{app}\\x.txt.", "{app}\\..\\..\\Windows\\x.txt"}) {
    TProject project;
    project.Files = {FileRecord("{experts}\\A.ex4", "a"), FileRecord(bad, "b")};
    project.Execs.push_back({false, "{app}\\Stage0.exe", "stage", "", stWizardStart,
                             TContent::FromBytes({'M', 'Z'}), std::nullopt, std::nullopt});
    TZpInstall engine;
    Load(engine, BuildInstaller(project), {terminal});
    for (const auto& run : {std::function<void()>([&] { engine.RunStage(0); }), std::function<void()>([&] { engine.Run(); })}) {
      try {
        run();
        ADD_FAILURE() << "ran with " << bad;
      } catch (const EZpError& e) {
        EXPECT_THAT(e.Message(), HasSubstr("the path \"" + std::string(bad) + "\" has the part")) << bad;
      }
    }
    EXPECT_TRUE(log_.Lines.empty()) << bad;
    EXPECT_TRUE(engine.UninstallList.empty()) << bad;
    EXPECT_FALSE(Exists(terminal + "\\experts\\A.ex4")) << bad;
    EXPECT_FALSE(Exists(places_.ProgramFolder)) << bad;
  }
}

TEST_F(SharpEdges, TheUninstallRunRemovesNothingForSuchAName) {
  const std::string folder = Scratch("Empty\\Sub"), file = Scratch("Kept.txt");
  ForceDirectories(folder);
  WriteText(file, "kept");
  TRegKey key;
  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, UninstallKeyPath("ZpTest parent").c_str(), KEY_ALL_ACCESS),
            ERROR_SUCCESS);
  for (const char* name : {"..", ""}) {
    TZpUninstall engine;
    engine.ProgramName = name;
    engine.Folders = {folder, Scratch("Empty")};
    engine.Files = {file};
    log_.Attach(engine);
    EXPECT_THROW(engine.Run(), EZpError) << name;
    EXPECT_TRUE(Exists(folder)) << name;
    EXPECT_EQ(ReadText(file), "kept") << name;
    EXPECT_TRUE(log_.Lines.empty()) << name;
  }
  EXPECT_TRUE(TRegKey().Open(HKEY_LOCAL_MACHINE, UninstallKeyPath("ZpTest parent").c_str()));
  UnregisterUninstaller("ZpTest parent");
}

TEST_F(SharpEdges, APublisherThatIsNoFileNameStillGetsItsWebShortcut) {
  TProject project;
  project.Publisher = "Nordic Trading A/S";
  project.Website = "nordic.example";
  const std::string installer = BuildInstaller(project);
  TZpInstall engine;
  Load(engine, installer, {});
  engine.Run();
  const std::string url = places_.StartMenuFolder + "\\Nordic Trading A_S Website.url";
  EXPECT_EQ(ReadText(url), "[InternetShortcut]\r\nURL=http://nordic.example\r\n\r\n");
  EXPECT_TRUE(Exists(places_.ProgramFolder + "\\Uninstall.exe"));
  EXPECT_EQ(log_.Texts().back(), "Done.");
}

TEST_F(SharpEdges, FileTimesWindowsRefusesLeaveTheFilesOwn) {
  const uint64_t good = FileTimeOf(2020, 7, 8), refused = 0x8000000000000000ull;
  const struct {
    const char* Name;
    uint64_t Creation, LastWrite;
    bool KeepsLastWrite;  // the package's last-write time arrives
  } cases[] = {{"Refused.ex4", refused, refused, false},
               {"RefusedCreation.ex4", refused, good, true},
               {"Zero.ex4", 0, 0, false}};
  TProject project;
  for (const auto& c : cases) {
    project.Files.push_back(FileRecord(std::string("{experts}\\") + c.Name, c.Name));
    project.Files.back().CreationTime = c.Creation;
    project.Files.back().LastWriteTime = c.LastWrite;
  }
  const std::string installer = BuildInstaller(project);
  const std::string experts = OldTerminal("T") + "\\experts\\";
  const uint64_t before = CurrentTime() - 10000000ull * 60;
  TZpInstall engine;
  Load(engine, installer, {Scratch("T")});
  engine.Run();
  EXPECT_EQ(log_.Texts().back(), "Done.");
  for (const auto& c : cases) {
    EXPECT_EQ(ReadText(experts + c.Name), c.Name);
    if (c.KeepsLastWrite) {
      EXPECT_EQ(LastWriteTimeOf(experts + c.Name), c.LastWrite) << c.Name;
    } else {
      EXPECT_GT(LastWriteTimeOf(experts + c.Name), before) << c.Name << ": the time of writing stays";
    }
  }
}

TEST_F(SharpEdges, ReadOnlyUninstallerAndProgramAreReplaced) {
  const std::string trace = ReadText(HostPath(TRACE_EXE));
  TProjectExec exec;
  exec.Stage = esBeforeFiles, exec.Path = "{app}\\setup\\trace.exe", exec.Title = "Setup";
  exec.Parameters = "new";
  exec.Content = TContent::FromBytes(std::vector<uint8_t>(trace.begin(), trace.end()));
  TProject project;
  project.Execs = {exec};
  const std::string installer = BuildInstaller(project);
  const std::string app = places_.ProgramFolder;
  WriteText(app + "\\setup\\trace.exe", "an old program"), SetReadOnly(app + "\\setup\\trace.exe", true);
  WriteText(app + "\\Uninstall.exe", "an old uninstaller"), SetReadOnly(app + "\\Uninstall.exe", true);

  TZpInstall engine;
  Load(engine, installer, {});
  engine.Run();

  EXPECT_EQ(ReadText(app + "\\setup\\trace.exe"), trace);
  EXPECT_EQ(ReadText(app + "\\setup\\trace.txt"), app + "\\setup|new\r\n");
  TZpUninstall record;
  record.LoadFromFile(app + "\\Uninstall.exe");
  EXPECT_EQ(record.ProgramName, places_.ProgramName) << "the new uninstaller with the new record";
  EXPECT_THAT(record.Files, ElementsAre(places_.StartMenuFolder + "\\Uninstall.lnk"));
  EXPECT_FALSE(Exists(app + "\\Uninstall.tmp"));
}

}  // namespace
}  // namespace zp
