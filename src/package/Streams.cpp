#include "package/Streams.h"

#include <algorithm>
#include <cstring>

namespace zp {

int64_t TStream::Size() {
  const int64_t here = Position();
  const int64_t size = Seek(0, TSeekOrigin::End);
  Seek(here, TSeekOrigin::Begin);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const int64_t n = Read(p, count);
    if (n <= 0) throw EStreamError("Stream read error");
    p += n, count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const int64_t n = Write(p, count);
    if (n <= 0) throw EStreamError("Stream write error");
    p += n, count -= n;
  }
}

void TStream::CopyFrom(TStream& source, int64_t count) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 64 * 1024)));
  while (count > 0) {
    const int64_t piece = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), piece);
    WriteBuffer(buffer.data(), piece);
    count -= piece;
  }
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t available = std::max<int64_t>(0, Size() - position_);
  const int64_t n = std::max<int64_t>(0, std::min(count, available));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? position_ : Size();
  const int64_t target = base + offset;
  if (target < 0) throw EStreamError("Seek out of range");
  position_ = target;
  return position_;
}

TBufferedReader::TBufferedReader(TStream& parent, size_t bufferSize)
    : parent_(parent), buffer_(bufferSize), position_(parent.Position()), size_(parent.Size()) {}

int64_t TBufferedReader::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t offset = position_ - bufferStart_;
    if (offset >= 0 && offset < filled_) {
      const int64_t n = std::min(count - done, filled_ - offset);
      std::memcpy(out + done, buffer_.data() + offset, static_cast<size_t>(n));
      done += n, position_ += n;
      continue;
    }
    parent_.SetPosition(position_);
    const int64_t wanted = count - done;
    if (wanted >= static_cast<int64_t>(buffer_.size())) {  // large reads go straight through
      const int64_t n = parent_.Read(out + done, wanted);
      done += n, position_ += n;
      break;
    }
    bufferStart_ = position_;
    filled_ = parent_.Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    if (filled_ <= 0) {
      filled_ = 0;
      break;
    }
  }
  return done;
}

int64_t TBufferedReader::Write(const void*, int64_t) { throw EStreamError("Stream write error"); }

int64_t TBufferedReader::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? position_ : size_;
  if (base + offset < 0) throw EStreamError("Seek out of range");
  position_ = base + offset;
  return position_;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  TFileStream file(path, TFileMode::Create);
  file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace zp
