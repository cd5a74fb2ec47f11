#include <windows.h>

#include <algorithm>

#include "base/Strings.h"
#include "package/Streams.h"

namespace zp {
namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path) {
  // Delete sharing on reads: an installer that is open here can still be
  // renamed or deleted, so that nothing else needs to read it from a copy.
  DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        disposition = OPEN_EXISTING;
  if (mode == TFileMode::OpenReadWrite) access |= GENERIC_WRITE, share = FILE_SHARE_READ;
  if (mode == TFileMode::Create) access |= GENERIC_WRITE, share = 0, disposition = CREATE_ALWAYS;
  if (mode == TFileMode::CreateTemporary) access |= GENERIC_WRITE, share = FILE_SHARE_DELETE, disposition = CREATE_ALWAYS;
  HANDLE handle = CreateFileW(WStr(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) RaiseLastOSError(path);
  handle_.Reset(reinterpret_cast<intptr_t>(handle));
}

void TFileHandleTraits::Close(intptr_t h) noexcept { CloseHandle(H(h)); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < count) {
    DWORD n = 0;
    const DWORD piece = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
    if (!ReadFile(H(handle_.Get()), p + total, piece, &n, nullptr)) RaiseLastOSError(path_);
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (total < count) {
    DWORD n = 0;
    const DWORD piece = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
    if (!WriteFile(H(handle_.Get()), p + total, piece, &n, nullptr)) RaiseLastOSError(path_);
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const DWORD method = origin == TSeekOrigin::Begin ? FILE_BEGIN : origin == TSeekOrigin::Current ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(H(handle_.Get()), distance, &position, method)) RaiseLastOSError(path_);
  return position.QuadPart;
}

int64_t TFileStream::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(handle_.Get()), &size)) RaiseLastOSError(path_);
  return size.QuadPart;
}

}  // namespace zp
