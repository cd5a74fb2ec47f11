#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "base/Errors.h"
#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"

namespace zp {

namespace {

enum class TSource { UserShell, CommonShell, VersionKey, WindowsDir, SystemDir, TempDir, SystemDrive, BootDrive };

struct TFolderKind {
  TSource Source;
  const char* ValueName;  // registry sources
  int Csidl;              // the shell's id of the same folder, -1 for none
};

constexpr int kNoCsidl = -1;

// Indexed by TSpecialFolder.
const TFolderKind kKinds[kSpecialFolderCount] = {
    {TSource::UserShell, "Desktop", CSIDL_DESKTOPDIRECTORY},
    {TSource::UserShell, "Start Menu", CSIDL_STARTMENU},
    {TSource::UserShell, "Programs", CSIDL_PROGRAMS},
    {TSource::UserShell, "Startup", CSIDL_STARTUP},
    {TSource::UserShell, "Personal", CSIDL_PERSONAL},
    {TSource::UserShell, "My Pictures", CSIDL_MYPICTURES},
    {TSource::UserShell, "My Music", CSIDL_MYMUSIC},
    {TSource::UserShell, "My Video", CSIDL_MYVIDEO},
    {TSource::UserShell, "AppData", CSIDL_APPDATA},
    {TSource::UserShell, "Fonts", CSIDL_FONTS},
    {TSource::UserShell, "SendTo", CSIDL_SENDTO},
    {TSource::UserShell, "Recent", CSIDL_RECENT},
    {TSource::UserShell, "Favorites", CSIDL_FAVORITES},
    {TSource::UserShell, "Cache", CSIDL_INTERNET_CACHE},
    {TSource::UserShell, "Cookies", CSIDL_COOKIES},
    {TSource::UserShell, "History", CSIDL_HISTORY},
    {TSource::UserShell, "NetHood", CSIDL_NETHOOD},
    {TSource::UserShell, "PrintHood", CSIDL_PRINTHOOD},
    {TSource::UserShell, "Templates", CSIDL_TEMPLATES},
    {TSource::UserShell, "Local AppData", CSIDL_LOCAL_APPDATA},
    {TSource::UserShell, "Local Settings", kNoCsidl},
    {TSource::UserShell, "CD Burning", CSIDL_CDBURN_AREA},
    {TSource::UserShell, "Administrative Tools", CSIDL_ADMINTOOLS},
    {TSource::WindowsDir, nullptr, kNoCsidl},
    {TSource::SystemDir, nullptr, kNoCsidl},
    {TSource::TempDir, nullptr, kNoCsidl},
    {TSource::SystemDrive, nullptr, kNoCsidl},
    {TSource::BootDrive, nullptr, kNoCsidl},
    {TSource::VersionKey, "ProgramFilesDir", CSIDL_PROGRAM_FILES},
    {TSource::VersionKey, "CommonFilesDir", CSIDL_PROGRAM_FILES_COMMON},
    {TSource::VersionKey, "ConfigPath", kNoCsidl},
    {TSource::VersionKey, "DevicePath", kNoCsidl},
    {TSource::VersionKey, "MediaPath", kNoCsidl},
    {TSource::VersionKey, "WallPaperDir", kNoCsidl},
    {TSource::CommonShell, "Common Administrative Tools", CSIDL_COMMON_ADMINTOOLS},
    {TSource::CommonShell, "Common AppData", CSIDL_COMMON_APPDATA},
    {TSource::CommonShell, "Common Desktop", CSIDL_COMMON_DESKTOPDIRECTORY},
    {TSource::CommonShell, "Common Documents", CSIDL_COMMON_DOCUMENTS},
    {TSource::CommonShell, "Common Programs", CSIDL_COMMON_PROGRAMS},
    {TSource::CommonShell, "Common Start Menu", CSIDL_COMMON_STARTMENU},
    {TSource::CommonShell, "Common Startup", CSIDL_COMMON_STARTUP},
    {TSource::CommonShell, "Common Templates", CSIDL_COMMON_TEMPLATES},
    {TSource::CommonShell, "CommonMusic", CSIDL_COMMON_MUSIC},
    {TSource::CommonShell, "CommonPictures", CSIDL_COMMON_PICTURES},
    {TSource::CommonShell, "CommonVideo", CSIDL_COMMON_VIDEO},
};

const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

// A value of a key that is opened (and created when missing) for every read.
std::string ReadKeyValue(HKEY root, const char* key, const char* name) {
  TRegKey reg;
  std::string value;
  if (reg.OpenOrCreate(root, key)) reg.ReadString(name, value);
  return value;
}

// Environment references ("%SystemRoot%\...") expanded, as far as they are set.
std::string ExpandEnvironment(const std::string& text) {
  const TWideText wide = WStr(text);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0) return text;
    if (needed <= buffer.size()) return Utf8FromW(buffer.data());
    buffer.resize(needed);
  }
}

