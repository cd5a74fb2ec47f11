// CRC-32 by carry-less multiplication (PCLMULQDQ), folding 64 bytes per step
// as Intel's "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ"
// describes, for TCrc32. Compiled for those instructions function by
// function; call only when Available() says the CPU has them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zp::clmul {

bool Available();

// The CRC register after `size` bytes (at least 64, a multiple of 16),
// starting from `state` (the register, not the finished CRC).
uint32_t Fold(const uint8_t* data, size_t size, uint32_t state);

}  // namespace zp::clmul
