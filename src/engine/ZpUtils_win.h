// Small owners of the Win32 handles that the engine's Windows halves use:
// registry keys, directory searches and started processes. Windows only; ANSI functions.
#pragma once

#include <windows.h>

#include <string>

namespace zp {

class TRegKey {
public:
  TRegKey() = default;
  ~TRegKey() {
    if (key_) RegCloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  // Opens `root`\`path` for reading; false when it cannot.
  bool Open(HKEY root, const char* path);
  // The same, creating the key when it is missing (where rights allow).
  bool OpenOrCreate(HKEY root, const char* path);
  // Creates or opens `root`\`path` with `access`; the registry's result code.
  LONG Create(HKEY root, const char* path, REGSAM access);

  HKEY Get() const { return key_; }

  // A string value (REG_SZ or REG_EXPAND_SZ, unexpanded); false when the
  // value is missing or of another type.
  bool ReadString(const char* name, std::string& value) const;
  // A REG_DWORD value; false when missing or of another type.
  bool ReadInteger(const char* name, DWORD& value) const;

private:
  HKEY key_ = nullptr;
};

// The entries matching a search pattern, in the file system's order:
//   for (TFileSearch s(pattern); s.Found(); s.Next()) ... s.Name() ...
class TFileSearch {
public:
  explicit TFileSearch(const std::string& pattern) : handle_(FindFirstFileA(pattern.c_str(), &data_)) {}
  ~TFileSearch() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  TFileSearch(const TFileSearch&) = delete;
  TFileSearch& operator=(const TFileSearch&) = delete;

  bool Found() const { return found_; }
  void Next() { found_ = FindNextFileA(handle_, &data_) != FALSE; }

  const WIN32_FIND_DATAA& Data() const { return data_; }
  std::string Name() const { return data_.cFileName; }
  DWORD Attributes() const { return data_.dwFileAttributes; }
  bool IsFolder() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // "." or "..".
  bool IsDots() const {
    return data_.cFileName[0] == '.' &&
           (data_.cFileName[1] == '\0' || (data_.cFileName[1] == '.' && data_.cFileName[2] == '\0'));
  }

private:
  WIN32_FIND_DATAA data_{};
  HANDLE handle_;
  bool found_ = handle_ != INVALID_HANDLE_VALUE;
};

// The two handles CreateProcess hands back, closed together.
class TProcessInfo {
public:
  TProcessInfo() = default;
  ~TProcessInfo() {
    if (Info.hThread) CloseHandle(Info.hThread);
    if (Info.hProcess) CloseHandle(Info.hProcess);
  }
  TProcessInfo(const TProcessInfo&) = delete;
  TProcessInfo& operator=(const TProcessInfo&) = delete;

  PROCESS_INFORMATION Info = {};
};

}  // namespace zp
