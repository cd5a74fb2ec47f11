// zpbuild's reader trusts nothing in an installer: list any bytes, as a whole
// file and with a program image header pointing at them, and look for a
// certificate table in them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <vector>

#include "engine/PeImage.h"
#include "package/Streams.h"
#include "zpbuild/PackageReader.h"

namespace {

void ReadAndList(std::vector<uint8_t> bytes) {
  zp::TMemoryStream stream(std::move(bytes));
  try {
    const auto info = zp::ReadPackage(stream);
    std::ostringstream out;
    zp::ListPackage(*info, out);
    if (!info->Load.HasData) (void)zp::NoPackageReason(*info, "");
    (void)zp::ReadCertificateTable(stream);
  } catch (const zp::EZpError&) {
    // A clear error is a fine answer to damaged input.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadAndList(std::vector<uint8_t>(data, data + size));

  // The same bytes as the package of a 140-byte program image.
  std::vector<uint8_t> file(140, 0);
  const uint32_t position = 140;
  std::memcpy(file.data() + 136, &position, 4);
  file.insert(file.end(), {'Z', 'P', 'I', 'N'});
  file.insert(file.end(), data, data + size);
  ReadAndList(std::move(file));
  return 0;
}
