// Attacks on the elevated runs by a program of lower rights: links in the
// folders they write to, files swapped between writing and starting, a batch
// rewritten while it waits, and uninstall data naming folders that are not
// the program's.
#include <windows.h>

#include "InstallFixture.h"
#include "base/Strings.h"
#include "engine/FileSystem.h"
#include "engine/RunFiles.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"

namespace zp {
namespace {

using ::testing::HasSubstr;

// A Unix symbolic link at `link` to `target`, as another program of the
// machine can make one inside the prefix; to wine it is a junction.
void MakeUnixLink(const std::string& link, const std::string& target) {
  using TUnixName = char*(CDECL*)(const wchar_t*);
  using TSpawn = int (*)(char* const argv[], int wait);
  const auto unixName = reinterpret_cast<TUnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  const auto spawn = reinterpret_cast<TSpawn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
  ASSERT_TRUE(unixName && spawn) << "runs under wine only";
  std::string to = unixName(W(Utf8ToWide(target))), at = unixName(W(Utf8ToWide(link)));
  char* argv[] = {const_cast<char*>("/bin/ln"), const_cast<char*>("-sfn"), &to[0], &at[0], nullptr};
  ASSERT_EQ(spawn(argv, 1), 0) << link;
  ASSERT_EQ(TFileSystem::FinalPath(link), TFileSystem::FinalPath(target));
}

bool WaitUntilGone(const std::u16string& path, int tenthsOfSeconds = 300) {
  for (int i = 0; i < tenthsOfSeconds; ++i, Sleep(100))
    if (GetFileAttributesW(W(path)) == INVALID_FILE_ATTRIBUTES) return true;
  return false;
}

class Trust : public TInstallTest {};

TEST_F(Trust, ALinkedAddOnFolderKeepsItsVictimThroughUninstallAndInstall) {
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "a"), FileRecord("{indicators}\\X.ex4", "package")};
  const std::string installer = BuildInstaller(project);
  const std::string terminal = OldTerminal("T"), indicators = terminal + "\\experts\\indicators";
  // Outside every folder the runs know (the scratch folder lies in the
  // temporary folder, which they do).
  const std::string victim = "C:\\ZpTrustVictim" + std::to_string(GetCurrentProcessId());
  WriteText(victim + "\\X.ex4", "victim");
  {
    TZpInstall engine;
    Load(engine, installer, {terminal});
    engine.Run();
  }
  // Once installed, the folder becomes a link to the victim's folder.
  DeleteTree(indicators);
  MakeUnixLink(indicators, victim);

  TZpUninstall uninstall;
  uninstall.LoadFromFile(places_.ProgramFolder + "\\Uninstall.exe");
  log_.Attach(uninstall);
  uninstall.Run();
  EXPECT_EQ(ReadText(victim + "\\X.ex4"), "victim");
  EXPECT_FALSE(Exists(terminal + "\\experts\\A.ex4")) << "the rest is uninstalled";
  EXPECT_THAT(log_.Texts(), testing::Contains("WARNING: Unable to delete file " + indicators + "\\X.ex4 ..."));

  TZpInstall engine;
  Load(engine, installer, {terminal});
  try {
    engine.Run();
    ADD_FAILURE() << "installed through the link";
  } catch (const ELinkRefused& e) {
    EXPECT_THAT(e.Message(), HasSubstr(indicators + " leads through a link to "));
  }
  EXPECT_EQ(ReadText(victim + "\\X.ex4"), "victim");
  DeleteTree(victim);
}

