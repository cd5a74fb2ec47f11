// The uninstall run on what an installation left, and the uninstaller's
// removal of its own file and folder once its process has ended.
#include <windows.h>

#include "InstallFixture.h"
#include "base/WinHandles.h"
#include "engine/RunUtils.h"

namespace zp {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

struct TProcessResult {
  DWORD ExitCode = 1;
  std::string Output;
};

// Runs a command line; its standard output is read through a pipe, with
// line ends as "\n".
TProcessResult RunProcess(const std::string& commandLine) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  TScopedHandle readEnd, writeEnd;
  EXPECT_TRUE(CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0));
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd.Get();
  TProcessInfo process;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, process.Out());
  writeEnd.Reset();
  TProcessResult result;
  if (started) {
    char buffer[4096];
    DWORD count;
    while (ReadFile(readEnd.Get(), buffer, sizeof buffer, &count, nullptr) && count > 0)
      for (DWORD i = 0; i < count; ++i)
        if (buffer[i] != '\r') result.Output += buffer[i];
    WaitForSingleObject(process.Process(), INFINITE);
    GetExitCodeProcess(process.Process(), &result.ExitCode);
  }
  EXPECT_TRUE(started) << commandLine;
  return result;
}

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

// Sets an environment variable of this process (and so of the programs it
// starts) and puts the old value back at the end.
class TScopedEnvironment {
public:
  TScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    char old[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
    had_ = n > 0 && n < sizeof old;
    if (had_) old_.assign(old, n);
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~TScopedEnvironment() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

bool IsEmptyFolder(const std::string& folder) {
  for (TFileSearch search(folder + "\\*"); search.Found(); search.Next())
    if (!search.IsDots()) return false;
  return true;
}

class UninstallRun : public TInstallTest {};

TEST_F(UninstallRun, RemovesWhatTheInstallationRecorded) {
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "a"), FileRecord("{experts}\\Keep.ex4", "keep"),
                   FileRecord("{app}\\B.txt", "b")};
  project.Files[0].ShortcutName = "A";
  project.Files[1].KeepOnUninstall = true;
  project.Readme = "read me";
  project.TerminalSettings = "1";
  const std::string installer = BuildInstaller(project);
  const std::string first = OldTerminal("T1"), second = OldTerminal("T2");
  WriteText(first + "\\experts\\Sub\\Own.ex4", "the terminal's own");
  TZpInstall install;
  install.LoadFromFile(installer);
  install.Targets = {first, second};
  install.Run();
  const std::string app = places_.ProgramFolder, menu = places_.StartMenuFolder;

  TZpUninstall engine;
  engine.LoadFromFile(app + "\\Uninstall.exe");
  log_.Attach(engine);
  engine.Run();

  EXPECT_FALSE(Exists(first + "\\experts\\A.ex4"));
  EXPECT_FALSE(Exists(second + "\\experts\\A.ex4"));
  EXPECT_FALSE(Exists(app + "\\B.txt"));
  EXPECT_FALSE(Exists(app + "\\Readme.rtf"));
  EXPECT_FALSE(Exists(menu)) << "the emptied start-menu folder goes";
  EXPECT_TRUE(Exists(app + "\\Uninstall.exe")) << "the running uninstaller stays, and so does its folder";
  EXPECT_EQ(ReadText(first + "\\experts\\Keep.ex4"), "keep");
  EXPECT_TRUE(Exists(first + "\\experts\\Sub\\Own.ex4"));
  EXPECT_TRUE(Exists(first + "\\config\\experts.ini"));
  EXPECT_FALSE(TRegKey().Open(HKEY_LOCAL_MACHINE, UninstallKeyPath(places_.ProgramName).c_str()));

  // The shortcut of a terminal file is recorded once per terminal: the second
  // delete fails and is reported with weight 0.
  const std::vector<TLogLine> expected = {
      {8, "Delete file " + first + "\\experts\\A.ex4 ..."},
      {17, "Delete file " + menu + "\\A.lnk ..."},
      {25, "Delete file " + app + "\\B.txt ..."},
      {33, "Delete file " + second + "\\experts\\A.ex4 ..."},
      {42, "Delete file " + menu + "\\A.lnk ..."},
      {42, "WARNING: Unable to delete file " + menu + "\\A.lnk ..."},
      {50, "Delete file " + app + "\\Readme.rtf ..."},
      {58, "Delete file " + menu + "\\Readme.lnk ..."},
      {67, "Delete file " + menu + "\\Uninstall.lnk ..."},
      {75, "Remove folder " + app + " ..."},
      {83, "Remove folder " + menu + " ..."},
      {92, "Remove folder " + second + "\\experts ..."},  // made by the install; kept, as Keep.ex4 is in it
      {100, "Unregistering uninstaller ..."},
      {108, "Done."}};
  EXPECT_EQ(engine.ProgressTotal, 8 + 3 + 1);
  EXPECT_EQ(ReadText(second + "\\experts\\Keep.ex4"), "keep");
  EXPECT_THAT(log_.Lines, ElementsAreArray(expected));
}

