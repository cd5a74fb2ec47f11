#include "wizard/RelayLink.h"

#include <tlhelp32.h>

#include "base/WinHandles.h"

namespace zp {
namespace {

// How long the wizard waits for the relay's window, and for the relay to
// take a target.
constexpr int kFindAttempts = 50, kFindPauseMs = 100;
constexpr UINT kSendTimeoutMs = 10000;

struct TRelaySearch {
  DWORD Process;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchRelayWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<TRelaySearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[8] = {};
  if (process != search.Process || GetClassNameW(window, name, 8) != 6 || lstrcmpW(name, L"ZpForm") != 0)
    return TRUE;
  search.Found = window;
  return FALSE;
}

}  // namespace

DWORD ParentProcessId() {
  TScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  const DWORD self = GetCurrentProcessId();
  for (BOOL found = Process32FirstW(snapshot.Get(), &entry); found; found = Process32NextW(snapshot.Get(), &entry))
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  return 0;
}

HWND FindRelayWindow(DWORD relay) {
  TRelaySearch search{relay};
  if (relay != 0) EnumWindows(MatchRelayWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool SendToRelay(HWND sender, const std::u16string& target) {
  if (target.empty() || target.size() > kMaxRelayTarget) return false;
  const DWORD parent = ParentProcessId();
  HWND relay = FindRelayWindow(parent);
  for (int attempt = 1; !relay && parent != 0 && attempt < kFindAttempts; ++attempt) {
    Sleep(kFindPauseMs);
    relay = FindRelayWindow(parent);
  }
  if (!relay) return false;
  COPYDATASTRUCT record;
  record.dwData = kRelayTargetTag;
  record.cbData = static_cast<DWORD>(target.size() * sizeof(char16_t));
  record.lpData = const_cast<char16_t*>(target.data());
  DWORD_PTR taken = FALSE;
  return SendMessageTimeoutW(relay, WM_COPYDATA, reinterpret_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(&record),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &taken) != 0 &&
         taken == TRUE;
}

bool ReadRelayTarget(const COPYDATASTRUCT& record, std::u16string& target) {
  if (record.dwData != kRelayTargetTag || record.cbData == 0 || record.cbData % sizeof(char16_t) != 0 ||
      record.cbData / sizeof(char16_t) > kMaxRelayTarget || !record.lpData)
    return false;
  std::u16string text(static_cast<const char16_t*>(record.lpData), record.cbData / sizeof(char16_t));
  if (text.find(u'\0') != std::u16string::npos) return false;
  target = std::move(text);
  return true;
}

}  // namespace zp
