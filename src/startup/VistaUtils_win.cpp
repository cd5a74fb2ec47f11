#include "startup/VistaUtils.h"

#include <shellapi.h>

#include "base/Strings.h"
#include "engine/RunFiles.h"

namespace zp {
namespace {

constexpr BYTE kGreaterEqual = 3;  // VER_GREATER_EQUAL
constexpr DWORD kMajor = 2, kMinor = 1, kServicePackMajor = 32, kServicePackMinor = 16;
constexpr DWORD kTypeMask = kMajor | kMinor | kServicePackMajor | kServicePackMinor;  // 51
static_assert(kTypeMask == 51, "the four type bits together");
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the wide extended version record");

TVersionFunctions LookUpVersionFunctions() {
  TVersionFunctions functions;
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    functions.VerSetConditionMask =
        reinterpret_cast<TVerSetConditionMask>(reinterpret_cast<void*>(GetProcAddress(kernel, "VerSetConditionMask")));
    functions.VerifyVersionInfoW =
        reinterpret_cast<TVerifyVersionInfoW>(reinterpret_cast<void*>(GetProcAddress(kernel, "VerifyVersionInfoW")));
  }
  return functions;
}

std::string SystemFolderPath() {
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  return length > 0 && length < MAX_PATH ? Utf8FromW(system, length) : std::string();
}

// Looked up while the program's units initialise, before the entry runs.
const TVersionFunctions kSystemVersionFunctions = LookUpVersionFunctions();

}  // namespace

const TVersionFunctions& SystemVersionFunctions() { return kSystemVersionFunctions; }

bool IsVistaOrLater() { return IsVistaOrLater(SystemVersionFunctions()); }

bool IsVistaOrLater(const TVersionFunctions& functions) {
  if (!functions.VerSetConditionMask || !functions.VerifyVersionInfoW) return false;
  ULONGLONG mask = 0;
  for (DWORD typeBit : {kMajor, kMinor, kServicePackMajor, kServicePackMinor})
    mask = functions.VerSetConditionMask(mask, typeBit, kGreaterEqual);
  OSVERSIONINFOEXW info;
  ZeroMemory(&info, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  info.dwMajorVersion = 6;
  return functions.VerifyVersionInfoW(&info, kTypeMask, mask) != FALSE;
}

// The elevated copy runs in the system folder, not in the folder it was
// started from (Downloads, say), which any program of the user can fill.
TElevatedLaunch::TElevatedLaunch(const std::string& path) : File(path), Directory(SystemFolderPath()) {
  ZeroMemory(&Info, sizeof(Info));
  Info.cbSize = sizeof(Info);
  Info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
  Info.lpVerb = L"runas";
  Info.lpFile = File.c_str();
  Info.lpParameters = L"spawn";
  Info.lpDirectory = Directory.c_str();
  Info.nShow = SW_SHOWNORMAL;
}

HANDLE LaunchElevated(const std::string& path) {
  TElevatedLaunch launch(path);
  if (!ShellExecuteExW(&launch.Info)) return nullptr;
  return launch.Info.hProcess;
}

}  // namespace zp