// The folders an installation made go with it when they are empty; those
// that were there before stay, empty or not.
TEST_F(UninstallRun, RemovesTheEmptyFoldersTheInstallationMade) {
  TProject project;
  project.Files = {FileRecord("{include}\\Lib\\Deep\\L.mqh", "l"), FileRecord("{files}\\Data\\D.csv", "d")};
  project.Files[1].KeepOnUninstall = true;
  const std::string terminal = OldTerminal("T");
  CreateDirectoryA((terminal + "\\experts").c_str(), nullptr);
  CreateDirectoryA((terminal + "\\experts\\Empty").c_str(), nullptr);
  TZpInstall install;
  install.LoadFromFile(BuildInstaller(project));
  install.Targets = {terminal};
  install.Run();
  TZpUninstall engine;
  engine.LoadFromFile(places_.ProgramFolder + "\\Uninstall.exe");
  engine.Run();
  EXPECT_FALSE(Exists(terminal + "\\experts\\include")) << "include, Lib and Deep were made and are empty";
  EXPECT_EQ(ReadText(terminal + "\\experts\\files\\Data\\D.csv"), "d");
  EXPECT_TRUE(Exists(terminal + "\\experts\\Empty"));
}

TEST_F(UninstallRun, TheUninstallerRemovesItselfAndItsFolderAfterItEnds) {
  TProject project;
  project.Files = {FileRecord("{app}\\B.txt", "b"), FileRecord("{experts}\\A.ex4", "a")};
  const std::string installer = BuildInstaller(project);
  const std::string terminal = OldTerminal("T");
  const std::string app = places_.ProgramFolder, exe = app + "\\Uninstall.exe";

  // The test installers are zprun itself with a package: it installs from
  // its own file, as the wizard does.
  const TProcessResult install = RunProcess(Quoted(installer) + " install " + Quoted(installer) + " " + Quoted(terminal));
  ASSERT_EQ(install.ExitCode, 0u) << install.Output;
  EXPECT_EQ(install.Output, "8\t" + Copying(app + "\\B.txt") + "\n17\t" + Copying(terminal + "\\experts\\A.ex4") +
                                "\n" "25\tCreating unistaller ...\n33\tRegistering unistaller ...\n42\tDone.\n");

  // A temporary folder with a blank in its name, as with a user named
  // "Ann Lee" when the system makes no short names: the batch lives there.
  // A program named by the part before the blank must not be the one started.
  const std::string temp = Scratch("Ann Lee\\Temp");
  ForceDirectories(temp);
  ASSERT_TRUE(CopyFileA(HostPath(TRACE_EXE).c_str(), Scratch("Ann.exe").c_str(), FALSE));
  TScopedEnvironment tmp("TMP", temp), tempVariable("TEMP", temp);
  const TProcessResult uninstall = RunProcess(Quoted(exe) + " uninstall " + Quoted(exe) + " --remove-self");
  ASSERT_EQ(uninstall.ExitCode, 0u) << uninstall.Output;
  EXPECT_THAT(uninstall.Output, HasSubstr("Remove folder " + app + " ...\n"));
  EXPECT_THAT(uninstall.Output, HasSubstr("\tDone.\n"));
  EXPECT_FALSE(Exists(terminal + "\\experts\\A.ex4"));

  // The batch retries until the uninstaller's file can go, then removes the
  // folder and itself; give it time.
  for (int i = 0; i < 300 && Exists(app); ++i) Sleep(100);
  EXPECT_FALSE(Exists(exe));
  EXPECT_FALSE(Exists(app));
  for (int i = 0; i < 50 && !IsEmptyFolder(temp); ++i) Sleep(100);
  EXPECT_TRUE(IsEmptyFolder(temp)) << "the batch deleted itself";
  EXPECT_FALSE(Exists(Scratch("trace.txt"))) << "Ann.exe ran";
}

}  // namespace
}  // namespace zp
