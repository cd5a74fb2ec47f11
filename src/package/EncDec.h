// Text scrambling of the package formats: Base64 grouping over a private
// 65-character table (64 digits, then the padding character).
#pragma once

#include <cstdint>
#include <string>

namespace zp {

extern const char kScrambleTable[66];

std::string EncodeText(const std::string& plain);
std::string DecodeText(const std::string& scrambled);

// Every stored key byte is XOR-ed with this mask.
constexpr uint8_t KeyMask = 0x5A;

}  // namespace zp
