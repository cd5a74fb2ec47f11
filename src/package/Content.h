// Content blocks: a content of n bytes is stored as its n div 16 whole
// 16-byte blocks and one final block holding the last n mod 16 bytes,
// zeros, and that count in byte 15; every block is AES-128 encrypted on its
// own (ECB) under the package key.
//
// A content may be stored compressed: its block then holds a Zstandard frame
// (RFC 8878) instead of the plain bytes, made with or without the package's
// dictionary, and the record names its coding and its plain size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "package/Streams.h"

namespace zp {

class ECipherException : public EZpError {
public:
  ECipherException() : EZpError("Invalid file format") {}
};

constexpr int kContentKeyLength = 16;

// The stored size of a content of `plainSize` bytes: 16 (plainSize div 16 + 1).
constexpr int64_t StoredContentSize(int64_t plainSize) { return (plainSize / 16 + 1) * 16; }

// Decrypts the content block that fills `source` (block count from its size,
// bytes from its position; a trailing partial block is ignored) and writes
// the plain bytes to `dest` at its position. A missing block or a final
// count above 15 raises ECipherException; the blocks before it have been
// written. Any key length but 16 raises EZpError. With `crc`, the CRC-32 of
// the plain bytes written is computed on the way and stored there.
void DecryptContent(TStream& source, TStream& dest, const uint8_t* key, int keyLength, uint32_t* crc = nullptr);

// Stores `count` bytes from `source`'s position as a content block at
// `dest`'s position; returns the stored size. With `crc`, the CRC-32 of the
// plain bytes is stored there.
int64_t EncryptContent(TStream& source, int64_t count, TStream& dest, const uint8_t* key, uint32_t* crc = nullptr);

// How a content block holds its content (a record's coding value).
enum TContentCoding : int32_t {
  ccStored = 0,          // the plain bytes (no coding value stored)
  ccZstd = 1,            // one Zstandard frame
  ccZstdDictionary = 2,  // one Zstandard frame made with the package's dictionary
};

// The largest dictionary a package may carry, and the largest window a frame
// may ask for: what decoding a content may take in memory.
constexpr int64_t kMaxDictionarySize = 8 << 20;
constexpr int kMaxWindowLog = 23;

// Decodes the contents of one package: keeps its decoder and the package's
// dictionary from one content to the next.
class TContentDecoder {
public:
  TContentDecoder();
  ~TContentDecoder();
  TContentDecoder(const TContentDecoder&) = delete;
  TContentDecoder& operator=(const TContentDecoder&) = delete;

  // Decrypts the block that fills `source`, as DecryptContent does, and writes
  // the content to `dest`. A compressed content must decode to exactly
  // `plainSize` bytes as one whole frame with nothing after it; anything else
  // (a damaged or hostile frame, a frame that wants more memory than
  // kMaxWindowLog allows, a missing dictionary, an unknown coding) raises
  // ECipherException, having written at most `plainSize` bytes. With `crc`,
  // the CRC-32 of the bytes written is stored there.
  void Unpack(TStream& source, TStream& dest, const uint8_t* key, int32_t coding, int64_t plainSize,
              uint32_t* crc = nullptr);

  // The package's dictionary, in plain bytes (at most kMaxDictionarySize).
  void SetDictionary(const std::vector<uint8_t>& dictionary);
  bool HasDictionary() const;

private:
  struct TState;
  std::unique_ptr<TState> state_;
};

// The largest frame that `plainSize` bytes may take.
int64_t MaxFrameSize(int64_t plainSize);

// Decodes a frame held whole in memory (the package's compressed tag
// entries): `value` must hold one Zstandard frame that states its plain size,
// at most `limit` bytes, and asks for a window of at most 2^kMaxWindowLog
// bytes, followed by nothing but zero bytes. Returns "" with the plain bytes
// in `plain` and the frame's length in `frameSize`, or what is wrong.
std::string DecodeWholeFrame(const std::vector<uint8_t>& value, int64_t limit, std::vector<uint8_t>& plain,
                             int64_t& frameSize);

}  // namespace zp
