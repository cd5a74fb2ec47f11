#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <iostream>
#include <streambuf>

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

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WStr(path).c_str()); }

// Standard output or error when it is a console: the UTF-8 written to it goes
// out as UTF-16 through WriteConsoleW, which shows every character whatever
// the console's code page. A character cut by a flush waits for its rest.
class TConsoleBuffer : public std::streambuf {
public:
  explicit TConsoleBuffer(HANDLE console) : console_(console) {}

protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) Append(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<size_t>(count));
    if (pending_.size() >= kFlushSize) Flush();
    return count;
  }
  int sync() override {
    Flush();
    return 0;
  }

private:
  static constexpr size_t kFlushSize = 4096;

  void Append(char c) {
    pending_.push_back(c);
    if (pending_.size() >= kFlushSize) Flush();
  }
  // Writes every whole character and keeps a cut one.
  void Flush() {
    size_t whole = pending_.size();
    for (size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
      const auto b = static_cast<unsigned char>(pending_[pending_.size() - back]);
      if ((b & 0xC0) == 0x80) continue;  // a following byte: look further back
      const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
      if (length > back) whole = pending_.size() - back;
      break;
    }
    const std::u16string wide = Utf8ToWide(pending_.substr(0, whole));
    pending_.erase(0, whole);
    for (size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(console_, W(wide) + done, chunk, &written, nullptr) || written == 0) break;
      done += written;
    }
  }

  HANDLE console_;
  std::string pending_;
};

// Puts a console buffer under `stream` when `handle` is a console. The
// buffer lives to the end of the process, as the stream does.
void UseConsoleFor(std::ostream& stream, DWORD handle) {
  const HANDLE console = GetStdHandle(handle);
  DWORD mode = 0;
  if (console == nullptr || console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return;
  stream.flush();
  stream.rdbuf(new TConsoleBuffer(console));
}

}  // namespace

const char kPathSeparator = '\\';

TFileTimes GetFileTimes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WStr(path).c_str(), GetFileExInfoStandard, &data)) RaiseLastOSError(path);
  return {FromFileTime(data.ftCreationTime), FromFileTime(data.ftLastWriteTime)};
}

void SetFileTimes(const std::string& path, const TFileTimes& times) {
  TScopedHandle file(CreateFileW(WStr(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  if (folder.empty() || DirectoryExists(folder)) return;
  const size_t cut = folder.find_last_of("\\/");
  // Stop at a drive ("C:") and at the root.
  if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':') CreateDirectories(folder.substr(0, cut));
  if (!CreateDirectoryW(WStr(folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    RaiseLastOSError(folder);
  if (!DirectoryExists(folder)) {
    SetLastError(ERROR_DIRECTORY);
    RaiseLastOSError(folder);
  }
}

void RenameReplacing(const std::string& from, const std::string& to) {
  if (!MoveFileExW(WStr(from).c_str(), WStr(to).c_str(), MOVEFILE_REPLACE_EXISTING)) RaiseLastOSError(to);
}

void RemoveFileQuietly(const std::string& path) noexcept { DeleteFileW(WStr(path).c_str()); }

std::vector<TFolderEntry> ListFolder(const std::string& path) {
  WIN32_FIND_DATAW data;
  TScopedHandleOf<TFindHandleTraits> search(FindFirstFileW(WStr(path + "\\*").c_str(), &data));
  if (!search.Valid()) RaiseLastOSError(path);
  std::vector<TFolderEntry> entries;
  do {
    const std::string name = Utf8FromW(data.cFileName);
    if (name != "." && name != "..")
      entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search.Get(), &data));
  // The search ended with the last entry, or with an error.
  if (GetLastError() != ERROR_NO_MORE_FILES) RaiseLastOSError(path);
  return entries;
}

std::string ExecutableFolder() {
  const std::string folder = ExtractFileDir(OwnExecutablePath());
  return folder.empty() ? "." : folder;
}

std::string NativePath(const std::string& utf8) {
  std::string path = utf8;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

namespace {

// What the console's handler thread needs, set before it is armed.
wchar_t gCleanupPath[MAX_PATH * 4];
volatile LONG gCleanupArmed = 0;

BOOL WINAPI RemoveOnConsoleEvent(DWORD) {
  // The file is open with delete sharing: it goes when the process closes it.
  if (InterlockedCompareExchange(&gCleanupArmed, 0, 0)) DeleteFileW(gCleanupPath);
  return FALSE;  // the next handler, in the end the system's, ends the process
}

}  // namespace

TInterruptCleanup::TInterruptCleanup(const std::string& path) {
  const TWideText wide = WStr(path);
  if (wide.size() >= MAX_PATH * 4) return;
  std::memcpy(gCleanupPath, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  InterlockedExchange(&gCleanupArmed, 1);
  SetConsoleCtrlHandler(RemoveOnConsoleEvent, TRUE);
}

TInterruptCleanup::~TInterruptCleanup() {
  if (!InterlockedExchange(&gCleanupArmed, 0)) return;
  SetConsoleCtrlHandler(RemoveOnConsoleEvent, FALSE);
}

std::vector<std::string> CommandArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) args.push_back(Utf8FromW(wide[i]));
  LocalFree(wide);
  return args;
}

void PrepareConsole() {
  UseConsoleFor(std::cout, STD_OUTPUT_HANDLE);
  UseConsoleFor(std::cerr, STD_ERROR_HANDLE);
}

}  // namespace zp
