// Our AES against OpenSSL's, on random keys and data.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <random>
#include <vector>

#include "package/Aes.h"

namespace zp {
namespace {

std::vector<uint8_t> OpenSslEcb(const uint8_t* key, const std::vector<uint8_t>& in, bool encrypt) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  EXPECT_EQ(EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0), 1);
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  std::vector<uint8_t> out(in.size());
  int n = 0;
  EXPECT_EQ(EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size())), 1);
  EXPECT_EQ(n, static_cast<int>(in.size()));
  return out;
}

TEST(AesOpenSsl, BothEnginesMatchOpenSsl) {
  std::mt19937 random(3);
  std::vector<TAesEngine> engines{TAesEngine::Portable};
  if (TAes128::NativeAvailable()) engines.push_back(TAesEngine::Native);
  for (int round = 0; round < 50; ++round) {
    uint8_t key[16];
    for (auto& b : key) b = static_cast<uint8_t>(random());
    const size_t blocks = 1 + random() % 40;
    std::vector<uint8_t> plain(16 * blocks);
    for (auto& b : plain) b = static_cast<uint8_t>(random());
    const std::vector<uint8_t> expected = OpenSslEcb(key, plain, true);
    ASSERT_EQ(OpenSslEcb(key, expected, false), plain);
    for (TAesEngine engine : engines) {
      const TAes128 aes(key, engine);
      std::vector<uint8_t> cipher(plain.size()), back(plain.size());
      aes.Encrypt(plain.data(), cipher.data(), blocks);
      aes.Decrypt(cipher.data(), back.data(), blocks);
      EXPECT_EQ(cipher, expected) << static_cast<int>(engine);
      EXPECT_EQ(back, plain) << static_cast<int>(engine);
    }
  }
}

}  // namespace
}  // namespace zp
