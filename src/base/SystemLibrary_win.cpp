#include "base/SystemLibrary.h"

namespace zp {
namespace {

// Looked up: SetDefaultDllDirectories came with an update of Windows 7, and
// SetDllDirectoryW is missing from the first Windows XP.
template <typename F>
F KernelFunction(const char* name) noexcept {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

void RestrictDllSearch() noexcept {
  using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD flags);
  using TSetDllDirectoryW = BOOL(WINAPI*)(LPCWSTR folder);
  const auto setDefault = KernelFunction<TSetDefaultDllDirectories>("SetDefaultDllDirectories");
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  if (const auto setFolder = KernelFunction<TSetDllDirectoryW>("SetDllDirectoryW")) setFolder(L"");
}

void PreloadSystemLibraries() noexcept {
  static const wchar_t* const kNames[] = {L"uxtheme.dll", L"msimg32.dll", L"version.dll"};
  for (const wchar_t* name : kNames) LoadSystemLibrary(name);
}

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
  if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  // A system without the search flags refuses them as an invalid parameter:
  // name the file by its full path in the system folder instead.
  if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  wchar_t path[MAX_PATH];
  const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
  const size_t length = static_cast<size_t>(lstrlenW(name));
  if (folder == 0 || folder + 1 + length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  path[folder] = L'\\';
  lstrcpyW(path + folder + 1, name);
  // Its own DLLs are then searched for in the system folder as well.
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace zp
