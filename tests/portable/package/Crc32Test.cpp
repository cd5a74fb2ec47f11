#include "package/Crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/Content.h"

namespace zp {
namespace {

uint32_t CrcOf(const std::string& text) { return Crc32(text.data(), text.size()); }

TEST(Crc32, MatchesTheZipChecksum) {
  EXPECT_EQ(CrcOf(""), 0u);
  EXPECT_EQ(CrcOf("a"), 0xE8B7BE43u);
  EXPECT_EQ(CrcOf("123456789"), 0xCBF43926u);
  EXPECT_EQ(CrcOf("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(CrcOf(std::string(1000, '\xFF')), 0xE0533230u);
}

TEST(Crc32, PiecesOfAnyLengthGiveTheWholeSum) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += static_cast<char>(i * 131 + i / 7);
  const uint32_t whole = CrcOf(text);
  for (size_t piece : {1u, 3u, 7u, 8u, 9u, 64u, 1000u}) {
    TCrc32 crc;
    for (size_t at = 0; at < text.size(); at += piece) crc.Update(text.data() + at, std::min(piece, text.size() - at));
    EXPECT_EQ(crc.Value(), whole) << piece;
  }
}

TEST(Crc32, LongRunsAtAnyAlignmentAgreeWithTheByteTable) {
  // Runs of 64 bytes and more take the processor's carry-less multiplication
  // where it has one; single bytes always take the table.
  std::string text;
  for (int i = 0; i < 70000; ++i) text += static_cast<char>(i * 131 + i / 977);
  for (size_t start : {0u, 1u, 15u, 64u}) {
    for (size_t length : {64u, 65u, 127u, 128u, 4096u + 13u, 69000u}) {
      TCrc32 bytewise;
      for (size_t i = start; i < start + length; ++i) bytewise.Update(&text[i], 1);
      EXPECT_EQ(Crc32(text.data() + start, length), bytewise.Value()) << start << " + " << length;
    }
  }
}

TEST(Crc32, TheCipherSumsThePlainBytesBothWays) {
  const uint8_t key[16] = {9, 8, 7};
  for (size_t size : {0u, 15u, 16u, 70000u}) {
    std::vector<uint8_t> plain(size);
    for (size_t i = 0; i < size; ++i) plain[i] = static_cast<uint8_t>(i * 7 + i / 300);
    TMemoryStream source(plain), stored, back;
    uint32_t packed = 1, unpacked = 2;
    EncryptContent(source, static_cast<int64_t>(size), stored, key, &packed);
    stored.SetPosition(0);
    DecryptContent(stored, back, key, 16, &unpacked);
    EXPECT_EQ(packed, Crc32(plain.data(), plain.size())) << size;
    EXPECT_EQ(unpacked, packed) << size;
  }
}

}  // namespace
}  // namespace zp
