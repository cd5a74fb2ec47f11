// Decrypts arbitrary bytes as a content block: no crash, and the output is
// exactly what the block structure allows. Also stores the bytes as a
// content and reads them back, and decodes them as a compressed content (a
// frame with or without a dictionary): never more than the recorded size,
// and exactly that size when it succeeds.
#include <cstdlib>
#include <string>
#include <vector>

#include "package/Content.h"

namespace {

const uint8_t kKey[16] = {7, 1, 8, 2, 8, 1, 8, 2, 8, 4, 5, 9, 0, 4, 5, 2};

void Check(bool condition) {
  if (!condition) std::abort();
}

// Text of the kind package dictionaries hold.
std::vector<uint8_t> Dictionary() {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "double Buffer" + std::to_string(i % 9) + "[]; iMA(NULL,0," + std::to_string(i) + ");\n";
  return {text.begin(), text.end()};
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

  // The first three bytes choose the coding and the recorded size; the rest
  // is the frame.
  if (size >= 3) {
    static zp::TContentDecoder decoder;
    static const bool withDictionary = (decoder.SetDictionary(Dictionary()), true);
    (void)withDictionary;
    const int32_t coding = data[0] % 2 + 1;
    const int64_t plainSize = int64_t(data[1]) << 8 | data[2];
    const std::vector<uint8_t> frame(data + 3, data + size);
    zp::TMemoryStream framePlain(frame), frameStored, out;
    zp::EncryptContent(framePlain, static_cast<int64_t>(frame.size()), frameStored, kKey);
    frameStored.SetPosition(0);
    try {
      decoder.Unpack(frameStored, out, kKey, coding, plainSize);
      Check(out.Size() == plainSize);
    } catch (const zp::ECipherException&) {
      Check(out.Size() <= plainSize);
    }
  }
  return 0;
}
