#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>

#include "BuilderOS.h"
#include "base/Errors.h"
#include "base/Strings.h"

namespace zp {
namespace {

// A source file's time from before 1601 becomes 1601; one past what a file
// time holds becomes its last second.
uint64_t ToFileTime(int64_t seconds, int64_t nanoseconds) {
  constexpr int64_t kEpochSeconds = int64_t(kUnixEpochFileTime / 10000000);
  if (seconds < -kEpochSeconds) return 0;
  seconds = std::min(seconds, (INT64_MAX - int64_t(kUnixEpochFileTime)) / 10000000 - 1);
  const int64_t ticks = seconds * 10000000 + nanoseconds / 100 + static_cast<int64_t>(kUnixEpochFileTime);
  return ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
}

// Whole seconds first: every 64-bit file time then fits the arithmetic.
timespec ToTimespec(uint64_t fileTime) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(int64_t(fileTime / 10000000) - int64_t(kUnixEpochFileTime / 10000000));
  ts.tv_nsec = static_cast<long>(fileTime % 10000000 * 100);
  return ts;
}

}  // namespace

const char kPathSeparator = '/';

TFileTimes GetFileTimes(const std::string& path) {
  struct statx st {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME | STATX_BTIME, &st) != 0) RaiseLastOSError(path);
  TFileTimes times;
  times.LastWriteTime = ToFileTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
  times.CreationTime = (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec)
                                                   : times.LastWriteTime;
  return times;
}

void SetFileTimes(const std::string& path, const TFileTimes& times) {
  const timespec both[2] = {ToTimespec(times.LastWriteTime), ToTimespec(times.LastWriteTime)};
  if (utimensat(AT_FDCWD, path.c_str(), both, 0) != 0) RaiseLastOSError(path);
}

uint64_t CurrentFileTime() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
  return ToFileTime(ns / 1000000000, ns % 1000000000);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void CreateDirectories(const std::string& path) {
  if (path.empty() || DirectoryExists(path)) return;
  const size_t cut = path.find_last_of('/');
  if (cut != std::string::npos && cut > 0) CreateDirectories(path.substr(0, cut));
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) RaiseLastOSError(path);
  if (!DirectoryExists(path)) {
    errno = ENOTDIR;
    RaiseLastOSError(path);
  }
}

void RenameReplacing(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) RaiseLastOSError(to);
}

void RemoveFileQuietly(const std::string& path) noexcept { unlink(path.c_str()); }

std::vector<TFolderEntry> ListFolder(const std::string& path) {
  struct TCloseFolder {
    void operator()(DIR* folder) const { closedir(folder); }
  };
  const std::unique_ptr<DIR, TCloseFolder> folder(opendir(path.c_str()));
  if (!folder) RaiseLastOSError(path);
  std::vector<TFolderEntry> entries;
  for (;;) {
    errno = 0;  // only readdir's own: the stat of an entry (a dangling link) may fail
    const dirent* entry = readdir(folder.get());
    if (!entry) break;
    const std::string name = entry->d_name;
    if (name != "." && name != "..") entries.push_back({name, DirectoryExists(path + "/" + name)});
  }
  if (errno != 0) RaiseLastOSError(path);
  return entries;
}

std::string ExecutableFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(n));
  const size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
}

// Projects are written for Windows as often as not: "\" separates folders
// here too.
std::string NativePath(const std::string& utf8) {
  std::string path = utf8;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

namespace {

// What the signal handler needs, set before it is armed: plain data only.
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};
char gCleanupPath[PATH_MAX];
volatile sig_atomic_t gCleanupArmed = 0;
struct sigaction gPreviousActions[3];

extern "C" void RemoveAndDie(int signal) {
  if (gCleanupArmed) unlink(gCleanupPath);  // async-signal-safe
  // Die of the same signal, as the caller of zpbuild expects.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(signal, &standard, nullptr);
  raise(signal);
}

}  // namespace

TInterruptCleanup::TInterruptCleanup(const std::string& path) {
  if (path.size() >= sizeof gCleanupPath) return;  // cannot be: the file was just created
  std::memcpy(gCleanupPath, path.c_str(), path.size() + 1);
  gCleanupArmed = 1;
  struct sigaction action {};
  action.sa_handler = RemoveAndDie;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kInterrupts); ++i) sigaction(kInterrupts[i], &action, &gPreviousActions[i]);
}

TInterruptCleanup::~TInterruptCleanup() {
  if (!gCleanupArmed) return;
  for (size_t i = 0; i < std::size(kInterrupts); ++i) sigaction(kInterrupts[i], &gPreviousActions[i], nullptr);
  gCleanupArmed = 0;
}

void PrepareConsole() {}

std::vector<std::string> CommandArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace zp
