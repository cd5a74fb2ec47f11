#include "package/EncDec.h"

#include <array>

namespace zp {

// 64 digits in our own order, then the padding character. Packages are
// readable only with the table they were written with: never change it.
const char kScrambleTable[66] = "PcWzlrKatpL9QkAYMd-fjhJuv4RwFCe3Sq506Eom1gI8BVDTXGOZ_nix2NsH7byU*";

namespace {

constexpr int kPad = 64;

// Digit of a character: its table position, 0 for characters not in the table.
int DigitOf(char c) {
  static const std::array<uint8_t, 256> digits = [] {
    std::array<uint8_t, 256> d{};
    for (int i = 0; i <= kPad; ++i) d[static_cast<uint8_t>(kScrambleTable[i])] = static_cast<uint8_t>(i);
    return d;
  }();
  return digits[static_cast<uint8_t>(c)];
}

// Keeps the low 8 bits.
char Byte(int value) { return static_cast<char>(static_cast<uint8_t>(value)); }

}  // namespace

std::string EncodeText(const std::string& plain) {
  std::string out;
  out.reserve((plain.size() + 2) / 3 * 4);
  for (size_t i = 0; i < plain.size(); i += 3) {
    const size_t left = plain.size() - i;
    const unsigned b0 = static_cast<uint8_t>(plain[i]);
    const unsigned b1 = left > 1 ? static_cast<uint8_t>(plain[i + 1]) : 0;
    const unsigned b2 = left > 2 ? static_cast<uint8_t>(plain[i + 2]) : 0;
    out += kScrambleTable[b0 >> 2];
    out += kScrambleTable[(b0 & 3) << 4 | b1 >> 4];
    out += kScrambleTable[left > 1 ? (b1 & 15) << 2 | b2 >> 6 : kPad];
    out += kScrambleTable[left > 2 ? b2 & 63 : kPad];
  }
  return out;
}

std::string DecodeText(const std::string& scrambled) {
  const size_t n = scrambled.size();
  auto digit = [&](size_t i) { return i < n ? DigitOf(scrambled[i]) : kPad; };
  std::string out;
  out.reserve(n / 4 * 3 + 3);
  // A group needs at least two characters; a lone last character is ignored,
  // missing ones count as padding.
  for (size_t i = 0; i + 1 < n; i += 4) {
    const int d0 = digit(i), d1 = digit(i + 1), d2 = digit(i + 2), d3 = digit(i + 3);
    out += Byte(d0 << 2 | (d1 >> 4 & 3));
    if (d2 == kPad) continue;
    out += Byte(d1 << 4 | (d2 >> 2 & 15));
    if (d3 != kPad) out += Byte(d2 << 6 | (d3 & 63));
  }
  return out;
}

}  // namespace zp
