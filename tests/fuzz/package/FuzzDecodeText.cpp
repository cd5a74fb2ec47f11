// DecodeText takes any bytes; EncodeText undoes DecodeText's result and
// DecodeText undoes EncodeText.
#include <cstdlib>

#include "package/EncDec.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string plain = zp::DecodeText(input);
  Check(plain.size() <= (size + 3) / 4 * 3);
  const std::string again = zp::EncodeText(plain);
  Check(again.size() == (plain.size() + 2) / 3 * 4);
  Check(zp::DecodeText(again) == plain);

  const std::string scrambled = zp::EncodeText(input);
  Check(zp::DecodeText(scrambled) == input);
  return 0;
}
