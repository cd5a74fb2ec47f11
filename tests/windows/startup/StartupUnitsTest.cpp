// The start-up units: the version test as it asks the system, the elevated
// launch's record and effect, the targets the relay takes and the test
// whether the parent process is a relay.
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
#include "wizard/RelayLink.h"

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
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_STREQ(launch.Info.lpDirectory, system);
  EXPECT_EQ(launch.Info.nShow, SW_SHOWNORMAL);
  EXPECT_EQ(launch.Info.hwnd, nullptr);
  for (const auto& c : std::vector<std::pair<std::string, std::string>>{
           {"C:\\Setup.exe", "C:\\"}, {"C:Setup.exe", "C:"}, {"Setup.exe", ""},
           {"\\\\server\\share\\Setup.exe", "\\\\server\\share"}, {"C:\\a\\b\\", "C:\\a\\b"}})
    EXPECT_EQ(ExtractFileDir(c.first), c.second) << c.first;
}

// Started through the shell, the program gets exactly "spawn" and runs in
// the system folder (the trace program writes both next to itself).
TEST(VistaUtils, LaunchElevatedStartsTheProgramWithSpawn) {
  TTempTree tree;
  const std::string program = tree.Copy(HostPath(TRACE_EXE), "Some Folder\\trace.exe");
  HANDLE process = LaunchElevated(program);
  ASSERT_NE(process, nullptr) << GetLastError();
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
  const std::string trace = ReadAll(tree / "Some Folder\\trace.txt");
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(trace.substr(0, trace.find('|')), system);
  EXPECT_NE(trace.find(" spawn\r\n"), std::string::npos) << trace;

  SetLastError(0);
  EXPECT_EQ(LaunchElevated(tree / "missing.exe"), nullptr);
  EXPECT_NE(GetLastError(), 0u);
}

// A target handed to the relay: tagged UTF-16 text of a bounded length;
// anything else is refused whole.
TEST(RelayLink, ReadsOnlyWellFormedTargets) {
  const std::u16string longest(kMaxRelayTarget, u'y');
  const std::u16string tooLong(kMaxRelayTarget + 1, u'x');
  const char16_t withZero[] = u"C:\\a.exe\0https://x";
  const char16_t odd[] = u"ab";
  const struct {
    ULONG_PTR Tag;
    const void* Data;
    DWORD Bytes;
    const char16_t* Taken;  // null: refused
  } cases[] = {
      {kRelayTargetTag, u"https://example.com/ \x01", 44, u"https://example.com/ \x01"},  // trimmed by the relay
      {kRelayTargetTag, u"C:\\MT4\\terminal.exe\u00e9", 40, u"C:\\MT4\\terminal.exe\u00e9"},
      {kRelayTargetTag, longest.data(), DWORD(longest.size() * 2), longest.c_str()},
      {kRelayTargetTag, tooLong.data(), DWORD(tooLong.size() * 2), nullptr},
      {kRelayTargetTag, withZero, DWORD(sizeof(withZero) - 2), nullptr},
      {kRelayTargetTag, odd, 3, nullptr},
      {kRelayTargetTag, odd, 0, nullptr},
      {kRelayTargetTag, nullptr, 4, nullptr},
      {kRelayTargetTag + 1, odd, 4, nullptr},
  };
  for (const auto& c : cases) {
    COPYDATASTRUCT record{c.Tag, c.Bytes, const_cast<void*>(c.Data)};
    std::u16string target = u"unchanged";
    EXPECT_EQ(ReadRelayTarget(record, target), c.Taken != nullptr) << c.Bytes;
    EXPECT_EQ(target, c.Taken ? std::u16string(c.Taken) : u"unchanged") << c.Bytes;
  }
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
