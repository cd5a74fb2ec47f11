#include "package/Content.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "package/Aes.h"
#include "package/SubStreams.h"

namespace zp {
namespace {

const uint8_t kKey[16] = {0x3c, 0x11, 0xa0, 0x5e, 0x99, 0x02, 0x7b, 0xee, 0x40, 0x0d, 0xc3, 0x68, 0x21, 0xf4, 0x8a, 0x57};

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& plain) {
  TMemoryStream source(plain), stored;
  const int64_t size = EncryptContent(source, static_cast<int64_t>(plain.size()), stored, kKey);
  EXPECT_EQ(size, static_cast<int64_t>(stored.Bytes().size()));
  return stored.Bytes();
}

TEST(Content, RoundTripsEverySize) {
  for (size_t n : {0, 1, 15, 16, 17, 65535, 65536, 65537, 3 * 1024 * 1024 + 5}) {
    const auto plain = RandomBytes(n, static_cast<unsigned>(n));
    const auto stored = Encrypt(plain);
    EXPECT_EQ(stored.size(), (n / 16 + 1) * 16) << n;
    TMemoryStream source(stored), dest;
    DecryptContent(source, dest, kKey, kContentKeyLength);
    EXPECT_EQ(dest.Bytes(), plain) << n;
  }
}

TEST(Content, StoresEveryBlockOnItsOwnAndTheCountLast) {
  const auto plain = RandomBytes(40);
  const auto stored = Encrypt(plain);
  ASSERT_EQ(stored.size(), 48u);
  std::vector<uint8_t> blocks(48);
  TAes128(kKey, TAesEngine::Portable).Decrypt(stored.data(), blocks.data(), 3);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), blocks.begin()));
  EXPECT_EQ(std::vector<uint8_t>(blocks.begin() + 40, blocks.end()), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 8}));
}

// As the installer reads a content: through a window onto the package file,
// into a file at its position. Windows may overlap: blocks are independent.
TEST(Content, DecryptsThroughAWindowOntoAFile) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string packagePath = (dir / "zp-content-package.bin").string();
  const std::string targetPath = (dir / "zp-content-target.bin").string();
  const auto plain = RandomBytes(100008);
  const auto stored = Encrypt(plain);
  auto file = RandomBytes(1000, 5);
  file.insert(file.end(), stored.begin(), stored.end());
  file.insert(file.end(), 7, 0xEE);
  WriteFileBytes(packagePath, file);
  {
    TFileStream package(packagePath, TFileMode::OpenRead), target(targetPath, TFileMode::Create);
    target.WriteBuffer("hdr", 3);
    TSubStream whole(package, 1000, 1000 + static_cast<int64_t>(stored.size()) - 1);
    whole.SetPosition(0);
    DecryptContent(whole, target, kKey, 16);
    TSubStream last(package, 1000 + static_cast<int64_t>(stored.size()) - 16, 1000 + static_cast<int64_t>(stored.size()) - 1);
    last.SetPosition(0);
    DecryptContent(last, target, kKey, 16);
  }
  auto expected = std::vector<uint8_t>{'h', 'd', 'r'};
  expected.insert(expected.end(), plain.begin(), plain.end());
  expected.insert(expected.end(), plain.end() - 8, plain.end());
  EXPECT_EQ(ReadFileBytes(targetPath), expected);
  std::filesystem::remove(packagePath);
  std::filesystem::remove(targetPath);
}

TEST(Content, UsesOnlyWholeBlocks) {
  auto stored = Encrypt({'a', 'b', 'c'});
  stored.resize(24, 0x55);  // a record of size 24: the first 16 bytes are the final block
  TMemoryStream source(stored), dest;
  DecryptContent(source, dest, kKey, 16);
  EXPECT_EQ(dest.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c'}));
}

// Damage raises "Invalid file format"; whatever was decrypted before it is in
// the destination, and nothing else.
void ExpectInvalid(const std::vector<uint8_t>& stored, int64_t windowSize, const std::vector<uint8_t>& written) {
  TMemoryStream package(stored), dest;
  TSubStream window(package, 0, windowSize - 1);
  try {
    DecryptContent(window, dest, kKey, 16);
    ADD_FAILURE() << "no error";
  } catch (const ECipherException& e) {
    EXPECT_STREQ(e.what(), "Invalid file format");
  }
  EXPECT_EQ(dest.Bytes(), written);
}

TEST(Content, DamagedBlocksRaiseAfterWritingWhatCameBefore) {
  const auto plain = RandomBytes(100000);
  const auto stored = Encrypt(plain);
  {
    SCOPED_TRACE("no block");
    ExpectInvalid(stored, 0, {});
    ExpectInvalid(stored, 15, {});
  }
  {
    SCOPED_TRACE("file cut short");
    ExpectInvalid(std::vector<uint8_t>(stored.begin(), stored.begin() + 70001), static_cast<int64_t>(stored.size()),
                  std::vector<uint8_t>(plain.begin(), plain.begin() + 70000));
  }
  {
    SCOPED_TRACE("count above 15");
    std::vector<uint8_t> damaged(stored.begin(), stored.begin() + 48);
    uint8_t final[16] = {};
    final[15] = 16;
    TAes128(kKey).Encrypt(final, damaged.data() + 32);
    ExpectInvalid(damaged, 48, std::vector<uint8_t>(plain.begin(), plain.begin() + 32));
  }
}

TEST(Content, RefusesKeysOfOtherLengths) {
  TMemoryStream source(Encrypt({1})), dest;
  EXPECT_THROW(DecryptContent(source, dest, kKey, 24), EZpError);
}

}  // namespace
}  // namespace zp
