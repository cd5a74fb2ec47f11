// The Windows version test and the elevated relaunch. Windows only.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "base/Strings.h"

namespace zp {

// The two kernel32 functions of the version test, looked up by name once
// when the program starts (a Windows older than 2000 has neither; a missing
// one stays null).
using TVerSetConditionMask = ULONGLONG(WINAPI*)(ULONGLONG mask, DWORD typeBit, BYTE condition);
using TVerifyVersionInfoW = BOOL(WINAPI*)(OSVERSIONINFOEXW* info, DWORD typeMask, DWORDLONG conditionMask);

struct TVersionFunctions {
  TVerSetConditionMask VerSetConditionMask = nullptr;
  TVerifyVersionInfoW VerifyVersionInfoW = nullptr;
};

// The functions found in the running system at start-up.
const TVersionFunctions& SystemVersionFunctions();

// True on Windows 6.0 (Vista, no service pack) or later; false when either
// function is missing. The second form asks `functions` instead of the system.
bool IsVistaOrLater();
bool IsVistaOrLater(const TVersionFunctions& functions);

// Starts `path` again through the shell's elevation prompt ("runas") with the
// single argument "spawn", in the system folder. Returns the new process's
// handle, or null when the launch failed or was declined (GetLastError says
// why). The caller owns the handle.
HANDLE LaunchElevated(const std::string& path);

// The shell-execute record LaunchElevated hands to ShellExecuteExW. `File`
// and `Directory` keep the strings the record points to.
struct TElevatedLaunch {
  explicit TElevatedLaunch(const std::string& path);
  TElevatedLaunch(const TElevatedLaunch&) = delete;
  TElevatedLaunch& operator=(const TElevatedLaunch&) = delete;

  TWideText File, Directory;
  SHELLEXECUTEINFOW Info;
};

}  // namespace zp
