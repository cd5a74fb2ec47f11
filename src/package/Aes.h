// AES-128 block cipher (FIPS-197): the processor's AES instructions where
// the CPU has them, a table-driven implementation everywhere else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zp {

enum class TAesEngine {
  Auto,      // the AES instructions when the CPU has them, else Portable
  Portable,  // tables only; runs on every processor
  Native,    // the AES instructions; EZpError when the CPU lacks them
};

class TAes128 {
public:
  static constexpr int KeySize = 16;
  static constexpr int BlockSize = 16;

  // Expands `key` (16 bytes) for both directions.
  explicit TAes128(const uint8_t* key, TAesEngine engine = TAesEngine::Auto);

  // ECB over `blocks` whole 16-byte blocks; `in` and `out` may be the same.
  void Encrypt(const uint8_t* in, uint8_t* out, size_t blocks = 1) const;
  void Decrypt(const uint8_t* in, uint8_t* out, size_t blocks = 1) const;

  // Portable or Native: the engine actually in use.
  TAesEngine Engine() const { return engine_; }
  static bool NativeAvailable();

private:
  static constexpr int Rounds = 10;

  TAesEngine engine_;
  // Round keys as 16-byte groups in cipher order; the decryption schedule
  // is the equivalent inverse cipher's (InvMixColumns applied, reversed).
  uint8_t encKeys_[(Rounds + 1) * 16];
  uint8_t decKeys_[(Rounds + 1) * 16];
};

}  // namespace zp
