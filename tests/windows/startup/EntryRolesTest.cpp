// The program entry in real processes (the probe: the entry with a stand-in
// wizard): which command lines become the relay and which the wizard, what
// the relay passes to its child, who gets UseRelay, and the targets handed
// over to the relay, none lost, nothing written to disk. Windows 7 as wine reports it, and Windows
// XP through wine's version setting for one program name.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "TestFolders.h"
#include "base/WinHandles.h"
#include "startup/Roles.h"

namespace zp {
namespace {

// Where the hand-over once went through a file: nothing is written there.
bool HandOverFileExists() {
  char appData[MAX_PATH] = {};
  GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
  return GetFileAttributesA((std::string(appData) + "\\ZpInstall\\command.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct TLine {
  std::string Kind;
  DWORD Pid = 0;
  std::string Rest;
};

std::vector<TLine> ReadLog(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<TLine> lines;
  for (std::string text; std::getline(in, text);) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream fields(text);
    TLine line;
    fields >> line.Kind >> line.Pid;
    std::getline(fields >> std::ws, line.Rest);
    lines.push_back(line);
  }
  return lines;
}

struct TRun {
  DWORD Pid = 0;
  DWORD ExitCode = STILL_ACTIVE;
  uint64_t ExitTime = 0;
  std::vector<TLine> Log;
  const TLine* Find(const std::string& kind) const {
    for (const TLine& line : Log)
      if (line.Kind == kind) return &line;
    return nullptr;
  }
};

class EntryRoles : public ::testing::Test {
protected:
  EntryRoles() { SetEnvironmentVariableA("ZP_PROBE_LOG", log_.c_str()); }
  ~EntryRoles() override {
    SetEnvironmentVariableA("ZP_PROBE_LOG", nullptr);
    SetEnvironmentVariableA("ZP_PROBE_HIDDEN", nullptr);
    SetEnvironmentVariableA("ZP_PROBE_CLOSE_MS", nullptr);
  }

  // Runs the probe copied as `name` with `arguments` until it has ended.
  TRun Run(const std::string& name, const std::string& arguments) {
    const std::string exe = tree_ / name;
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) tree_.Copy(HostPath(PROBE_EXE), name);
    DeleteFileA(log_.c_str());
    std::string command = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    TProcessInfo process;
    TRun run;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process.Info)) {
      ADD_FAILURE() << "cannot start " << command;
      return run;
    }
    run.Pid = process.Info.dwProcessId;
    EXPECT_EQ(WaitForSingleObject(process.Info.hProcess, 20000), WAIT_OBJECT_0) << command;
    GetExitCodeProcess(process.Info.hProcess, &run.ExitCode);
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(process.Info.hProcess, &creation, &exit, &kernel, &user);
    run.ExitTime = uint64_t(exit.dwHighDateTime) << 32 | exit.dwLowDateTime;
    run.Log = ReadLog(log_);
    return run;
  }

  TTempTree tree_;
  const std::string log_ = tree_ / "probe.log";
};

