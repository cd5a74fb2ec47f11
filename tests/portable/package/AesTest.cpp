#include "package/Aes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zp {
namespace {

std::vector<uint8_t> Hex(const char* hex) {
  std::vector<uint8_t> out;
  for (; hex[0] && hex[1]; hex += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex, 2), nullptr, 16)));
  return out;
}

std::vector<TAesEngine> Engines() {
  std::vector<TAesEngine> engines{TAesEngine::Portable};
  if (TAes128::NativeAvailable()) engines.push_back(TAesEngine::Native);
  return engines;
}

const char* Name(TAesEngine e) { return e == TAesEngine::Native ? "native" : "portable"; }

TEST(Aes, KnownAnswersOfBothEngines) {
  // The standard's worked example (appendix B) and its AES-128 vector (C.1).
  const struct { const char *key, *plain, *cipher; } vectors[] = {
      {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
  };
  for (TAesEngine engine : Engines()) {
    for (const auto& v : vectors) {
      SCOPED_TRACE(Name(engine));
      const TAes128 aes(Hex(v.key).data(), engine);
      ASSERT_EQ(aes.Engine(), engine);
      std::vector<uint8_t> block = Hex(v.plain);
      aes.Encrypt(block.data(), block.data());
      EXPECT_EQ(block, Hex(v.cipher));
      aes.Decrypt(block.data(), block.data());
      EXPECT_EQ(block, Hex(v.plain));
    }
  }
}

// The native engine works on several blocks at once: every count, up to a
// few groups and remainders, must match the portable engine block for block.
TEST(Aes, EnginesAgreeOnEveryBlockCount) {
  if (!TAes128::NativeAvailable()) GTEST_SKIP() << "no AES instructions";
  std::mt19937 random(11);
  uint8_t key[16];
  for (auto& b : key) b = static_cast<uint8_t>(random());
  const TAes128 portable(key, TAesEngine::Portable), native(key, TAesEngine::Native);
  for (size_t blocks = 0; blocks <= 37; ++blocks) {
    std::vector<uint8_t> plain(16 * blocks);
    for (auto& b : plain) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> a(plain.size()), b(plain.size());
    portable.Encrypt(plain.data(), a.data(), blocks);
    native.Encrypt(plain.data(), b.data(), blocks);
    EXPECT_EQ(a, b) << blocks;
    native.Decrypt(b.data(), b.data(), blocks);
    portable.Decrypt(a.data(), a.data(), blocks);
    EXPECT_EQ(a, plain) << blocks;
    EXPECT_EQ(b, plain) << blocks;
  }
}

}  // namespace
}  // namespace zp
