#include "base/Errors.h"

namespace zp {

void RaiseLastOSError(const std::string& context) {
  const uint32_t code = LastErrorCode();
  std::string text = SystemErrorText(code);
  throw EOSError(code, context.empty() ? text : context + ": " + text);
}

}  // namespace zp
