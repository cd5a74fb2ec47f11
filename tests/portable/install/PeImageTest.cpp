// The header fields signing touches, on a hand-made PE32+ header.
#include "engine/PeImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace zp {
namespace {

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }
uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, &bytes[at], 4);
  return value;
}

// "MZ", the PE header at 256, an optional header of 240 bytes (PE32+) with
// 16 directories; the certificate table entry at 256 + 24 + 112 + 32.
constexpr size_t kOptional = 256 + 24, kEntry = kOptional + 144, kChecksum = kOptional + 64;
std::vector<uint8_t> Image(uint32_t certificateOffset, uint32_t certificateSize) {
  std::vector<uint8_t> bytes(1024, 0);
  bytes[0] = 'M', bytes[1] = 'Z';
  Put32(bytes, 0x3C, 256);
  std::memcpy(&bytes[256], "PE\0\0", 4);
  bytes[256 + 20] = 240;
  bytes[kOptional] = 0x0B, bytes[kOptional + 1] = 0x02;
  Put32(bytes, kOptional + 108, 16);
  Put32(bytes, kEntry, certificateOffset);
  Put32(bytes, kEntry + 4, certificateSize);
  Put32(bytes, kChecksum, 0x12345678);
  for (size_t i = 600; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37);
  return bytes;
}

TEST(PeImage, ChecksumFoldsCarriesSkipsItsFieldAndAddsTheLength) {
  const struct {
    std::vector<uint8_t> Bytes;
    int64_t Field;
    uint32_t Sum;
  } cases[] = {{{1, 0, 2, 0, 0xFF}, 100, 0x102 + 5},
               {{0xFF, 0xFF, 0xFF, 0xFF}, 100, 0xFFFF + 4},
               {{1, 0, 0xAA, 0xBB, 0xCC, 0xDD, 2, 0}, 2, 3 + 8}};
  for (const auto& c : cases) {
    TMemoryStream stream(c.Bytes);
    EXPECT_EQ(PeChecksum(stream, c.Field), c.Sum);
  }
}

TEST(PeImage, ASignedImageLosesItsCertificateEntryAndGetsItsChecksum) {
  TMemoryStream signedImage(Image(4096, 2048));
  const auto table = ReadCertificateTable(signedImage);
  ASSERT_TRUE(table && table->Present());
  EXPECT_EQ(table->Offset, 4096u);
  EXPECT_EQ(table->Size, 2048u);
  EXPECT_TRUE(DetachSignature(signedImage));
  const std::vector<uint8_t>& bytes = signedImage.Bytes();
  EXPECT_EQ(Get32(bytes, kEntry), 0u);
  EXPECT_EQ(Get32(bytes, kEntry + 4), 0u);
  EXPECT_EQ(Get32(bytes, kChecksum), PeChecksum(signedImage, int64_t(kChecksum)));
  EXPECT_NE(Get32(bytes, kChecksum), 0x12345678u);

  const std::vector<uint8_t> unsignedBytes = Image(0, 0);
  TMemoryStream unsignedImage(unsignedBytes);
  EXPECT_FALSE(DetachSignature(unsignedImage));
  EXPECT_EQ(unsignedImage.Bytes(), unsignedBytes) << "copied unchanged";

  std::vector<uint8_t> notPe = Image(4096, 2048);
  notPe[257] = 'X';
  TMemoryStream other(notPe);
  EXPECT_FALSE(ReadCertificateTable(other));
  EXPECT_FALSE(DetachSignature(other));
}

}  // namespace
}  // namespace zp