// The relay's child: a wizard whose parent is the relay, started with
// exactly "spawn", which hands its target to the relay; the relay opens it
// and ends with 0 soon after the child closes.
void ExpectRelayRun(const TRun& run, const std::string& context) {
  EXPECT_EQ(run.ExitCode, 0u) << context;
  const TLine* wizard = run.Find("wizard");
  ASSERT_NE(wizard, nullptr) << context;
  EXPECT_NE(wizard->Pid, run.Pid) << context;
  std::istringstream rest(wizard->Rest);
  DWORD parent = 0;
  int useRelay = -1;
  rest >> parent >> useRelay;
  std::string commandLine;
  std::getline(rest >> std::ws, commandLine);
  EXPECT_EQ(parent, run.Pid) << context;
  EXPECT_EQ(useRelay, 1) << context;
  EXPECT_EQ(FirstArgument(commandLine), "spawn") << commandLine;
  EXPECT_EQ(commandLine.substr(commandLine.size() - 6), " spawn") << commandLine;  // nothing more
  std::vector<std::string> opened;
  for (const TLine& line : run.Log)
    if (line.Kind == "open" && line.Pid == run.Pid) opened.push_back(line.Rest);
  const std::string from = "target-from-" + std::to_string(wizard->Pid);
  EXPECT_EQ(opened, (std::vector<std::string>{from + "-1", from + "-2"})) << context;
  EXPECT_EQ(run.Find("refused"), nullptr) << context;
  EXPECT_FALSE(HandOverFileExists()) << context;
  // (The child's own end is "returned": wine without a window manager takes
  // two seconds to hide a window, between "closing" and "returned".)
  const TLine* returned = nullptr;
  for (const TLine& line : run.Log)
    if (line.Kind == "returned" && line.Pid == wizard->Pid) returned = &line;
  ASSERT_NE(returned, nullptr) << context;
  const int64_t lagMs = (static_cast<int64_t>(run.ExitTime) - std::stoll(returned->Rest)) / 10000;
  std::printf("%s: relay ended %lld ms after its child\n", context.c_str(), static_cast<long long>(lagMs));
  EXPECT_LE(lagMs, 500) << context;
}

// The wizard in the started process itself, opening its targets itself.
void ExpectWizardRun(const TRun& run, const std::string& context) {
  EXPECT_EQ(run.ExitCode, 0u) << context;
  const TLine* wizard = run.Find("wizard");
  ASSERT_NE(wizard, nullptr) << context;
  EXPECT_EQ(wizard->Pid, run.Pid) << context;
  EXPECT_EQ(wizard->Rest.substr(wizard->Rest.find(' ') + 1, 2), "0 ") << context;
  EXPECT_EQ(run.Find("open"), nullptr) << context;
  EXPECT_FALSE(HandOverFileExists()) << context;
}

TEST_F(EntryRoles, OnWindows7OnlyExactlySpawnShowsTheWizardAtOnce) {
  const struct {
    const char* Name;
    const char* Arguments;
    bool Relay;
  } cases[] = {
      {"Setup.exe", "", true},           {"Setup.exe", "Spawn", true},
      {"Setup.exe", "\"spawn \"", true}, {"Setup.exe", "spawnx", true},
      {"Setup.exe", "install spawn", true}, {"Setup.exe", "spawn", false},
      {"Setup.exe", "spawn more arguments", false},
      {"Uninstall.exe", "", true},       {"UNINSTALL.EXE", "spawn", false},
  };
  for (const auto& c : cases) {
    const std::string context = std::string(c.Name) + " [" + c.Arguments + "]";
    if (c.Relay)
      ExpectRelayRun(Run(c.Name, c.Arguments), context);
    else
      ExpectWizardRun(Run(c.Name, c.Arguments), context);
  }
}

// A child that hands over its targets and ends at once: the relay opens
// every one of them, start after start.
TEST_F(EntryRoles, TheRelayGetsEveryTargetOfAChildThatEndsAtOnce) {
  SetEnvironmentVariableA("ZP_PROBE_HIDDEN", "1");
  SetEnvironmentVariableA("ZP_PROBE_CLOSE_MS", "1");
  for (int start = 1; start <= 50; ++start) ExpectRelayRun(Run("Setup.exe", ""), "start " + std::to_string(start));
}

TEST_F(EntryRoles, OnWindowsXPEveryCommandLineShowsTheWizardAtOnce) {
  for (const char* name : {"SetupXP.exe", "uninstall.EXE"}) {
    TSavedRegistryValue version(HKEY_CURRENT_USER, std::string("Software\\Wine\\AppDefaults\\") + name, "Version");
    version.SetString("winxp64");
    for (const char* arguments : {"", "spawn"})
      ExpectWizardRun(Run(name, arguments), std::string(name) + " on XP [" + arguments + "]");
  }
}

}  // namespace
}  // namespace zp
