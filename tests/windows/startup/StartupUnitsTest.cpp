// The start-up units: the version test as it asks the system, the elevated
// launch's record and effect, the work folder, the relay's command-file step
// and the test whether the parent process is a relay.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "TestFolders.h"
#include "base/WinHandles.h"
#include "engine/RunFiles.h"
#include "startup/SpawnUtils.h"
#include "startup/VistaUtils.h"

namespace zp {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the fake version functions were asked.
struct TVersionCalls {
  std::vector<std::pair<DWORD, BYTE>> Conditions;
  std::vector<ULONGLONG> MasksIn;
  OSVERSIONINFOEXW Record{};
  DWORD TypeMask = 0;
  DWORDLONG ConditionMask = 0;
  BOOL Answer = TRUE;
} calls;

ULONGLONG WINAPI FakeSetMask(ULONGLONG mask, DWORD typeBit, BYTE condition) {
  calls.Conditions.emplace_back(typeBit, condition);
  calls.MasksIn.push_back(mask);
  return mask * 10 + calls.Conditions.size();  // each result must feed the next call
}

BOOL WINAPI FakeVerify(OSVERSIONINFOEXW* info, DWORD typeMask, DWORDLONG conditionMask) {
  calls.Record = *info;
  calls.TypeMask = typeMask;
  calls.ConditionMask = conditionMask;
  return calls.Answer;
}

TEST(VistaUtils, AsksForSixZeroWithFourGreaterOrEqualConditions) {
  for (BOOL answer : {TRUE, FALSE}) {
    calls = TVersionCalls();
    calls.Answer = answer;
    EXPECT_EQ(IsVistaOrLater({FakeSetMask, FakeVerify}), answer == TRUE);
    const std::vector<std::pair<DWORD, BYTE>> conditions{{2, 3}, {1, 3}, {32, 3}, {16, 3}};
    EXPECT_EQ(calls.Conditions, conditions);
    EXPECT_EQ(calls.MasksIn, (std::vector<ULONGLONG>{0, 1, 12, 123}));
    EXPECT_EQ(calls.ConditionMask, 1234u);
    EXPECT_EQ(calls.TypeMask, 51u);
    EXPECT_EQ(calls.Record.dwOSVersionInfoSize, 284u);
    EXPECT_EQ(calls.Record.dwMajorVersion, 6u);
    OSVERSIONINFOEXW rest = calls.Record;  // everything else stays zero
    rest.dwOSVersionInfoSize = rest.dwMajorVersion = 0;
    const OSVERSIONINFOEXW zero{};
    EXPECT_EQ(memcmp(&rest, &zero, sizeof(zero)), 0);
  }
  calls = TVersionCalls();
  EXPECT_FALSE(IsVistaOrLater({nullptr, FakeVerify}));
  EXPECT_FALSE(IsVistaOrLater({FakeSetMask, nullptr}));
  EXPECT_TRUE(calls.Conditions.empty());
  EXPECT_TRUE(IsVistaOrLater());  // wine reports Windows 7
}

TEST(VistaUtils, LaunchRecordAndFolderPart) {
  const TElevatedLaunch launch("C:\\Program Files\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\Setup.exe");
  EXPECT_EQ(launch.Info.cbSize, sizeof(SHELLEXECUTEINFOW));
  EXPECT_EQ(launch.Info.fMask, 0x800540u);
  EXPECT_STREQ(launch.Info.lpVerb, L"runas");
  EXPECT_STREQ(launch.Info.lpFile, L"C:\\Program Files\\\u0418\u0432\u0430\u043D\\Setup.exe");
  EXPECT_STREQ(launch.Info.lpParameters, L"spawn");
  EXPECT_STREQ(launch.Info.lpDirectory, L"C:\\Program Files\\\u0418\u0432\u0430\u043D");
  EXPECT_EQ(launch.Info.nShow, SW_SHOWNORMAL);
  EXPECT_EQ(launch.Info.hwnd, nullptr);
  for (const auto& c : std::vector<std::pair<std::string, std::string>>{
           {"C:\\Setup.exe", "C:\\"}, {"C:Setup.exe", "C:"}, {"Setup.exe", ""},
           {"\\\\server\\share\\Setup.exe", "\\\\server\\share"}, {"C:\\a\\b\\", "C:\\a\\b"}})
    EXPECT_EQ(ExtractFileDir(c.first), c.second) << c.first;
}

// Started through the shell, the program gets exactly "spawn" and runs in
// its own folder (the trace program writes both next to itself).
TEST(VistaUtils, LaunchElevatedStartsTheProgramWithSpawn) {
  TTempTree tree;
  const std::string program = tree.Copy(HostPath(TRACE_EXE), "Some Folder\\trace.exe");
  HANDLE process = LaunchElevated(program);
  ASSERT_NE(process, nullptr) << GetLastError();
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
  const std::string trace = ReadAll(tree / "Some Folder\\trace.txt");
  EXPECT_EQ(trace.substr(0, trace.find('|')), tree / "Some Folder");
  EXPECT_NE(trace.find(" spawn\r\n"), std::string::npos) << trace;

  SetLastError(0);
  EXPECT_EQ(LaunchElevated(tree / "missing.exe"), nullptr);
  EXPECT_NE(GetLastError(), 0u);
}

TEST(SpawnUtils, WorkFolderIsCreatedWithItsParentsBelowAppData) {
  char appData[MAX_PATH];
  ASSERT_EQ(GetEnvironmentVariableA("APPDATA", appData, MAX_PATH) > 0, true);
  const std::string folder = GetWorkFolder("ZpStartupTest\\a\\b");
  EXPECT_EQ(folder, std::string(appData) + "\\ZpStartupTest\\a\\b");
  EXPECT_NE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(GetWorkFolder("ZpStartupTest\\a\\b"), folder);  // there already
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA((std::string(appData) + "\\ZpStartupTest\\a").c_str());
  RemoveDirectoryA((std::string(appData) + "\\ZpStartupTest").c_str());
  EXPECT_EQ(CommandFilePath(), std::string(appData) + "\\ZpInstall\\command.txt");
}

class RelayStep : public ::testing::Test {
protected:
  void Step() {
    RelayCommandStep(file, [this](const std::string& target) {
      if (failOpen) throw std::runtime_error("no shell");
      opened.push_back(target);
    });
  }
  bool Kept() const { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }

