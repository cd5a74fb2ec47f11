// Decrypts arbitrary bytes as a content block: no crash, and the output is
// exactly what the block structure allows. Also stores the bytes as a
// content and reads them back.
#include <cstdlib>

#include "package/Content.h"

namespace {

const uint8_t kKey[16] = {7, 1, 8, 2, 8, 1, 8, 2, 8, 4, 5, 9, 0, 4, 5, 2};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const int64_t blocks = static_cast<int64_t>(size / 16);

  zp::TMemoryStream source(bytes), dest;
  try {
    zp::DecryptContent(source, dest, kKey, zp::kContentKeyLength);
    Check(blocks > 0 && dest.Size() >= (blocks - 1) * 16 && dest.Size() < blocks * 16);
  } catch (const zp::ECipherException&) {
    // No block at all, or a final count above 15 behind whole data blocks.
    Check(dest.Size() == (blocks > 0 ? (blocks - 1) * 16 : 0));
  }

  zp::TMemoryStream plain(bytes), stored, back;
  Check(zp::EncryptContent(plain, static_cast<int64_t>(size), stored, kKey) == zp::StoredContentSize(size));
  stored.SetPosition(0);
  zp::DecryptContent(stored, back, kKey, zp::kContentKeyLength);
  Check(back.Bytes() == bytes);
  return 0;
}
