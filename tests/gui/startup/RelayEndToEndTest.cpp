// The installer end to end under wine64: started as a double-click starts it,
// it becomes the relay and starts the wizard elevated; the wizard, walked to
// Finish, hands the link clicked on its welcome page and the terminal chosen
// on its finish page to the relay, which opens them with the user's rights.
// Started with "spawn" by hand, the wizard has no relay and opens the
// terminal itself. The installer's image is the probe: the real entry and
// wizard, with a relay that records its opens instead of opening.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "InstallFixture.h"
#include "WizardDriver.h"
#include "base/WinHandles.h"
#include "engine/RunUtils.h"
#include "zpbuild/PackageWriter.h"

namespace zp {
namespace {

std::string HandOverFile() {
  char appData[MAX_PATH] = {};
  GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
  return std::string(appData) + "\\ZpInstall\\command.txt";
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class RelayEndToEnd : public TInstallTest {
protected:
  RelayEndToEnd() {
    char programFiles[MAX_PATH];
    GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH);
    terminal_ = std::string(programFiles) + "\\" + places_.ProgramName + " Terminal";
    DeleteTree(terminal_);
    ForceDirectories(terminal_);
    // The trace program as terminal.exe: it leaves trace.txt when it runs.
    EXPECT_TRUE(CopyFileA(HostPath(TRACE_EXE).c_str(), (terminal_ + "\\terminal.exe").c_str(), FALSE));
    SetEnvironmentVariableA("ZP_PROBE_LOG", log_.c_str());

    TProject project;
    project.ProgramName = places_.ProgramName;
    project.Files = {FileRecord("{experts}\\E2E.ex4", "e2e")};
    project.Translations = {{117, "<link>https://example.com/e2e</link> tells more about %1."}};
    BuildPackage(project, LoadStubImage(HostPath(INSTALL_PROBE_EXE)), setup_);
  }
  ~RelayEndToEnd() override {
    SetEnvironmentVariableA("ZP_PROBE_LOG", nullptr);
    DeleteTree(terminal_);
  }

  // Starts the installer with `arguments`, walks its wizard and waits for it.
  DWORD InstallWith(const std::string& arguments, bool clickLink) {
    std::string command = "\"" + setup_ + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    TProcessInfo process;
    EXPECT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               process.Out()));
    pid_ = process.Info.dwProcessId;
    HWND form = WaitForWizard(30000);
    EXPECT_NE(form, nullptr);
    if (!form) return 99;
    TDriveOptions options;
    options.ClickLink = clickLink;
    options.ShotPrefix = "relay-e2e";
    const TDriveResult walked = DriveWizard(form, options);
    EXPECT_TRUE(walked.Finished);
    EXPECT_FALSE(walked.Log.empty());
    if (!walked.Log.empty()) {
      EXPECT_EQ(walked.Log.back(), "Done.");
    }
    EXPECT_EQ(WaitForSingleObject(process.Info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.Info.hProcess, &code);
    return code;
  }

  std::vector<std::string> Opens() const {
    std::vector<std::string> opens;
    for (const std::string& line : Lines(log_)) {
      const std::string prefix = "open " + std::to_string(pid_) + " ";
      if (line.rfind("open ", 0) == 0) opens.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
    }
    return opens;
  }

  std::string terminal_;
  const std::string log_ = Scratch("probe.log");
  const std::string setup_ = Scratch("setup.exe");
  DWORD pid_ = 0;
};

TEST_F(RelayEndToEnd, TheRelayOpensTheWizardsTargets) {
  EXPECT_EQ(InstallWith("", true), 0u);
  const std::vector<std::string> log = Lines(log_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].rfind("wizard ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find(" " + std::to_string(pid_) + " 1 "), std::string::npos) << log[0];  // child, UseRelay
  EXPECT_EQ(Opens(), (std::vector<std::string>{"https://example.com/e2e", terminal_ + "\\terminal.exe"}));
  EXPECT_FALSE(Exists(terminal_ + "\\trace.txt"));  // the wizard opened nothing itself
  EXPECT_FALSE(Exists(HandOverFile()));  // nothing went through a file
}

TEST_F(RelayEndToEnd, SpawnByHandOpensTheTerminalItself) {
  EXPECT_EQ(InstallWith("spawn", false), 0u);
  const std::vector<std::string> log = Lines(log_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].rfind("wizard " + std::to_string(pid_) + " ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find(" 0 "), std::string::npos) << log[0];  // UseRelay false
  EXPECT_TRUE(Opens().empty());
  for (int waited = 0; waited < 100 && !Exists(terminal_ + "\\trace.txt"); ++waited) Sleep(50);
  EXPECT_TRUE(Exists(terminal_ + "\\trace.txt"));
  EXPECT_FALSE(Exists(HandOverFile()));  // nothing went through a file
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() && IsWindowVisible(window) && std::string(name) == "#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// A child that ends early (its package lies past the end of its file: it
// says so and ends with 1) ends the relay as well, at its next tick, and the
// relay passes the failure on.
TEST_F(RelayEndToEnd, TheRelayEndsSoonAfterAChildThatEndedEarly) {
  std::string bytes = ReadText(setup_);
  const uint32_t past = static_cast<uint32_t>(bytes.size() + 1000);
  std::memcpy(&bytes[136], &past, 4);
  WriteText(setup_, bytes);
  std::string command = "\"" + setup_ + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  TProcessInfo process;
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             process.Out()));
  HWND box = nullptr;
  for (int waited = 0; waited < 600 && !box; ++waited) {
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) Sleep(50);
  }
  ASSERT_NE(box, nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(process.Info.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(process.Info.hProcess, &code);
  EXPECT_EQ(code, 1u);
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(process.Info.hProcess, &creation, &exit, &kernel, &user);
  const int64_t relayEnd = static_cast<int64_t>(uint64_t(exit.dwHighDateTime) << 32 | exit.dwLowDateTime);
  int64_t childReturned = 0;
  for (const std::string& line : Lines(log_))
    if (line.rfind("returned ", 0) == 0 && line.find(" " + std::to_string(process.Info.dwProcessId) + " ") != 8)
      childReturned = std::stoll(line.substr(line.rfind(' ') + 1));
  ASSERT_NE(childReturned, 0);
  const int64_t lagMs = (relayEnd - childReturned) / 10000;
  std::printf("the relay ended %lld ms after its child\n", static_cast<long long>(lagMs));
  EXPECT_LE(lagMs, 500);
}

}  // namespace
}  // namespace zp
