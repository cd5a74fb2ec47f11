#include "package/TagStreams.h"

#include <algorithm>

namespace zp {
namespace {

// Reads exactly `count` bytes; false when the stream ends first.
bool ReadAll(TStream& stream, void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const int64_t n = stream.Read(p, count);
    if (n <= 0) return false;
    p += n, count -= n;
  }
  return true;
}

uint32_t GetLE32(const uint8_t* b) {
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void PutLE32(uint8_t* b, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr int kCopyPiece = 4096;

}  // namespace

void TTagStreamAdapter::WriteSignature(uint32_t signature) {
  uint8_t bytes[4];
  PutLE32(bytes, signature);
  stream_.WriteBuffer(bytes, 4);
}

bool TTagStreamAdapter::CheckSignature(uint32_t signature) {
  uint8_t bytes[4];
  return ReadAll(stream_, bytes, 4) && GetLE32(bytes) == signature;
}

void TTagStreamAdapter::WriteTag(int32_t tag, uint8_t type) {
  uint8_t header[5];
  PutLE32(header, static_cast<uint32_t>(tag));
  header[4] = type;
  stream_.WriteBuffer(header, 5);
}

void TTagStreamAdapter::WriteBoolean(int32_t tag, uint8_t value) {
  WriteTag(tag, ttBoolean);
  stream_.WriteBuffer(&value, 1);
}

void TTagStreamAdapter::WriteInteger(int32_t tag, int32_t value) {
  uint8_t bytes[4];
  PutLE32(bytes, static_cast<uint32_t>(value));
  WriteTag(tag, ttInteger);
  stream_.WriteBuffer(bytes, 4);
}

void TTagStreamAdapter::WriteDWord(int32_t tag, uint32_t value) {
  uint8_t bytes[4];
  PutLE32(bytes, value);
  WriteTag(tag, ttDWord);
  stream_.WriteBuffer(bytes, 4);
}

void TTagStreamAdapter::WriteString(int32_t tag, const std::string& value) {
  uint8_t length[4];
  PutLE32(length, static_cast<uint32_t>(value.size()));
  WriteTag(tag, ttString);
  stream_.WriteBuffer(length, 4);
  stream_.WriteBuffer(value.data(), static_cast<int64_t>(value.size()));
}

void TTagStreamAdapter::WriteStream(int32_t tag, TStream& source, int32_t count) {
  uint8_t length[4];
  PutLE32(length, static_cast<uint32_t>(count));
  WriteTag(tag, ttBinary);
  stream_.WriteBuffer(length, 4);
  // A source that runs short raises rather than leaving a value shorter
  // than its length, which would garble every entry after it.
  uint8_t buffer[kCopyPiece];
  for (int64_t left = count; left > 0;) {
    const int64_t piece = std::min<int64_t>(left, kCopyPiece);
    source.ReadBuffer(buffer, piece);
    stream_.WriteBuffer(buffer, piece);
    left -= piece;
  }
}

TTagStreamAdapter::THeader TTagStreamAdapter::ReadHeader() {
  uint8_t bytes[4];
  if (!ReadAll(stream_, bytes, 4)) return THeader::EndOfStream;
  Tag = static_cast<int32_t>(GetLE32(bytes));
  uint8_t type;
  if (!ReadAll(stream_, &type, 1)) return THeader::EndOfStream;
  TagType = type;
  return Tag == kEndTag ? THeader::EndMarker : THeader::Entry;
}

bool TTagStreamAdapter::ReadTag() { return ReadHeader() == THeader::Entry; }

void TTagStreamAdapter::SkipValue() {
  if (TagType != ttBlock) {
    SkipPlainValue();
    return;
  }
  // Nested blocks are counted rather than recursed into, so that damaged
  // data nesting thousands deep cannot exhaust the stack.
  for (int64_t depth = 1; depth > 0;) {
    switch (ReadHeader()) {
      case THeader::Entry:
        if (TagType == ttBlock) {
          ++depth;
        } else {
          SkipPlainValue();
        }
        break;
      case THeader::EndMarker: --depth; break;
      case THeader::EndOfStream: return;
    }
  }
}

void TTagStreamAdapter::SkipPlainValue() {
  int64_t skip = 0;
  switch (TagType) {
    case ttBoolean: case ttByte: skip = 1; break;
    case ttWord: skip = 2; break;
    case ttInteger: case ttDWord: skip = 4; break;
    case ttQWord: skip = 8; break;
    case ttString: case ttBinary: skip = std::max<int32_t>(ReadLength(), 0); break;
    default: break;  // unknown types carry no value we could know the size of
  }
  if (skip > 0) stream_.Seek(skip, TSeekOrigin::Current);
}

uint8_t TTagStreamAdapter::ReadBoolean() {
  uint8_t value;
  return ReadAll(stream_, &value, 1) ? value : 0;
}

int32_t TTagStreamAdapter::ReadInteger() {
  uint8_t bytes[4];
  return ReadAll(stream_, bytes, 4) ? static_cast<int32_t>(GetLE32(bytes)) : 0;
}

int32_t TTagStreamAdapter::ReadLength() {
  uint8_t bytes[4];
  if (ReadAll(stream_, bytes, 4)) {
    const int32_t length = static_cast<int32_t>(GetLE32(bytes));
    if (length >= 0 && length <= stream_.Size() - stream_.Position()) return length;
  }
  stream_.Seek(0, TSeekOrigin::End);
  return -1;
}

std::string TTagStreamAdapter::ReadString() {
  const int32_t length = ReadLength();
  if (length <= 0) return {};
  std::string value(static_cast<size_t>(length), '\0');
  if (!ReadAll(stream_, value.data(), length)) return {};
  return value;
}

}  // namespace zp
