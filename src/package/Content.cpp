#include "package/Content.h"

#define ZSTD_STATIC_LINKING_ONLY  // the frame header, for its window size
#include <zstd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
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

// Decrypts the block that fills `source` and hands the stored bytes to `out`
// piece by piece, as they come.
using TPieceSink = std::function<void(const uint8_t* bytes, int64_t count)>;

void DecryptBlocks(TStream& source, const uint8_t* key, int keyLength, const TPieceSink& out) {
  if (keyLength != kContentKeyLength) throw EZpError("Invalid key length");
  const TAes128 aes(key);
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
      out(buffer.data(), got / kBlock * kBlock);
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
        out(buffer.data(), plain);
        throw ECipherException();
      }
      plain += count;
    }
    out(buffer.data(), plain);
  }
}

}  // namespace

void DecryptContent(TStream& source, TStream& dest, const uint8_t* key, int keyLength, uint32_t* crc) {
  TPlainWriter out(dest, crc != nullptr);
  DecryptBlocks(source, key, keyLength, [&](const uint8_t* bytes, int64_t count) { out.Write(bytes, count); });
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

// ---- Compressed contents ----

struct TContentDecoder::TState {
  ZSTD_DCtx* Context = nullptr;
  ZSTD_DDict* Dictionary = nullptr;
  std::vector<uint8_t> Output = std::vector<uint8_t>(static_cast<size_t>(kBufferSize));
  ~TState() {
    ZSTD_freeDDict(Dictionary);
    ZSTD_freeDCtx(Context);
  }
};

TContentDecoder::TContentDecoder() : state_(std::make_unique<TState>()) {
  state_->Context = ZSTD_createDCtx();
  if (!state_->Context) throw std::bad_alloc();
  // A frame that wants a larger window than any we make is refused, not
  // given the memory.
  ZSTD_DCtx_setParameter(state_->Context, ZSTD_d_windowLogMax, kMaxWindowLog);
}

TContentDecoder::~TContentDecoder() = default;

void TContentDecoder::SetDictionary(const std::vector<uint8_t>& dictionary) {
  if (static_cast<int64_t>(dictionary.size()) > kMaxDictionarySize) throw ECipherException();
  ZSTD_freeDDict(state_->Dictionary);
  state_->Dictionary = ZSTD_createDDict(dictionary.data(), dictionary.size());
  if (!state_->Dictionary) throw ECipherException();
}

bool TContentDecoder::HasDictionary() const { return state_->Dictionary != nullptr; }

void TContentDecoder::Unpack(TStream& source, TStream& dest, const uint8_t* key, int32_t coding, int64_t plainSize,
                             uint32_t* crc) {
  if (coding == ccStored) return DecryptContent(source, dest, key, kContentKeyLength, crc);
  if (coding != ccZstd && coding != ccZstdDictionary) throw ECipherException();
  if (coding == ccZstdDictionary && !state_->Dictionary) throw ECipherException();
  if (plainSize < 0) throw ECipherException();
  ZSTD_DCtx* const context = state_->Context;
  ZSTD_DCtx_reset(context, ZSTD_reset_session_only);
  if (ZSTD_isError(ZSTD_DCtx_refDDict(context, coding == ccZstdDictionary ? state_->Dictionary : nullptr)))
    throw ECipherException();

  TPlainWriter out(dest, crc != nullptr);
  int64_t left = plainSize;  // what the frame may still write
  size_t pending = 1;        // ZSTD_decompressStream's hint: 0 once the frame is complete
  DecryptBlocks(source, key, kContentKeyLength, [&](const uint8_t* bytes, int64_t count) {
    ZSTD_inBuffer in = {bytes, static_cast<size_t>(count), 0};
    while (in.pos < in.size) {
      if (pending == 0) throw ECipherException();  // bytes after the frame
      ZSTD_outBuffer piece = {state_->Output.data(), state_->Output.size(), 0};
      pending = ZSTD_decompressStream(context, &piece, &in);
      if (ZSTD_isError(pending)) throw ECipherException();
      if (static_cast<int64_t>(piece.pos) > left) throw ECipherException();  // more than the record says
      out.Write(state_->Output.data(), static_cast<int64_t>(piece.pos));
      left -= static_cast<int64_t>(piece.pos);
    }
  });
  // The decoder may hold back output until it is asked again.
  while (pending != 0) {
    ZSTD_inBuffer in = {nullptr, 0, 0};
    ZSTD_outBuffer piece = {state_->Output.data(), state_->Output.size(), 0};
    pending = ZSTD_decompressStream(context, &piece, &in);
    if (ZSTD_isError(pending) || piece.pos == 0) throw ECipherException();  // a frame cut short
    if (static_cast<int64_t>(piece.pos) > left) throw ECipherException();
    out.Write(state_->Output.data(), static_cast<int64_t>(piece.pos));
    left -= static_cast<int64_t>(piece.pos);
  }
  if (left != 0) throw ECipherException();
  if (crc) *crc = out.Crc();
}

// ---- A frame held whole in memory ----

int64_t MaxFrameSize(int64_t plainSize) {
  return static_cast<int64_t>(ZSTD_COMPRESSBOUND(static_cast<uint64_t>(std::max<int64_t>(plainSize, 0))));
}

std::string DecodeWholeFrame(const std::vector<uint8_t>& value, int64_t limit, std::vector<uint8_t>& plain,
                             int64_t& frameSize) {
  plain.clear();
  frameSize = 0;
  ZSTD_frameHeader header{};
  const size_t need = ZSTD_getFrameHeader(&header, value.data(), value.size());
  if (ZSTD_isError(need) || (need == 0 && header.frameType != ZSTD_frame)) return "it holds no Zstandard frame";
  if (need != 0) return "the frame is cut short";
  if (header.frameContentSize == ZSTD_CONTENTSIZE_UNKNOWN) return "the frame does not state its plain size";
  if (header.frameContentSize > static_cast<uint64_t>(limit))
    return "the frame would decode to " + std::to_string(header.frameContentSize) + " bytes, more than the " +
           std::to_string(limit) + " allowed";
  if (header.windowSize > (uint64_t(1) << kMaxWindowLog))
    return "the frame asks for a window of " + std::to_string(header.windowSize) + " bytes, more than the " +
           std::to_string(uint64_t(1) << kMaxWindowLog) + " allowed";
  const size_t length = ZSTD_findFrameCompressedSize(value.data(), value.size());
  if (ZSTD_isError(length)) return "the frame is cut short";
  if (std::any_of(value.begin() + static_cast<std::ptrdiff_t>(length), value.end(), [](uint8_t b) { return b != 0; }))
    return "bytes other than zeros follow the frame";
  const std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)> context(ZSTD_createDCtx(), ZSTD_freeDCtx);
  if (!context) throw std::bad_alloc();
  plain.resize(static_cast<size_t>(header.frameContentSize));
  const size_t got = ZSTD_decompressDCtx(context.get(), plain.data(), plain.size(), value.data(), length);
  if (ZSTD_isError(got) || got != plain.size()) {
    plain.clear();
    return ZSTD_isError(got) ? std::string("the frame does not decode (") + ZSTD_getErrorName(got) + ")"
                             : "the frame decodes to " + std::to_string(got) + " bytes, not the " +
                                   std::to_string(header.frameContentSize) + " it states";
  }
  frameSize = static_cast<int64_t>(length);
  return {};
}

}  // namespace zp
