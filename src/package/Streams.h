// Seekable byte streams: the base class, a memory stream and a file stream
// (Win32 handles on Windows, POSIX descriptors natively).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/ScopedHandle.h"

namespace zp {

enum class TSeekOrigin { Begin, Current, End };

// Raised by ReadBuffer/WriteBuffer when fewer bytes than asked could move.
class EStreamError : public EZpError {
public:
  using EZpError::EZpError;
};

class TStream {
public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Moves up to `count` bytes; returns how many moved (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Begin); }

  // All-or-error forms: EStreamError "Stream read error" / "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies exactly `count` bytes from `source`'s position, in bounded pieces.
  void CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t>& Bytes() { return data_; }
  void Clear() { data_.clear(), position_ = 0; }

private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// Reads another stream through a buffer, so that many small reads (the
// headers and values of a tag stream) cost one call of the parent per buffer.
// Read only; the parent's size is taken once, when the reader is made.
class TBufferedReader : public TStream {
public:
  explicit TBufferedReader(TStream& parent, size_t bufferSize = 64 * 1024);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;  // raises
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }

private:
  TStream& parent_;
  std::vector<uint8_t> buffer_;
  int64_t bufferStart_ = 0;  // parent position of buffer_[0]
  int64_t filled_ = 0;       // valid bytes in buffer_
  int64_t position_;
  int64_t size_;
};

enum class TFileMode {
  OpenRead,       // existing file, read only; others may read, write, rename and delete it
  OpenReadWrite,  // existing file, read and write; others may read it
  Create,         // created or truncated, read and write, no sharing
  // As Create, but another thread or process may delete the file while it
  // is open (a temporary file that an interrupt removes).
  CreateTemporary,
};

// The OS file handle held as an integer (HANDLE on Windows, descriptor
// natively); the OS half of the stream closes it.
struct TFileHandleTraits {
  using Type = intptr_t;
  static Type Empty() { return -1; }
  static bool Valid(Type h) { return h != -1; }
  static void Close(Type h) noexcept;
};

class TFileStream : public TStream {
public:
  // Raises EOSError naming the path when the file cannot be opened.
  TFileStream(const std::string& path, TFileMode mode);
  // Takes over a file the caller opened (HANDLE on Windows, descriptor natively).
  TFileStream(const std::string& path, intptr_t handle) : path_(path), handle_(handle) {}
  TFileStream(TFileStream&& other) noexcept : path_(std::move(other.path_)), handle_(std::move(other.handle_)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

  const std::string& Path() const { return path_; }
  // The OS handle (HANDLE on Windows, descriptor natively), for file times.
  intptr_t Handle() const { return handle_.Get(); }

private:
  std::string path_;
  TScopedHandleOf<TFileHandleTraits> handle_;
};

// Whole-file helpers for tools and tests.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace zp
