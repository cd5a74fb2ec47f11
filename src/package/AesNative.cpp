#include "package/AesNative.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>

// 32-bit Windows guarantees only 4-byte stack alignment at a call from the
// system (a window procedure, say); SSE spills need 16.
#if defined(__i386__)
#define ZP_AES_ENTRY __attribute__((target("aes,sse2"), force_align_arg_pointer))
#else
#define ZP_AES_ENTRY __attribute__((target("aes,sse2")))
#endif
#define ZP_AES_INLINE __attribute__((target("aes,sse2"), always_inline)) inline

namespace zp::aesni {
namespace {

constexpr int kRounds = 10;
// Blocks in flight: each AES round instruction has a latency of several
// cycles but issues every cycle, so independent blocks hide it. 32-bit code
// has only 8 XMM registers.
constexpr size_t kLanes = sizeof(void*) == 8 ? 8 : 4;

struct TForward {
  ZP_AES_INLINE static __m128i Round(__m128i m, __m128i k) { return _mm_aesenc_si128(m, k); }
  ZP_AES_INLINE static __m128i Last(__m128i m, __m128i k) { return _mm_aesenclast_si128(m, k); }
};

struct TInverse {
  ZP_AES_INLINE static __m128i Round(__m128i m, __m128i k) { return _mm_aesdec_si128(m, k); }
  ZP_AES_INLINE static __m128i Last(__m128i m, __m128i k) { return _mm_aesdeclast_si128(m, k); }
};

ZP_AES_INLINE __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
ZP_AES_INLINE void Store(uint8_t* p, __m128i m) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), m); }

template <class Cipher, size_t Lanes>
ZP_AES_INLINE void Group(const __m128i (&k)[kRounds + 1], const uint8_t* in, uint8_t* out) {
  __m128i m[Lanes];
  for (size_t j = 0; j < Lanes; ++j) m[j] = _mm_xor_si128(Load(in + 16 * j), k[0]);
  for (int r = 1; r < kRounds; ++r) {
    for (size_t j = 0; j < Lanes; ++j) m[j] = Cipher::Round(m[j], k[r]);
  }
  for (size_t j = 0; j < Lanes; ++j) Store(out + 16 * j, Cipher::Last(m[j], k[kRounds]));
}

template <class Cipher>
ZP_AES_INLINE void Run(const uint8_t* keys, const uint8_t* in, uint8_t* out, size_t blocks) {
  __m128i k[kRounds + 1];
  for (int r = 0; r <= kRounds; ++r) k[r] = Load(keys + 16 * r);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    Group<Cipher, kLanes>(k, in, out);
  }
  for (; blocks > 0; --blocks, in += 16, out += 16) Group<Cipher, 1>(k, in, out);
}

}  // namespace

bool Available() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & bit_AES) && (edx & bit_SSE2);
}

ZP_AES_ENTRY void Encrypt(const uint8_t* keys, const uint8_t* in, uint8_t* out, size_t blocks) {
  Run<TForward>(keys, in, out, blocks);
}

ZP_AES_ENTRY void Decrypt(const uint8_t* keys, const uint8_t* in, uint8_t* out, size_t blocks) {
  Run<TInverse>(keys, in, out, blocks);
}

}  // namespace zp::aesni

#else  // no AES instructions on this processor family

namespace zp::aesni {

// Never called: TAes128 asks Available() first.
bool Available() { return false; }
void Encrypt(const uint8_t*, const uint8_t*, uint8_t*, size_t) {}
void Decrypt(const uint8_t*, const uint8_t*, uint8_t*, size_t) {}

}  // namespace zp::aesni

#endif
