#include "package/Crc32.h"

#include <array>

#include "package/Crc32Native.h"

namespace zp {
namespace {

// Table k gives the CRC of a byte followed by k zero bytes, so that eight
// input bytes need eight lookups and no dependency from one to the next.
using TTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr TTables MakeTables() {
  TTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr TTables kTables = MakeTables();

// Asked once: the carry-less multiplication folds 64 bytes per step, several
// times faster than the tables.
const bool kFold = clmul::Available();

uint32_t Load32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

void TCrc32::Update(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = state_;
  if (kFold && size >= 64) {
    const size_t whole = size & ~size_t(15);
    c = clmul::Fold(p, whole, c);
    p += whole, size -= whole;
  }
  for (; size >= 8; p += 8, size -= 8) {
    const uint32_t low = Load32(p) ^ c, high = Load32(p + 4);
    c = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
        kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
        kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
  }
  for (; size > 0; ++p, --size) c = kTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
  state_ = c;
}

uint32_t Crc32(const void* data, size_t size) {
  TCrc32 crc;
  crc.Update(data, size);
  return crc.Value();
}

}  // namespace zp