TEST_F(Trust, AFileThatIsALinkIsNeitherWrittenThroughNorDeletedThrough) {
  TProject project;
  project.Files = {FileRecord("{experts}\\A.ex4", "package")};
  const std::string installer = BuildInstaller(project);
  const std::string terminal = OldTerminal("T"), link = terminal + "\\experts\\A.ex4";
  WriteText(Scratch("Victim.dll"), "victim");
  ForceDirectories(terminal + "\\experts");
  MakeUnixLink(link, Scratch("Victim.dll"));
  TZpInstall engine;
  Load(engine, installer, {terminal});
  engine.Run();
  // Wine opens no link itself, so it cannot be told apart and stays (on
  // Windows the link is replaced).
  EXPECT_THAT(log_.Texts(), testing::Contains("WARNING: Unable to overwrite " + link + " ..."));
  EXPECT_EQ(ReadText(Scratch("Victim.dll")), "victim");
}

// Checked folders are held against renaming, but the folders above them are
// not (Windows refuses to rename a folder with open ones below it, wine does
// not): one of those moved away and replaced by a link must not redirect
// what the run writes into a folder it checked before (a new folder's own
// check may refuse).
TEST_F(Trust, AParentSwappedForALinkAfterTheCheckRedirectsNothing) {
  const std::string outer = Scratch("outer"), below = "\\base\\MQL4\\Indicators\\", folder = outer + below;
  ForceDirectories(Scratch("victim") + below);
  ForceDirectories(outer + "\\base");
  TFileSystem fs;
  fs.AddRoot(outer + "\\base");
  fs.ForceDirectories(folder);  // holds base and the folders below it
  EXPECT_FALSE(MoveFileW(W(Utf8ToWide(outer + "\\base")), W(Utf8ToWide(Scratch("base2"))))) << "held";
  ASSERT_TRUE(MoveFileW(W(Utf8ToWide(outer)), W(Utf8ToWide(Scratch("moved")))));
  MakeUnixLink(outer, Scratch("victim"));
  fs.Create(folder + "X.ex4").Write("x", 1);
  try {
    fs.ForceDirectories(folder + "New");
    fs.Create(folder + "New\\Y.ex4").Write("y", 1);
  } catch (const ELinkRefused&) {
  }
  EXPECT_TRUE(Exists(Scratch("moved") + below + "X.ex4")) << "written where the folder went";
  for (const char* name : {"X.ex4", "New"}) EXPECT_FALSE(Exists(Scratch("victim") + below + name)) << name;
}

TEST_F(Trust, AStageProgramSwappedBeforeItStartsDoesNotRun) {
  // The genuine program (zprun without arguments) only prints its usage; the
  // swapped-in one leaves a trace beside itself.
  TProjectExec exec;
  exec.Stage = esBeforeFiles, exec.Title = "Helper";
  exec.Path = "{temp}ZpTrustHelper" + std::to_string(GetCurrentProcessId()) + ".exe";
  exec.Content = TContent::FromBytes(ReadFileBytes(HostPath(ZPRUN_EXE)));
  TProject project;
  project.Execs = {exec};
  const std::string installer = BuildInstaller(project);
  const std::string program = GetSpecialFolder(TSpecialFolder::Temp, true) + exec.Path.substr(6);
  const std::string trace = ExtractFilePath(program) + "trace.txt";
  DeleteTree(trace);

  TZpInstall engine;
  Load(engine, installer, {});
  bool swapped = false;
  engine.OnProgress = [&](TZpData&, const std::u16string& text, int) {
    if (text != u"Executing Helper ...") return;
    // Another program of the user, between writing and starting.
    swapped = CopyFileA(HostPath(TRACE_EXE).c_str(), program.c_str(), FALSE) ||
              (DeleteFileA(program.c_str()) && CopyFileA(HostPath(TRACE_EXE).c_str(), program.c_str(), FALSE));
  };
  engine.Run();
  EXPECT_FALSE(swapped);
  EXPECT_FALSE(Exists(trace)) << "the swapped program ran";
  DeleteTree(trace);
  DeleteTree(program);
}

