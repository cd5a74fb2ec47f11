#include <cerrno>
#include <cstring>

#include "base/Errors.h"

namespace zp {

std::string SystemErrorText(uint32_t code) { return std::strerror(static_cast<int>(code)); }

uint32_t LastErrorCode() { return static_cast<uint32_t>(errno); }

}  // namespace zp
