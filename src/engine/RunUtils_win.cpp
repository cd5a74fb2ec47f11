#include <windows.h>

#include <vector>

#include "base/Errors.h"
#include "base/Strings.h"
#include "engine/FileSystem.h"
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

bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringOrdinal(W(WidePath(a)), -1, W(WidePath(b)), -1, TRUE) == CSTR_EQUAL;
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

// This process's environment without the variables in `extra`, then those,
// as a block for CreateProcessW.
std::u16string SelfRemovalEnvironment(const std::vector<std::pair<std::string, std::u16string>>& extra) {
  std::u16string block;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
      const std::u16string text = FromW(entry);
      bool ours = false;
      for (const auto& variable : extra) {
        const std::u16string prefix = Utf8ToWide(variable.first) + u"=";
        ours = ours || CompareStringOrdinal(W(text.substr(0, prefix.size())), -1, W(prefix), -1, TRUE) == CSTR_EQUAL;
      }
      if (!ours) block += text + u'\0';
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& variable : extra) block += Utf8ToWide(variable.first) + u"=" + variable.second + u'\0';
  block += u'\0';
  return block;
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

void AddRunRoots(TFileSystem& fs, const std::string& programName) {
  for (int kind = 0; kind < kSpecialFolderCount; ++kind) {
    const auto folder = static_cast<TSpecialFolder>(kind);
    if (folder == TSpecialFolder::SystemDrive || folder == TSpecialFolder::BootDrive) continue;
    const std::string path = GetSpecialFolder(folder);
    if (path.size() > 3) fs.AddRoot(path);
  }
  fs.AddRoot(GetSpecialFolder(TSpecialFolder::ProgramFiles) + "\\" + programName);
  fs.AddRoot(GetSpecialFolder(TSpecialFolder::CommonPrograms) + "\\" + programName);
}

bool IsProtectedFolder(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  // "C:", "", "\\server\share" and anything that is no full path.
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') {
    if (path.size() < 2 || path.compare(0, 2, "\\\\") != 0) return true;
    const size_t share = path.find('\\', 2);
    if (share == std::string::npos || path.find('\\', share + 1) == std::string::npos) return true;
  }
  std::vector<std::string> protectedFolders;
  for (int kind = 0; kind < kSpecialFolderCount; ++kind)
    protectedFolders.push_back(GetSpecialFolder(static_cast<TSpecialFolder>(kind)));
  wchar_t profile[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    protectedFolders.push_back(Utf8FromW(profile));
    protectedFolders.push_back(ExtractFileDir(protectedFolders.back()));
  }
  // Compared both as written and where they lead (a short name, a link).
  const std::string final = TFileSystem::FinalPath(path);
  for (std::string other : protectedFolders) {
    while (!other.empty() && other.back() == '\\') other.pop_back();
    if (other.empty()) continue;
    if (SamePath(other, path)) return true;
    if (!final.empty() && SamePath(TFileSystem::FinalPath(other), final)) return true;
  }
  return false;
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
  SetStringValue(key.Get(), "UninstallString", '"' + exePath + '"', path);
  SetStringValue(key.Get(), "DisplayIcon", exePath, path);
}

void UnregisterUninstaller(const std::string& programName) {
  // Without a name the path would be the list of all programs itself.
  if (programName.empty()) return;
  DeleteRegistryKey(HKEY_LOCAL_MACHINE, UninstallKeyPath(programName));
}

bool StartSelfRemoval(const std::string& exe, bool removeFolder) {
  return StartSelfRemoval(WidePath(exe), removeFolder);
}

bool StartSelfRemoval(const std::u16string& exe, bool removeFolder) {
  try {
    // The batch runs elevated and long after this process: it lives where
    // only administrators can change it, not in the user's temporary folder.
    TPrivateFolder folder;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string name =
        SelfRemovalBatchName({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
    {
      const std::string text = SelfRemovalBatchText(removeFolder);
      TFileStream file = folder.Create(name);
      file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    }
    const std::u16string batchFolder = WidePath(folder.Path()) + u"\\";
    const std::u16string batch = batchFolder + WidePath(name);
    const std::u16string exeFolder = exe.substr(0, exe.find_last_of(u'\\') + 1);
    const std::u16string environment = SelfRemovalEnvironment(
        {{kSelfRemovalExe, exe}, {kSelfRemovalFolder, exeFolder}, {kSelfRemovalBatch, batch},
         {kSelfRemovalBatchFolder, batchFolder}});

    // The system's own shell, without AutoRun commands, in the system folder
    // (not in the batch's, which it removes at the end).
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const std::u16string shell = FromW(system) + u"\\cmd.exe";
    std::u16string commandLine = u"\"" + shell + u"\" /d /s /c \"\"" + batch + u"\"\"";
    commandLine.push_back(u'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    TProcessInfo process;
    if (!CreateProcessW(W(shell), reinterpret_cast<wchar_t*>(&commandLine[0]), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | IDLE_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT,
                        const_cast<char16_t*>(environment.c_str()), system, &startup, process.Out()))
      return false;
    folder.Keep();  // the batch removes it
    SetThreadPriority(process.Info.hThread, THREAD_PRIORITY_IDLE);
    ResumeThread(process.Info.hThread);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace zp
