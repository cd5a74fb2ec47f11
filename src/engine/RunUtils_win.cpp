#include <windows.h>

#include <vector>

#include "base/Errors.h"
#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/RunFiles.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"

namespace zp {
namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WStr(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FILETIME ToFileTime(uint64_t time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

void RaiseRegistryError(LONG code, const std::string& context) {
  throw EOSError(static_cast<uint32_t>(code), SystemErrorText(static_cast<uint32_t>(code)) + ": " + context);
}

void SetStringValue(HKEY key, const char* name, const std::string& value, const std::string& keyPath) {
  const TWideText wide = WStr(value);
  const LONG result = RegSetValueExW(key, WStr(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                     static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  if (result != ERROR_SUCCESS) RaiseRegistryError(result, keyPath);
}

std::string BatchPath() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return GetSpecialFolder(TSpecialFolder::Temp, true) + SelfRemovalBatchName({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                              now.wSecond, now.wMilliseconds});
}

}  // namespace

void ForceDirectories(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '\\' && path[path.size() - 2] != ':') path.pop_back();
  if (path.empty()) throw EZpError("Unable to create an unnamed folder");
  if (IsFolder(path)) return;
  const std::string parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path) ForceDirectories(parent);
  if (!CreateDirectoryW(WStr(path).c_str(), nullptr) && !IsFolder(path)) RaiseLastOSError(path);
}

void MakeWritable(const std::string& path) {
  const TWideText wide = WStr(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(wide.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

bool FindLastWriteTime(const std::string& path, uint64_t& time) {
  TFileSearch search(path);
  if (!search.Found()) return false;
  const FILETIME& lastWrite = search.Data().ftLastWriteTime;
  time = uint64_t(lastWrite.dwHighDateTime) << 32 | lastWrite.dwLowDateTime;
  return true;
}

void SetFileTimes(TFileStream& file, uint64_t creationTime, uint64_t lastWriteTime) {
  const HANDLE handle = reinterpret_cast<HANDLE>(file.Handle());
  const FILETIME creation = ToFileTime(creationTime), lastWrite = ToFileTime(lastWriteTime);
  // Zero is no time at all (a record without times): the file keeps its own.
  const FILETIME* created = creationTime != 0 ? &creation : nullptr;
  const FILETIME* written = lastWriteTime != 0 ? &lastWrite : nullptr;
  if (SetFileTime(handle, created, written, written)) return;
  // One time out of range must not cost the other.
  SetFileTime(handle, created, nullptr, nullptr);
  SetFileTime(handle, nullptr, written, written);
}

void RemoveFolderTree(const std::string& folder) {
  if (!IsFolder(folder)) return;
  const std::string prefix = IncludeTrailingBackslash(folder);
  std::vector<std::string> subfolders;
  for (TFileSearch search(prefix + "*.*"); search.Found(); search.Next())
    if (search.IsFolder() && !search.IsDots()) subfolders.push_back(prefix + search.Name());
  for (const std::string& subfolder : subfolders) RemoveFolderTree(subfolder);
  RemoveDirectoryW(WStr(folder).c_str());
}

std::string UninstallKeyPath(const std::string& programName) {
  return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + programName;
}

void RegisterUninstaller(const std::string& programName, const std::string& exePath) {
  const std::string path = UninstallKeyPath(programName);
  TRegKey key;
  const LONG result = key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS);
  if (result != ERROR_SUCCESS) RaiseRegistryError(result, "HKEY_LOCAL_MACHINE\\" + path);
  SetStringValue(key.Get(), "DisplayName", programName, path);
  SetStringValue(key.Get(), "UninstallString", exePath, path);
  SetStringValue(key.Get(), "DisplayIcon", exePath, path);
}

void UnregisterUninstaller(const std::string& programName) {
  // Without a name the path would be the list of all programs itself.
  if (programName.empty()) return;
  DeleteRegistryKey(HKEY_LOCAL_MACHINE, UninstallKeyPath(programName));
}

bool StartSelfRemoval(const std::string& exe, bool removeFolder) {
  try {
    const std::string batch = BatchPath();
    const std::string text = SelfRemovalBatchText(exe, removeFolder, batch);
    {
      TFileStream file(batch, TFileMode::Create);
      file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    }
    // Quoted: a blank in the temporary folder's path would otherwise split
    // it, and Windows would look for a program named by the first part.
    TWideText commandLine = WStr('"' + batch + '"');  // CreateProcessW may write into it
    const TWideText folder = WStr(ExtractFilePath(batch));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    TProcessInfo process;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | IDLE_PRIORITY_CLASS,
                        nullptr, folder.c_str(), &startup, process.Out()))
      return false;
    SetThreadPriority(process.Info.hThread, THREAD_PRIORITY_IDLE);
    ResumeThread(process.Info.hThread);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace zp
