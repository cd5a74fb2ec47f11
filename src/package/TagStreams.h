// The tag stream: a flat sequence of self-describing entries (tag id, type
// code, value) in which type 0 opens a nested block closed by an end marker.
// Readers take the tags they know and skip the rest by type code alone.
#pragma once

#include <cstdint>
#include <string>

#include "package/Streams.h"

namespace zp {

// Signatures as 32-bit values: the ASCII bytes in file order, little-endian.
constexpr uint32_t SignatureOf(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}
constexpr uint32_t kPackageSignature = SignatureOf("ZPIN");
constexpr uint32_t kUninstallSignature = SignatureOf("ZPUN");

enum TTagType : uint8_t {
  ttBlock = 0, ttBoolean = 1, ttByte = 2, ttWord = 3, ttInteger = 4,
  ttDWord = 5, ttQWord = 6, ttString = 7, ttBinary = 8,
};

constexpr int32_t kEndTag = -1;

class TTagStreamAdapter {
public:
  // The stream is not owned; the adapter keeps no position of its own.
  explicit TTagStreamAdapter(TStream& stream) : stream_(stream) {}

  void WriteSignature(uint32_t signature);
  bool CheckSignature(uint32_t signature);

  void WriteTag(int32_t tag, uint8_t type);
  void WriteBoolean(int32_t tag, uint8_t value);
  void WriteInteger(int32_t tag, int32_t value);
  void WriteDWord(int32_t tag, uint32_t value);
  void WriteString(int32_t tag, const std::string& value);
  void WriteStream(int32_t tag, TStream& source, int32_t count);
  void BeginBlock(int32_t tag) { WriteTag(tag, ttBlock); }
  void EndBlock() { WriteTag(kEndTag, ttBlock); }

  // False at the end marker and at the end of the stream.
  bool ReadTag();
  void SkipValue();
  uint8_t ReadBoolean();
  int32_t ReadInteger();
  std::string ReadString();
  // The length of a type-7/8 value. A length that is negative or runs past
  // the end of the stream makes the value unreadable: the stream is then
  // moved to its end (so the next ReadTag fails) and -1 is returned.
  int32_t ReadLength();

  int32_t Tag = 0;
  uint8_t TagType = 0;

  TStream& Stream() { return stream_; }

private:
  enum class THeader { Entry, EndMarker, EndOfStream };
  THeader ReadHeader();
  // Skips the value of a non-block entry of type TagType.
  void SkipPlainValue();

  TStream& stream_;
};

}  // namespace zp
