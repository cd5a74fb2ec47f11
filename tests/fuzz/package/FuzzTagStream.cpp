// Walks arbitrary bytes as a tag stream the way the loaders do, taking each
// entry with a reader picked from its tag. Reading must end, and the
// position must only ever move forward.
#include <cstdlib>

#include "package/SubStreams.h"
#include "package/TagStreams.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Walk(zp::TTagStreamAdapter& r, int depth) {
  zp::TStream& s = r.Stream();
  for (int64_t before = s.Position(); r.ReadTag(); before = s.Position()) {
    switch ((r.Tag & 0x7FFFFFFF) % 5) {
      case 0: r.ReadString(); break;
      case 1: r.ReadInteger(); break;
      case 2: r.ReadBoolean(); break;
      case 3:
        // A known block is read entry by entry, as the loaders read records.
        if (r.TagType == zp::ttBlock && depth < 32) {
          Walk(r, depth + 1);
        } else {
          r.SkipValue();
        }
        break;
      default: r.SkipValue(); break;
    }
    Check(s.Position() >= before + 5);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Once as the whole stream, once through a window that cuts off the first
  // and last bytes, as the package is read out of the installer's file.
  zp::TMemoryStream whole(std::vector<uint8_t>(data, data + size));
  zp::TTagStreamAdapter a(whole);
  a.CheckSignature(zp::kPackageSignature);
  Walk(a, 0);

  zp::TMemoryStream parent(std::vector<uint8_t>(data, data + size));
  zp::TSubStream window(parent, 3, static_cast<int64_t>(size) - 4);
  window.SetPosition(0);
  zp::TTagStreamAdapter b(window);
  Walk(b, 0);
  return 0;
}
