#include <windows.h>

#include <cstring>

#include "BuilderOS.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/RunFiles.h"
#include "engine/SysFolders.h"

namespace zp {
namespace {

uint64_t FromFileTime(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

FILETIME ToFileTime(uint64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

const char kPathSeparator = '\\';

TFileTimes GetFileTimes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) RaiseLastOSError(path);
  return {FromFileTime(data.ftCreationTime), FromFileTime(data.ftLastWriteTime)};
}

void SetFileTimes(const std::string& path, const TFileTimes& times) {
  TScopedHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) RaiseLastOSError(path);
  const FILETIME creation = ToFileTime(times.CreationTime), lastWrite = ToFileTime(times.LastWriteTime);
  if (!SetFileTime(file.Get(), &creation, &lastWrite, &lastWrite)) RaiseLastOSError(path);
}

uint64_t CurrentFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FromFileTime(now);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  if (folder.empty() || DirectoryExists(folder)) return;
  const size_t cut = folder.find_last_of("\\/");
  // Stop at a drive ("C:") and at the root.
  if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':') CreateDirectories(folder.substr(0, cut));
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    RaiseLastOSError(folder);
  if (!DirectoryExists(folder)) {
    SetLastError(ERROR_DIRECTORY);
    RaiseLastOSError(folder);
  }
}

void RenameReplacing(const std::string& from, const std::string& to) {
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) RaiseLastOSError(to);
}

void RemoveFileQuietly(const std::string& path) noexcept { DeleteFileA(path.c_str()); }

std::vector<TFolderEntry> ListFolder(const std::string& path) {
  TFileSearch search(path + "\\*");
  if (!search.Found()) RaiseLastOSError(path);
  std::vector<TFolderEntry> entries;
  for (; search.Found(); search.Next())
    if (!search.IsDots()) entries.push_back({search.Name(), search.IsFolder()});
  // The search ended with the last entry, or with an error.
  if (GetLastError() != ERROR_NO_MORE_FILES) RaiseLastOSError(path);
  return entries;
}

// Windows lists names in the ANSI code page already.
bool NativeNameToAnsi(const std::string& name, std::string& ansi) {
  ansi = name;
  return true;
}

std::string ExecutableFolder() {
  const std::string folder = ExtractFileDir(OwnExecutablePath());
  return folder.empty() ? "." : folder;
}

std::string NativePath(const std::string& utf8) {
  std::u16string wide;
  if (DecodeUtf8(utf8, wide)) {
    std::string ansi = WideToAnsi(wide);
    if (AnsiToWide(ansi) == wide) {
      for (char& c : ansi)
        if (c == '/') c = '\\';
      return ansi;
    }
  }
  throw EZpError("the path \"" + utf8 + "\" cannot be written in this system's code page");
}

namespace {

// What the console's handler thread needs, set before it is armed.
char gCleanupPath[MAX_PATH * 4];
volatile LONG gCleanupArmed = 0;

BOOL WINAPI RemoveOnConsoleEvent(DWORD) {
  // The file is open with delete sharing: it goes when the process closes it.
  if (InterlockedCompareExchange(&gCleanupArmed, 0, 0)) DeleteFileA(gCleanupPath);
  return FALSE;  // the next handler, in the end the system's, ends the process
}

}  // namespace

TInterruptCleanup::TInterruptCleanup(const std::string& path) {
  if (path.size() >= sizeof gCleanupPath) return;
  std::memcpy(gCleanupPath, path.c_str(), path.size() + 1);
  InterlockedExchange(&gCleanupArmed, 1);
  SetConsoleCtrlHandler(RemoveOnConsoleEvent, TRUE);
}

TInterruptCleanup::~TInterruptCleanup() {
  if (!InterlockedExchange(&gCleanupArmed, 0)) return;
  SetConsoleCtrlHandler(RemoveOnConsoleEvent, FALSE);
}

void PrepareConsole() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace zp
