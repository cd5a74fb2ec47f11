// The relay window in this process, with its launch, shell and message box
// replaced: the exit codes, how soon it follows its child's end, and whose
// targets it takes. The child is the trace program, sleeping.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "TestFolders.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "startup/SpawnUtils.h"
#include "startup/UnitDummy.h"
#include "wizard/RelayLink.h"

namespace zp {
namespace {

int64_t NowMs() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<int64_t>((uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000);
}

int64_t ExitMs(HANDLE process) {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return 0;
  return static_cast<int64_t>((uint64_t(exit.dwHighDateTime) << 32 | exit.dwLowDateTime) / 10000);
}

class Relay : public ::testing::Test {
protected:
  Relay() : trace_(tree_.Copy(HostPath(TRACE_EXE), "trace.exe")) {}

  // A shell whose launch starts the trace program sleeping `sleepMs` (its
  // handle kept in child_) and whose "open" records the target and time.
  TRelayShell Shell(int sleepMs) {
    TRelayShell shell;
    shell.Launch = [this, sleepMs](const std::string& executable) -> HANDLE {
      launched_ = executable;
      windowsAtLaunch_ = ThreadWindowCount();
      std::string command = "\"" + trace_ + "\" sleep=" + std::to_string(sleepMs);
      STARTUPINFOA startup{};
      startup.cb = sizeof(startup);
      PROCESS_INFORMATION info{};
      if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return nullptr;
      CloseHandle(info.hThread);
      child_.Reset(info.hProcess);
      if (sleepMs == 0) WaitForSingleObject(info.hProcess, 5000);  // ended before the first tick
      HANDLE copy = nullptr;
      DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
      return copy;
    };
    shell.Open = [this](const std::string& target) { opened_.push_back({target, NowMs() - start_}); };
    shell.ShowError = [this](const std::u16string& text) { errors_.push_back(text); };
    return shell;
  }

  // The top-level windows of this thread (the relay's form is one).
  static int ThreadWindowCount() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(), [](HWND, LPARAM counter) { return ++*reinterpret_cast<int*>(counter), TRUE; },
        reinterpret_cast<LPARAM>(&count));
    return count;
  }

  int RunRelay(TRelayShell shell) {
    TApplication application;
    application.ShowMainForm = false;
    start_ = NowMs();
    TFormDummy relay(application, std::move(shell));
    application.SetMainForm(relay);
    const int code = application.Run();
    end_ = NowMs();
    // Terminate leaves its WM_QUIT in the queue; the next loop of this
    // thread must not meet it.
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return code;
  }

  struct TOpen {
    std::string Target;
    int64_t AtMs;
  };
  TTempTree tree_;
  std::string trace_, launched_;
  TScopedHandle child_;
  std::vector<TOpen> opened_;
  std::vector<std::u16string> errors_;
  int64_t start_ = 0, end_ = 0;
  int windowsAtLaunch_ = -1;
};

TEST_F(Relay, FailedLaunchShowsTheSystemsTextAndEndsWithOne) {
  TRelayShell shell = Shell(0);
  shell.Launch = [this](const std::string& executable) -> HANDLE {
    launched_ = executable;
    SetLastError(ERROR_CANCELLED);  // the user declined the elevation prompt
    return nullptr;
  };
  EXPECT_EQ(RunRelay(shell), 1);
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_EQ(launched_, self);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], u"Unable to launch installer: " + Utf8ToWide(SystemErrorText(ERROR_CANCELLED)));
  EXPECT_GT(errors_[0].size(), std::u16string(u"Unable to launch installer: ").size() + 5);
}

// The relay waits for its child in slices of a 200 ms tick plus a 100 ms
// wait, so it ends about 300 ms after its child at the latest.
TEST_F(Relay, EndsWithZeroSoonAfterItsChild) {
  for (int sleepMs : {0, 700, 1150}) {
    child_.Reset();
    EXPECT_EQ(RunRelay(Shell(sleepMs)), 0);
    ASSERT_TRUE(child_);
    const int64_t lag = end_ - ExitMs(child_.Get());
    std::printf("child slept %d ms: relay ended %lld ms after it\n", sleepMs, static_cast<long long>(lag));
    EXPECT_LE(lag, 450) << sleepMs;
    EXPECT_GE(end_ - start_, sleepMs) << sleepMs;
    EXPECT_TRUE(errors_.empty());
    // The child starts before the relay makes a window: the first one
    // costs the relay its connection to the display.
    EXPECT_EQ(windowsAtLaunch_, 0) << sleepMs;
    EXPECT_EQ(ThreadWindowCount(), 0) << sleepMs;  // and it is gone again
  }
}

// Only its elevated copy hands the relay targets: a well-formed one from
// any other window (here one of this process) is refused and never opened.
TEST_F(Relay, TakesTargetsFromItsChildOnly) {
  BOOL taken = -1;
  TTimer send;
  send.SetInterval(300);
  send.OnTimer = [&](TTimer& timer) {
    timer.SetEnabled(false);
    HWND relay = FindRelayWindow(GetCurrentProcessId());
    ASSERT_NE(relay, nullptr);
    const std::u16string target = u"C:\\Terminal\\terminal.exe";
    COPYDATASTRUCT record{kRelayTargetTag, DWORD(target.size() * 2), const_cast<char16_t*>(target.data())};
    taken = static_cast<BOOL>(SendMessageW(relay, WM_COPYDATA, reinterpret_cast<WPARAM>(relay),
                                           reinterpret_cast<LPARAM>(&record)));
  };
  send.SetEnabled(true);
  EXPECT_EQ(RunRelay(Shell(800)), 0);
  EXPECT_EQ(taken, FALSE);
  EXPECT_TRUE(opened_.empty());
}

}  // namespace
}  // namespace zp
