// The CRC-32 that zip, PNG and NSIS use (reflected polynomial 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF), computed eight bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zp {

class TCrc32 {
public:
  void Update(const void* data, size_t size);
  uint32_t Value() const { return ~state_; }

private:
  uint32_t state_ = 0xFFFFFFFFu;
};

// The CRC of one piece of memory.
uint32_t Crc32(const void* data, size_t size);

}  // namespace zp