TEST_F(Trust, TheSelfRemovalBatchIsOutOfReachAndWorksForAnyName) {
  // Batches in the user's temporary folder get rewritten while they wait.
  const std::string temp = Scratch("Temp");
  ForceDirectories(temp);
  SetEnvironmentVariableA("TMP", temp.c_str()), SetEnvironmentVariableA("TEMP", temp.c_str());
  const std::u16string programFiles = Utf8ToWide(GetSpecialFolder(TSpecialFolder::ProgramFiles)) + u"\\";
  for (const std::u16string name : {u"Gain 100% Pro", u"Indicateurs Caf\u00e9", u"\u0418\u043d\u0434\u0438\u043a\u0430\u0442\u043e\u0440\u044b"}) {
    const std::u16string folder = programFiles + name, exe = folder + u"\\Uninstall.exe";
    ASSERT_TRUE(CreateDirectoryW(W(folder), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    // Open without delete sharing: the batch waits, as for a running uninstaller.
    TScopedHandle running(CreateFileW(W(exe), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(running);
    ASSERT_TRUE(StartSelfRemoval(exe, true));
    Sleep(300);
    for (TFileSearch search(temp + "\\*.bat"); search.Found(); search.Next())
      WriteText(temp + "\\" + search.Name(), "echo injected> \"" + Scratch("injected.txt") + "\"\r\n");
    running.Reset();
    EXPECT_TRUE(WaitUntilGone(folder)) << WideToUtf8(name);
    EXPECT_FALSE(Exists(Scratch("injected.txt"))) << WideToUtf8(name);
    RemoveDirectoryW(W(folder));
  }
  SetEnvironmentVariableA("TMP", nullptr), SetEnvironmentVariableA("TEMP", nullptr);
}

TEST_F(Trust, APrivateFolderIsNewEachTimeAndGoesWithItsFiles) {
  std::string path;
  {
    TPrivateFolder folder, other;
    path = folder.Path();
    EXPECT_NE(path, other.Path());
    EXPECT_THAT(path, testing::StartsWith(GetSpecialFolder(TSpecialFolder::Windows) + "\\Temp\\zp-"));
    // (Wine keeps no access list of its own on files: the folder's is not
    // looked at here.)
    TFileStream file = folder.Create("x.bat");
    EXPECT_THROW(folder.Create("x.bat"), EOSError) << "never an existing file";
  }
  EXPECT_FALSE(Exists(path)) << "removed with its files";
}

TEST_F(Trust, TheUninstallNeverRemovesADriveRootOrASystemFolder) {
  char profile[MAX_PATH] = {};
  GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
  for (const std::string& folder :
       {std::string("C:\\"), std::string("C:"), std::string("\\\\server\\share\\"), std::string("relative"),
        GetSpecialFolder(TSpecialFolder::Windows), GetSpecialFolder(TSpecialFolder::System),
        GetSpecialFolder(TSpecialFolder::ProgramFiles) + "\\", GetSpecialFolder(TSpecialFolder::Desktop),
        GetSpecialFolder(TSpecialFolder::Temp), std::string(profile), ExtractFileDir(profile)})
    EXPECT_TRUE(IsProtectedFolder(folder)) << folder;
  EXPECT_FALSE(IsProtectedFolder(places_.ProgramFolder));
  EXPECT_FALSE(IsProtectedFolder("\\\\server\\share\\Product"));

  const std::string empty = GetSpecialFolder(TSpecialFolder::Temp, true) + "ZpTrustEmpty" +
                            std::to_string(GetCurrentProcessId());
  ForceDirectories(empty + "\\Sub");
  TZpUninstall engine;
  engine.ProgramName = places_.ProgramName;
  engine.Folders = {GetSpecialFolder(TSpecialFolder::Temp), Scratch("Own")};
  ForceDirectories(Scratch("Own\\Sub"));
  log_.Attach(engine);
  engine.Run();
  EXPECT_TRUE(Exists(empty + "\\Sub")) << "an empty folder in the temporary folder";
  EXPECT_FALSE(Exists(Scratch("Own"))) << "the program's own folder goes";
  DeleteTree(empty);
}

}  // namespace
}  // namespace zp
