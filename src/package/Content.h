// Content blocks: a content of n bytes is stored as its n div 16 whole
// 16-byte blocks and one final block holding the last n mod 16 bytes,
// zeros, and that count in byte 15; every block is AES-128 encrypted on its
// own (ECB) under the package key.
#pragma once

#include <cstdint>

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

}  // namespace zp
