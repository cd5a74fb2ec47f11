// The system's own file copy, as a second baseline.
#include <windows.h>

#include "Bench.h"
#include "base/Errors.h"

namespace zp::bench {

std::vector<TCase> PlatformFileCases(const TFiles& files, const uint8_t*) {
  return {{"CopyFileA (no content work)", [&files] {
             if (!CopyFileA(files.plain.c_str(), files.output.c_str(), FALSE)) RaiseLastOSError(files.output);
           }}};
}

std::vector<TCase> PlatformMemoryCases(std::vector<uint8_t>&, const uint8_t*) { return {}; }

}  // namespace zp::bench
