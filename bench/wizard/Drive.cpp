// bench_wizard_drive: runs an installer or uninstaller through its pages as
// fast as a user who always clicks the button that leads on, and times it
// from its start to the end of its process.
//
//   bench_wizard_drive OUTPUT PROGRAM [ARGUMENTS]
//
// The program's standard output goes to OUTPUT (a console program such as
// zprun has no pages and is only timed). On our wizard it accepts the
// licence, presses Next wherever a new page allows it and Finish at the end;
// on an NSIS installer it presses the dialog's button 1 (Next, Install,
// Uninstall, Finish) on every new page; a message box is answered with its
// first button. While a progress bar is on the screen and between its ends,
// a thread of its own keeps a question for the bar's position waiting in the
// window's message queue: the answers show how often the window handles its
// messages, and so paints, during the run.
//
// Prints: milliseconds, answers during the run, the longest time between two
// answers (ms), the distinct positions seen.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

bool Shown(HWND window) { return window && IsWindowVisible(window); }

std::vector<HWND> TopWindows(DWORD process) {
  struct TSearch {
    DWORD Process;
    std::vector<HWND> Found;
  } search{process, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s.Process && IsWindowVisible(window)) s.Found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* text) {
  for (HWND child : Descendants(parent))
    if (ClassOf(child) == className && (!text || TextOf(child) == text)) return child;
  return nullptr;
}

double started = 0;

void Click(HWND button) {
  if (std::getenv("BENCH_TRACE")) std::fprintf(stderr, "%.0f click %ls\n", Now() - started, TextOf(button).c_str());
  PostMessageW(button, BM_CLICK, 0, 0);
}

// What the driver has seen and done, so that it presses each page's button
// once and looks up a window's controls only once.
struct TDriver {
  std::set<HWND> answeredBoxes;
  HWND lastPage = nullptr;
  bool acceptClicked = false;
  bool finishClicked = false;
  HWND form = nullptr, next = nullptr, cancel = nullptr, accept = nullptr;
  HWND bar = nullptr;  // the progress bar shown, if any

  // Our wizard: pages are the form's visible children besides the button bar.
  void Wizard(HWND window) {
    if (form != window) {
      form = window;
      next = FindChild(form, L"Button", L"Next >>");
      cancel = FindChild(form, L"Button", L"&Cancel");
      accept = FindChild(form, L"Button", L"I accept the agreement");
      bar = FindChild(form, PROGRESS_CLASSW, nullptr);
    }
    if (!next) return;
    HWND buttons = GetParent(next), page = nullptr;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (child != buttons && IsWindowVisible(child)) page = child;
    if (Shown(accept) && !acceptClicked) {
      acceptClicked = true;
      Click(accept);
    } else if (page != lastPage && Shown(next) && IsWindowEnabled(next)) {
      lastPage = page;
      Click(next);
    } else if (!finishClicked && !IsWindowEnabled(next) && IsWindowEnabled(cancel) && TextOf(cancel) == L"Finish") {
      finishClicked = true;
      Click(cancel);
    }
  }

  // NSIS: each page is a new inner dialog; button 1 leads on.
  void Nsis(HWND dialog) {
    HWND page = FindWindowExW(dialog, nullptr, L"#32770", nullptr);
    HWND button = GetDlgItem(dialog, 1);
    if (!page || page == lastPage) return;
    bar = FindChild(page, PROGRESS_CLASSW, nullptr);
    if (Shown(button) && IsWindowEnabled(button)) {
      lastPage = page;
      Click(button);
    }
  }

  void Box(HWND box) {
    if (!answeredBoxes.insert(box).second) return;
    for (HWND child : Descendants(box))
      if (ClassOf(child) == L"Button" && IsWindowVisible(child)) return Click(child);
  }

  void Step(DWORD process) {
    for (HWND window : TopWindows(process)) {
      const std::wstring name = ClassOf(window);
      if (name == L"#32770" && GetWindow(window, GW_OWNER))
        Box(window);
      else if (name == L"#32770")
        Nsis(window);
      else if (name == L"ZpForm")
        Wizard(window);
    }
  }
};

// The progress bar, asked through the message queue of its window.
struct TFrames {
  int Answers = 0;
  double Longest = 0;
  std::set<int> Positions;
  double lastAnswer = -1;
  HWND rangeOf = nullptr;
  DWORD_PTR high = 0;

  void Sample(HWND bar) {
    DWORD_PTR position = 0;
    // The window answers only when its thread handles messages. The bar's
    // range is asked once, before the run.
    if (bar != rangeOf && Shown(bar) && SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 60000, &high))
      rangeOf = bar;
    if (!Shown(bar) || !SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 60000, &position)) return;
    const double now = Now();
    const int at = static_cast<int>(position);
    if (at <= 0 || at >= static_cast<int>(high)) {
      lastAnswer = -1;  // before the run or after it
      return;
    }
    if (lastAnswer >= 0) Longest = std::max(Longest, now - lastAnswer);
    lastAnswer = now;
    ++Answers;
    Positions.insert(at);
  }
};

// Asks again 10 ms after each answer: a window that works between frames
// finds a question waiting whenever it handles its messages, and answers once
// per frame. (An idle window, NSIS's, answers at once; asking it faster
// slows its installing thread down.)
struct TSampler {
  std::atomic<HWND> Bar{nullptr};
  std::atomic<bool> Stop{false};
  TFrames Frames;

  static DWORD WINAPI Run(void* data) {
    auto& s = *static_cast<TSampler*>(data);
    while (!s.Stop) {
      const HWND bar = s.Bar;
      if (bar) s.Frames.Sample(bar);
      Sleep(bar ? 10 : 5);
    }
    return 0;
  }
};

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_wizard_drive OUTPUT PROGRAM [ARGUMENTS]\n");
    return 2;
  }
  std::wstring command = std::wstring(L"\"") + argv[2] + L"\"";
  // An argument with blanks is quoted, except NSIS's "_?=" that takes the
  // rest of the command line as it stands.
  for (int i = 3; i < argc; ++i) {
    const std::wstring argument = argv[i];
    const bool quote = argument.find(L' ') != std::wstring::npos && argument.rfind(L"_?=", 0) != 0;
    command += quote ? L" \"" + argument + L"\"" : L" " + argument;
  }
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE output = CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS, 0, nullptr);
  if (output == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot create the output file\n");
    return 2;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = output;
  PROCESS_INFORMATION process{};
  const double start = started = Now();
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start %ls\n", command.c_str());
    return 2;
  }
  TDriver driver;
  TSampler sampler;
  HANDLE sampling = CreateThread(nullptr, 0, &TSampler::Run, &sampler, 0, nullptr);
  // A look at the pages every 10 ms.
  while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
    driver.Step(process.dwProcessId);
    sampler.Bar = driver.bar;
  }
  const double end = Now();
  sampler.Stop = true;
  WaitForSingleObject(sampling, INFINITE);
  CloseHandle(sampling);
  const TFrames& frames = sampler.Frames;
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  std::printf("%.0f %d %.0f %zu\n", end - start, frames.Answers, frames.Longest, frames.Positions.size());
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(output);
  return exitCode == 0 ? 0 : 1;
}
