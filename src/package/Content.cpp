#include "package/Content.h"

#include <algorithm>
#include <vector>

#include "package/Aes.h"
#include "package/Crc32.h"

namespace zp {
namespace {

constexpr int64_t kBlock = TAes128::BlockSize;
// Contents pass through this much memory at a time: large enough that the
// cipher and the file system see big pieces, small enough for any content.
constexpr int64_t kBufferSize = 64 * 1024;

// Reads `count` bytes unless the stream ends first; returns how many came.
int64_t ReadUpTo(TStream& stream, uint8_t* buffer, int64_t count) {
  int64_t total = 0;
  while (total < count) {
    const int64_t n = stream.Read(buffer + total, count - total);
    if (n <= 0) break;
    total += n;
  }
  return total;
}

// Writes plain bytes, adding them to the CRC when one is asked for.
class TPlainWriter {
public:
  TPlainWriter(TStream& dest, bool sum) : dest_(dest), sum_(sum) {}
  void Write(const uint8_t* bytes, int64_t count) {
    if (sum_) crc_.Update(bytes, static_cast<size_t>(count));
    dest_.WriteBuffer(bytes, count);
  }
  uint32_t Crc() const { return crc_.Value(); }

private:
  TStream& dest_;
  bool sum_;
  TCrc32 crc_;
};

}  // namespace

void DecryptContent(TStream& source, TStream& dest, const uint8_t* key, int keyLength, uint32_t* crc) {
  if (keyLength != kContentKeyLength) throw EZpError("Invalid key length");
  const TAes128 aes(key);
  TPlainWriter out(dest, crc != nullptr);
  int64_t left = source.Size() / kBlock * kBlock;  // a trailing partial block is ignored
  if (left <= 0) throw ECipherException();         // not even the final block
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(left, kBufferSize)));
  while (left > 0) {
    const int64_t want = std::min(left, kBufferSize);
    const int64_t got = ReadUpTo(source, buffer.data(), want);
    aes.Decrypt(buffer.data(), buffer.data(), static_cast<size_t>(got / kBlock));
    if (got < want) {
      // Cut short: what was whole is content, and is kept as it would be had
      // we gone block by block.
      out.Write(buffer.data(), got / kBlock * kBlock);
      throw ECipherException();
    }
    left -= got;
    int64_t plain = got;
    if (left == 0) {
      // The final block: byte 15 counts the content bytes in front of it.
      const uint8_t count = buffer[static_cast<size_t>(got - 1)];
      plain = got - kBlock;
      if (count >= kBlock) {
        // Only a wrong key or damaged data gives this: report it rather
        // than write garbage.
        out.Write(buffer.data(), plain);
        throw ECipherException();
      }
      plain += count;
    }
    out.Write(buffer.data(), plain);
  }
  if (crc) *crc = out.Crc();
}

int64_t EncryptContent(TStream& source, int64_t count, TStream& dest, const uint8_t* key, uint32_t* crc) {
  if (count < 0) throw EZpError("Invalid content size");
  const TAes128 aes(key);
  TCrc32 sum;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::clamp(count / kBlock * kBlock, kBlock, kBufferSize)));
  int64_t left = count;
  while (left >= kBlock) {
    const int64_t piece = std::min(left / kBlock * kBlock, kBufferSize);
    source.ReadBuffer(buffer.data(), piece);
    if (crc) sum.Update(buffer.data(), static_cast<size_t>(piece));
    aes.Encrypt(buffer.data(), buffer.data(), static_cast<size_t>(piece / kBlock));
    dest.WriteBuffer(buffer.data(), piece);
    left -= piece;
  }
  uint8_t last[kBlock] = {};
  source.ReadBuffer(last, left);
  if (crc) sum.Update(last, static_cast<size_t>(left)), *crc = sum.Value();
  last[kBlock - 1] = static_cast<uint8_t>(left);
  aes.Encrypt(last, last);
  dest.WriteBuffer(last, kBlock);
  return StoredContentSize(count);
}

}  // namespace zp
