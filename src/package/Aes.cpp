#include "package/Aes.h"

#include <array>
#include <cstring>

#include "base/Errors.h"
#include "package/AesNative.h"

namespace zp {
namespace {

// ---- GF(2^8) arithmetic and the tables derived from it, all at compile time.

constexpr uint8_t Times2(uint8_t a) { return static_cast<uint8_t>(a << 1 ^ (a & 0x80 ? 0x1B : 0)); }

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  for (; b; b >>= 1, a = Times2(a)) {
    if (b & 1) product ^= a;
  }
  return product;
}

constexpr uint8_t RotateLeft8(uint8_t x, int n) { return static_cast<uint8_t>(x << n | x >> (8 - n)); }

struct TSBoxes {
  std::array<uint8_t, 256> forward{};
  std::array<uint8_t, 256> inverse{};
};

// The S-box: the multiplicative inverse (through powers of the generator 3)
// followed by the affine transformation.
constexpr TSBoxes MakeSBoxes() {
  std::array<uint8_t, 256> power{}, log{};
  uint8_t x = 1;
  for (int i = 0; i < 255; ++i) {
    power[i] = x;
    log[x] = static_cast<uint8_t>(i);
    x = static_cast<uint8_t>(x ^ Times2(x));
  }
  TSBoxes boxes;
  for (int a = 0; a < 256; ++a) {
    const uint8_t inv = a == 0 ? 0 : power[(255 - log[a]) % 255];
    const uint8_t s = static_cast<uint8_t>(inv ^ RotateLeft8(inv, 1) ^ RotateLeft8(inv, 2) ^
                                           RotateLeft8(inv, 3) ^ RotateLeft8(inv, 4) ^ 0x63);
    boxes.forward[a] = s;
    boxes.inverse[s] = static_cast<uint8_t>(a);
  }
  return boxes;
}

constexpr TSBoxes kBoxes = MakeSBoxes();
constexpr const std::array<uint8_t, 256>& kSBox = kBoxes.forward;
constexpr const std::array<uint8_t, 256>& kInvSBox = kBoxes.inverse;

constexpr uint32_t Column(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t(b0) << 24 | uint32_t(b1) << 16 | uint32_t(b2) << 8 | b3;
}

// One round's SubBytes + MixColumns (resp. the inverses) for a byte in row 0;
// rows 1 to 3 use the same column rotated right by 8, 16, 24 bits.
constexpr std::array<uint32_t, 256> MakeForwardTable() {
  std::array<uint32_t, 256> t{};
  for (int a = 0; a < 256; ++a) {
    const uint8_t s = kSBox[a];
    t[a] = Column(Multiply(s, 2), s, s, Multiply(s, 3));
  }
  return t;
}

constexpr std::array<uint32_t, 256> MakeInverseTable() {
  std::array<uint32_t, 256> t{};
  for (int a = 0; a < 256; ++a) {
    const uint8_t s = kInvSBox[a];
    t[a] = Column(Multiply(s, 14), Multiply(s, 9), Multiply(s, 13), Multiply(s, 11));
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTe = MakeForwardTable();
constexpr std::array<uint32_t, 256> kTd = MakeInverseTable();

inline uint32_t Ror(uint32_t x, int n) { return x >> n | x << (32 - n); }

inline uint32_t GetBE32(const uint8_t* p) { return Column(p[0], p[1], p[2], p[3]); }

inline void PutBE32(uint8_t* p, uint32_t x) {
  p[0] = static_cast<uint8_t>(x >> 24), p[1] = static_cast<uint8_t>(x >> 16);
  p[2] = static_cast<uint8_t>(x >> 8), p[3] = static_cast<uint8_t>(x);
}

inline uint8_t B(uint32_t x, int byte) { return static_cast<uint8_t>(x >> (24 - 8 * byte)); }

// ---- The table-driven cipher. State and round keys are big-endian columns.

constexpr int kRounds = 10;

inline uint32_t Key(const uint8_t* keys, int round, int column) { return GetBE32(keys + 16 * round + 4 * column); }

// One column of a middle round: rows 0 to 3 are taken from columns a to d
// (ShiftRows or InvShiftRows), then SubBytes and (Inv)MixColumns by table.
inline uint32_t RoundColumn(const std::array<uint32_t, 256>& t, uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                            uint32_t key) {
  return t[B(a, 0)] ^ Ror(t[B(b, 1)], 8) ^ Ror(t[B(c, 2)], 16) ^ Ror(t[B(d, 3)], 24) ^ key;
}

// One column of the last round, which has no (Inv)MixColumns.
inline uint32_t LastColumn(const std::array<uint8_t, 256>& box, uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                           uint32_t key) {
  return Column(box[B(a, 0)], box[B(b, 1)], box[B(c, 2)], box[B(d, 3)]) ^ key;
}

void PortableEncrypt(const uint8_t* keys, const uint8_t* in, uint8_t* out) {
  uint32_t s0 = GetBE32(in) ^ Key(keys, 0, 0), s1 = GetBE32(in + 4) ^ Key(keys, 0, 1);
  uint32_t s2 = GetBE32(in + 8) ^ Key(keys, 0, 2), s3 = GetBE32(in + 12) ^ Key(keys, 0, 3);
  for (int r = 1; r < kRounds; ++r) {
    const uint32_t t0 = RoundColumn(kTe, s0, s1, s2, s3, Key(keys, r, 0));
    const uint32_t t1 = RoundColumn(kTe, s1, s2, s3, s0, Key(keys, r, 1));
    const uint32_t t2 = RoundColumn(kTe, s2, s3, s0, s1, Key(keys, r, 2));
    const uint32_t t3 = RoundColumn(kTe, s3, s0, s1, s2, Key(keys, r, 3));
    s0 = t0, s1 = t1, s2 = t2, s3 = t3;
  }
  PutBE32(out, LastColumn(kSBox, s0, s1, s2, s3, Key(keys, kRounds, 0)));
  PutBE32(out + 4, LastColumn(kSBox, s1, s2, s3, s0, Key(keys, kRounds, 1)));
  PutBE32(out + 8, LastColumn(kSBox, s2, s3, s0, s1, Key(keys, kRounds, 2)));
  PutBE32(out + 12, LastColumn(kSBox, s3, s0, s1, s2, Key(keys, kRounds, 3)));
}

// The equivalent inverse cipher: InvShiftRows takes row i from column c - i.
void PortableDecrypt(const uint8_t* keys, const uint8_t* in, uint8_t* out) {
  uint32_t s0 = GetBE32(in) ^ Key(keys, 0, 0), s1 = GetBE32(in + 4) ^ Key(keys, 0, 1);
  uint32_t s2 = GetBE32(in + 8) ^ Key(keys, 0, 2), s3 = GetBE32(in + 12) ^ Key(keys, 0, 3);
  for (int r = 1; r < kRounds; ++r) {
    const uint32_t t0 = RoundColumn(kTd, s0, s3, s2, s1, Key(keys, r, 0));
    const uint32_t t1 = RoundColumn(kTd, s1, s0, s3, s2, Key(keys, r, 1));
    const uint32_t t2 = RoundColumn(kTd, s2, s1, s0, s3, Key(keys, r, 2));
    const uint32_t t3 = RoundColumn(kTd, s3, s2, s1, s0, Key(keys, r, 3));
    s0 = t0, s1 = t1, s2 = t2, s3 = t3;
  }
  PutBE32(out, LastColumn(kInvSBox, s0, s3, s2, s1, Key(keys, kRounds, 0)));
  PutBE32(out + 4, LastColumn(kInvSBox, s1, s0, s3, s2, Key(keys, kRounds, 1)));
  PutBE32(out + 8, LastColumn(kInvSBox, s2, s1, s0, s3, Key(keys, kRounds, 2)));
  PutBE32(out + 12, LastColumn(kInvSBox, s3, s2, s1, s0, Key(keys, kRounds, 3)));
}

// ---- Key expansion.

void ExpandKey(const uint8_t* key, uint8_t* w) {
  std::memcpy(w, key, 16);
  uint8_t rcon = 1;
  for (int i = 4; i < 4 * (kRounds + 1); ++i) {
    uint8_t temp[4];
    std::memcpy(temp, w + 4 * (i - 1), 4);
    if (i % 4 == 0) {
      const uint8_t first = temp[0];
      temp[0] = static_cast<uint8_t>(kSBox[temp[1]] ^ rcon);
      temp[1] = kSBox[temp[2]];
      temp[2] = kSBox[temp[3]];
      temp[3] = kSBox[first];
      rcon = Times2(rcon);
    }
    for (int j = 0; j < 4; ++j) w[4 * i + j] = static_cast<uint8_t>(w[4 * (i - 4) + j] ^ temp[j]);
  }
}

void InvMixColumn(uint8_t* a) {
  const uint8_t a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
  a[0] = Multiply(a0, 14) ^ Multiply(a1, 11) ^ Multiply(a2, 13) ^ Multiply(a3, 9);
  a[1] = Multiply(a0, 9) ^ Multiply(a1, 14) ^ Multiply(a2, 11) ^ Multiply(a3, 13);
  a[2] = Multiply(a0, 13) ^ Multiply(a1, 9) ^ Multiply(a2, 14) ^ Multiply(a3, 11);
  a[3] = Multiply(a0, 11) ^ Multiply(a1, 13) ^ Multiply(a2, 9) ^ Multiply(a3, 14);
}

// The equivalent inverse cipher's schedule: the encryption keys in reverse
// order, InvMixColumns applied to all but the first and last.
void InverseSchedule(const uint8_t* enc, uint8_t* dec) {
  for (int r = 0; r <= kRounds; ++r) std::memcpy(dec + 16 * r, enc + 16 * (kRounds - r), 16);
  for (int r = 1; r < kRounds; ++r) {
    for (int c = 0; c < 4; ++c) InvMixColumn(dec + 16 * r + 4 * c);
  }
}

}  // namespace

bool TAes128::NativeAvailable() {
  static const bool available = aesni::Available();
  return available;
}

TAes128::TAes128(const uint8_t* key, TAesEngine engine) {
  if (engine == TAesEngine::Native && !NativeAvailable()) {
    throw EZpError("This processor has no AES instructions");
  }
  engine_ = engine == TAesEngine::Portable || !NativeAvailable() ? TAesEngine::Portable : TAesEngine::Native;
  ExpandKey(key, encKeys_);
  InverseSchedule(encKeys_, decKeys_);
}

void TAes128::Encrypt(const uint8_t* in, uint8_t* out, size_t blocks) const {
  if (engine_ == TAesEngine::Native) {
    aesni::Encrypt(encKeys_, in, out, blocks);
    return;
  }
  for (size_t i = 0; i < blocks; ++i) PortableEncrypt(encKeys_, in + 16 * i, out + 16 * i);
}

void TAes128::Decrypt(const uint8_t* in, uint8_t* out, size_t blocks) const {
  if (engine_ == TAesEngine::Native) {
    aesni::Decrypt(decKeys_, in, out, blocks);
    return;
  }
  for (size_t i = 0; i < blocks; ++i) PortableDecrypt(decKeys_, in + 16 * i, out + 16 * i);
}

}  // namespace zp
