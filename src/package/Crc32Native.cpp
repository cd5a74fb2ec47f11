#include "package/Crc32Native.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <emmintrin.h>
#include <smmintrin.h>
#include <wmmintrin.h>

// 32-bit Windows guarantees only 4-byte stack alignment at a call from the
// system; SSE spills need 16.
#if defined(__i386__)
#define ZP_CLMUL_ENTRY __attribute__((target("pclmul,sse4.1"), force_align_arg_pointer))
#else
#define ZP_CLMUL_ENTRY __attribute__((target("pclmul,sse4.1")))
#endif
#define ZP_CLMUL_INLINE __attribute__((target("pclmul,sse4.1"), always_inline)) inline

namespace zp::clmul {
namespace {

// The reflected-domain constants of the CRC-32 polynomial: x^(4*128+32),
// x^(4*128-32) mod P for the 64-byte folds, x^(128+32), x^(128-32) mod P for
// the 16-byte folds, x^64 mod P, and P with its Barrett constant.
alignas(16) const uint64_t kFold4[2] = {0x0154442bd4, 0x01c6e41596};
alignas(16) const uint64_t kFold1[2] = {0x01751997d0, 0x00ccaa009e};
alignas(16) const uint64_t kFold64[2] = {0x0163cd6124, 0x0000000000};
alignas(16) const uint64_t kPoly[2] = {0x01db710641, 0x01f7011641};

ZP_CLMUL_INLINE __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Folds `x` forward by the distance that `k` stands for and adds `next`.
ZP_CLMUL_INLINE __m128i FoldInto(__m128i x, __m128i k, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), next), low);
}

}  // namespace

bool Available() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
}

ZP_CLMUL_ENTRY uint32_t Fold(const uint8_t* data, size_t size, uint32_t state) {
  __m128i x1 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(state)));
  __m128i x2 = Load(data + 16), x3 = Load(data + 32), x4 = Load(data + 48);
  data += 64, size -= 64;

  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
  for (; size >= 64; data += 64, size -= 64) {
    x1 = FoldInto(x1, k, Load(data));
    x2 = FoldInto(x2, k, Load(data + 16));
    x3 = FoldInto(x3, k, Load(data + 32));
    x4 = FoldInto(x4, k, Load(data + 48));
  }

  // Four lanes into one, then the remaining 16-byte pieces.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
  x1 = FoldInto(FoldInto(FoldInto(x1, k, x2), k, x3), k, x4);
  for (; size >= 16; data += 16, size -= 16) x1 = FoldInto(x1, k, Load(data));

  // 128 bits to 64, then the Barrett reduction to 32.
  const __m128i mask = _mm_setr_epi32(~0, 0, ~0, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x00), _mm_srli_si128(x1, 4));
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kPoly));
  __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x10);
  quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, mask), k, 0x00);
  return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, quotient), 1));
}

}  // namespace zp::clmul

#else  // no carry-less multiplication on this processor family

namespace zp::clmul {

// Never called: TCrc32 asks Available() first.
bool Available() { return false; }
uint32_t Fold(const uint8_t*, size_t, uint32_t state) { return state; }

}  // namespace zp::clmul

#endif