// Calls a kernel32 folder function (GetWindowsDirectoryW and the like), which
// returns the length it needs when the buffer is too small.
template <typename TGetter>
std::string KernelFolder(TGetter getter) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const UINT length = getter(static_cast<UINT>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length < buffer.size()) return Utf8FromW(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

std::string WindowsFolder() {
  return KernelFolder([](UINT size, wchar_t* buffer) { return GetWindowsDirectoryW(buffer, size); });
}

std::string SystemFolderPath() {
  return KernelFolder([](UINT size, wchar_t* buffer) { return GetSystemDirectoryW(buffer, size); });
}

std::string TempFolder() {
  return KernelFolder([](UINT size, wchar_t* buffer) { return static_cast<UINT>(GetTempPathW(size, buffer)); });
}

std::string BootDrive() {
  TRegKey reg;
  std::string value;
  if (reg.Open(HKEY_LOCAL_MACHINE, kSetupKey)) reg.ReadString("BootDir", value);
  if (value.empty()) value = "C:\\";
  if (value.back() == '\\') value.pop_back();
  return value;
}

std::string ShellFolderPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (csidl == kNoCsidl || FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return Utf8FromW(path);
}

std::string ReadFolder(const TFolderKind& kind) {
  switch (kind.Source) {
    case TSource::UserShell:
      return ReadKeyValue(HKEY_CURRENT_USER, kShellFoldersKey, kind.ValueName);
    case TSource::CommonShell:
      return ReadKeyValue(HKEY_LOCAL_MACHINE, kShellFoldersKey, kind.ValueName);
    case TSource::VersionKey: {
      const std::string value = ReadKeyValue(HKEY_LOCAL_MACHINE, kVersionKey, kind.ValueName);
      return value.find('%') == std::string::npos ? value : ExpandEnvironment(value);
    }
    case TSource::WindowsDir:
      return WindowsFolder();
    case TSource::SystemDir:
      return SystemFolderPath();
    case TSource::TempDir:
      return TempFolder();
    case TSource::SystemDrive:
      return SystemFolderPath().substr(0, 2);
    case TSource::BootDrive:
      return BootDrive();
  }
  return {};
}

}  // namespace

std::string GetSpecialFolder(TSpecialFolder kind, bool trailingBackslash) {
  const auto index = static_cast<size_t>(kind);
  std::string folder;
  if (index < static_cast<size_t>(kSpecialFolderCount)) {
    const TFolderKind& source = kKinds[index];
    folder = ReadFolder(source);
    // The Shell Folders keys are a mirror that Windows does not always fill
    // (a fresh account, a folder never opened); the shell itself knows.
    if (folder.empty()) folder = ShellFolderPath(source.Csidl);
  }
  if (trailingBackslash && (folder.empty() || folder.back() != '\\')) folder += '\\';
  return folder;
}

std::string SystemFolder(TSpecialFolder kind) { return GetSpecialFolder(kind, false); }

std::string OwnExecutablePath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return Utf8FromW(path.data(), length);
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
}

}  // namespace zp
