// The few operating-system services the builder needs beyond streams:
// file times, folders, replacing a file. One
// implementation per platform (BuilderOS_posix.cpp, BuilderOS_win.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zp {

// Windows FILETIME of 1970-01-01 00:00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ULL;

struct TFileTimes {
  uint64_t CreationTime = 0;  // natively the birth time where the file system keeps it, else the last-write time
  uint64_t LastWriteTime = 0;
};

// Raises EOSError naming the path.
TFileTimes GetFileTimes(const std::string& path);
// Sets the last-write (and last-access) time, and the creation time where the
// system allows it. Raises EOSError naming the path.
void SetFileTimes(const std::string& path, const TFileTimes& times);
uint64_t CurrentFileTime();

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent; raises EOSError naming it.
void CreateDirectories(const std::string& path);
// Renames `from` to `to`, replacing `to`; raises EOSError.
void RenameReplacing(const std::string& from, const std::string& to);
// Deletes a file if it is there; errors are ignored.
void RemoveFileQuietly(const std::string& path) noexcept;

// One entry of a folder; links count as what they point to.
struct TFolderEntry {
  std::string Name;  // UTF-8 on Windows; elsewhere the bytes the system lists
  bool Folder = false;
};
// The entries of a folder, without "." and "..", in no particular order.
// Raises EOSError naming the folder.
std::vector<TFolderEntry> ListFolder(const std::string& path);

// The folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

// The path separator of this system's file API.
extern const char kPathSeparator;
// A path from a project file (UTF-8) for this system's file API: paths are
// UTF-8 everywhere (the Windows functions convert at their W calls), with
// backslashes on Windows and slashes elsewhere.
std::string NativePath(const std::string& utf8);

// While one lives, an interrupt that ends the process (Ctrl-C, SIGTERM and
// SIGHUP; on Windows the console's Ctrl-C, Ctrl-Break, close, log-off and
// shut-down events) first deletes the file at `path`: a build stopped
// halfway leaves no temporary file. The file must be opened with
// TFileMode::CreateTemporary, which lets it be deleted while it is open. One
// at a time; it does not catch the interrupt, which ends the process as
// before.
class TInterruptCleanup {
public:
  explicit TInterruptCleanup(const std::string& path);
  ~TInterruptCleanup();
  TInterruptCleanup(const TInterruptCleanup&) = delete;
  TInterruptCleanup& operator=(const TInterruptCleanup&) = delete;
};

// Lets a console show the UTF-8 that the tool prints: on Windows, standard
// output and error that are a console get the text as UTF-16
// (WriteConsoleW); a file or a pipe gets the UTF-8 bytes. Nothing to do
// elsewhere.
void PrepareConsole();

// The command-line arguments after the program's name, as UTF-8: on Windows
// read from the wide command line, so any file name can be given.
std::vector<std::string> CommandArguments(int argc, char** argv);

}  // namespace zp
