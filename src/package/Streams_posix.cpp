#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "package/Streams.h"

namespace zp {

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path) {
  int flags = O_RDONLY;
  if (mode == TFileMode::OpenReadWrite) flags = O_RDWR;
  if (mode == TFileMode::Create || mode == TFileMode::CreateTemporary) flags = O_RDWR | O_CREAT | O_TRUNC;
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) RaiseLastOSError(path);
  handle_.Reset(fd);
}

void TFileHandleTraits::Close(intptr_t h) noexcept { ::close(static_cast<int>(h)); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < count) {
    const ssize_t n = ::read(static_cast<int>(handle_.Get()), p + total, static_cast<size_t>(std::min<int64_t>(count - total, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseLastOSError(path_);
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (total < count) {
    const ssize_t n = ::write(static_cast<int>(handle_.Get()), p + total, static_cast<size_t>(std::min<int64_t>(count - total, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseLastOSError(path_);
    total += n;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  const off_t position = ::lseek(static_cast<int>(handle_.Get()), offset, whence);
  if (position < 0) RaiseLastOSError(path_);
  return position;
}

int64_t TFileStream::Size() {
  struct stat st;
  if (::fstat(static_cast<int>(handle_.Get()), &st) != 0) RaiseLastOSError(path_);
  return st.st_size;
}

}  // namespace zp
