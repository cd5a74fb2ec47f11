// The AES instructions of x86 processors (AES-NI), for TAes128. Compiled for
// those instructions function by function, so that nothing else in the
// program depends on them; call only when Available() says the CPU has them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zp::aesni {

bool Available();

// `keys`: the 11 round keys of TAes128, 16 bytes each, in application order.
void Encrypt(const uint8_t* keys, const uint8_t* in, uint8_t* out, size_t blocks);
void Decrypt(const uint8_t* keys, const uint8_t* in, uint8_t* out, size_t blocks);

}  // namespace zp::aesni
