// OpenSSL's AES-128-ECB through EVP, on the same bytes and with the same
// 64 KiB pieces, as the yardstick for our cipher.
#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

#include "Bench.h"
#include "package/Streams.h"

namespace zp::bench {
namespace {

using TContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

TContext Decryptor(const uint8_t* key) {
  TContext ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr) != 1) {
    throw std::runtime_error("EVP_DecryptInit_ex failed");
  }
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  return ctx;
}

void Decrypt(EVP_CIPHER_CTX* ctx, uint8_t* data, int64_t count) {
  int n = 0;
  if (EVP_DecryptUpdate(ctx, data, &n, data, static_cast<int>(count)) != 1 || n != count) {
    throw std::runtime_error("EVP_DecryptUpdate failed");
  }
}

// The content format on OpenSSL: every block decrypted, the last one cut to
// its count.
void DecryptFile(const TFiles& files, const uint8_t* key) {
  TContext ctx = Decryptor(key);
  TFileStream source(files.encrypted, TFileMode::OpenRead), dest(files.output, TFileMode::Create);
  std::vector<uint8_t> buffer(kCopyBuffer);
  for (int64_t left = source.Size(); left > 0;) {
    const int64_t piece = std::min(left, kCopyBuffer);
    source.ReadBuffer(buffer.data(), piece);
    Decrypt(ctx.get(), buffer.data(), piece);
    left -= piece;
    dest.WriteBuffer(buffer.data(), left > 0 ? piece : piece - 16 + buffer[piece - 1]);
  }
}

}  // namespace

std::vector<TCase> PlatformFileCases(const TFiles& files, const uint8_t* key) {
  return {{"OpenSSL EVP aes-128-ecb, same pieces", [&files, key] { DecryptFile(files, key); }}};
}

std::vector<TCase> PlatformMemoryCases(std::vector<uint8_t>& buffer, const uint8_t* key) {
  return {{"OpenSSL EVP aes-128-ecb", [&buffer, key] {
             TContext ctx = Decryptor(key);
             for (size_t at = 0; at < buffer.size(); at += 1 << 20) Decrypt(ctx.get(), buffer.data() + at, 1 << 20);
           }}};
}

}  // namespace zp::bench
