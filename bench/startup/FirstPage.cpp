// bench_first_page: the time from starting an installer to its first page on
// the screen: a visible wizard window (ours: class "ZpForm" of the wizard's
// size; NSIS: its "#32770" dialog) whose window procedure has gone idle with
// nothing left to paint. Prints the milliseconds, then closes the installer
// (ours through its close box, NSIS by ending its process).
//   bench_first_page PROGRAM [ARGUMENTS]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct TSearch {
  HWND Found = nullptr;
};

BOOL CALLBACK FindPage(HWND window, LPARAM data) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof(name));
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  RECT client{};
  GetClientRect(window, &client);
  const std::string kind = name;
  const bool ours = kind == "ZpForm" && client.right == 513 && client.bottom == 368;
  if (process != GetCurrentProcessId() && IsWindowVisible(window) && (ours || kind == "#32770")) {
    reinterpret_cast<TSearch*>(data)->Found = window;
    return FALSE;
  }
  return TRUE;
}

// Idle and painted: a message sent through its queue has been answered and
// neither the window nor a child has an update region left.
bool Painted(HWND window) {
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) return false;
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_first_page PROGRAM [ARGUMENTS]\n");
    return 2;
  }
  std::string command = std::string("\"") + argv[1] + "\"";
  for (int i = 2; i < argc; ++i) command += std::string(" ") + argv[i];
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start %s\n", command.c_str());
    return 2;
  }
  HWND page = nullptr;
  for (int polls = 0; polls < 60000; ++polls) {
    TSearch search;
    EnumWindows(FindPage, reinterpret_cast<LPARAM>(&search));
    if (search.Found && Painted(search.Found)) {
      page = search.Found;
      break;
    }
    Sleep(1);
  }
  QueryPerformanceCounter(&now);
  if (!page) {
    std::fprintf(stderr, "no page appeared\n");
    TerminateProcess(process.hProcess, 1);
    return 1;
  }
  std::printf("%.0f\n", double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  char name[32] = {};
  GetClassNameA(page, name, sizeof(name));
  if (std::string(name) == "ZpForm")
    PostMessageW(page, WM_CLOSE, 0, 0);  // the relay ends after the wizard
  else
    TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