  TTempTree tree;
  const std::string file = tree / "command.txt";
  std::vector<std::string> opened;
  bool failOpen = false;
};

TEST_F(RelayStep, OpensTheTrimmedFirstLineOnceAndDeletesTheFile) {
  const std::string longLine(kMaxTargetLength + 1, 'x');
  const struct {
    std::string Content;
    std::vector<std::string> Opened;
  } cases[] = {
      {"https://example.com/\r\n", {"https://example.com/"}},
      {" \t mailto:a@b.example \x01\r\nC:\\second.exe\r\n", {"mailto:a@b.example"}},
      {"C:\\Terminal\\terminal.exe", {"C:\\Terminal\\terminal.exe"}},  // no line end
      {"first\nsecond", {"first"}},
      {"first\rsecond", {"first"}},
      {"", {}},
      {" \t \r\nhttps://second.example/\r\n", {}},
      {longLine + "\r\n", {}},                                       // nothing the shell could open
      {std::string(kMaxTargetLength, 'y'), {std::string(kMaxTargetLength, 'y')}},
  };
  for (const auto& c : cases) {
    tree.File("command.txt", c.Content);
    opened.clear();
    Step();
    EXPECT_EQ(opened, c.Opened) << c.Content.substr(0, 40);
    EXPECT_FALSE(Kept()) << c.Content.substr(0, 40);
    Step();  // nothing left to open
    EXPECT_EQ(opened, c.Opened);
  }
}

TEST_F(RelayStep, KeepsWhatItCannotReadOrOpenForTheNextLook) {
  Step();  // no file: nothing happens
  EXPECT_TRUE(opened.empty());

  tree.File("command.txt", "https://example.com/\r\n");
  HANDLE writer = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  Step();
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(Kept());
  CloseHandle(writer);
  Step();
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.com/"});
  EXPECT_FALSE(Kept());

  tree.File("command.txt", "C:\\a.exe\r\n");
  failOpen = true;
  Step();
  EXPECT_TRUE(Kept());
  failOpen = false;
  Step();
  EXPECT_EQ(opened.back(), "C:\\a.exe");

  tree.Folder("command.txt");  // a folder of that name is never opened
  Step();
  EXPECT_TRUE(Kept());
  EXPECT_EQ(opened.size(), 2u);
}

// The test program runs itself: a copy of the same file started by it sees a
// relay as its parent, a copy under another file does not.
TEST(SpawnUtils, ParentIsRelayOnlyForTheSameExecutable) {
  if (const char* report = std::getenv("ZP_PARENT_REPORT")) {
    std::ofstream(report) << (IsStartedByRelay() ? "relay" : "other");
    return;
  }
  EXPECT_FALSE(IsStartedByRelay());  // started by ctest through wine
  TTempTree tree;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string copy = tree.Copy(self, "other.exe");
  for (const auto& c : std::vector<std::pair<std::string, std::string>>{{self, "relay"}, {copy, "other"}}) {
    const std::string report = tree / "report.txt";
    SetEnvironmentVariableA("ZP_PARENT_REPORT", report.c_str());
    std::string command = "\"" + c.first + "\" --gtest_filter=SpawnUtils.ParentIsRelayOnlyForTheSameExecutable";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    TProcessInfo process;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               process.Out()));
    WaitForSingleObject(process.Process(), 30000);
    process.Reset();
    SetEnvironmentVariableA("ZP_PARENT_REPORT", nullptr);
    EXPECT_EQ(ReadAll(report), c.second) << c.first;
  }
}

}  // namespace
}  // namespace zp
