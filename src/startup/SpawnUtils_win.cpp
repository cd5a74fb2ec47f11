#include "startup/SpawnUtils.h"

#include <windows.h>
#include <shellapi.h>

#include "base/Errors.h"
#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/RunFiles.h"
#include "engine/SysFolders.h"
#include "wizard/RelayLink.h"

namespace zp {
namespace {

// Vista's function: looked up, so that the program still loads on Windows XP.
bool ProcessImagePath(HANDLE process, std::string& path) {
  using TQuery = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
  const auto query = reinterpret_cast<TQuery>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
  wchar_t buffer[MAX_PATH * 2];
  DWORD size = MAX_PATH * 2;
  if (!query || !query(process, 0, buffer, &size)) return false;
  path = Utf8FromW(buffer, size);
  return true;
}

// The same file, however its two paths are spelt (case, short names).
bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    TScopedHandle file(CreateFileW(WStr(*paths[i]).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                             nullptr));
    if (!file || !GetFileInformationByHandle(file.Get(), &info[i])) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

uint64_t CreationTime(HANDLE process) {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return 0;
  return uint64_t(creation.dwHighDateTime) << 32 | creation.dwLowDateTime;
}


}  // namespace

void OpenWithShell(const std::string& target) {
  ShellExecuteW(nullptr, L"open", WStr(target).c_str(), nullptr, nullptr, SW_SHOW);
}

bool IsStartedByRelay() {
  const DWORD parentId = ParentProcessId();
  if (parentId == 0) return false;
  TScopedHandle parent(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, parentId));
  if (!parent) return GetLastError() == ERROR_ACCESS_DENIED;
  std::string parentPath;
  if (WaitForSingleObject(parent.Get(), 0) != WAIT_TIMEOUT || !ProcessImagePath(parent.Get(), parentPath))
    return false;
  // A process id can be used again once its process has ended.
  const uint64_t parentStart = CreationTime(parent.Get()), ownStart = CreationTime(GetCurrentProcess());
  if (parentStart == 0 || ownStart == 0 || parentStart > ownStart) return false;
  return SameFile(parentPath, OwnExecutablePath());
}

}  // namespace zp
