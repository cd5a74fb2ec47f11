#include "ContentCompressor.h"

#include <zstd.h>

#include <algorithm>

#include "package/Crc32.h"

namespace zp {
namespace {

constexpr size_t kPiece = 64 * 1024;
// Frames alone: the strongest level that decodes as fast as any; large
// contents get a level that compresses at tens of MB/s.
constexpr int kLevel = 19;
constexpr int kLargeLevel = 9;
constexpr int64_t kLargeFrom = 8 << 20;
// Frames against the dictionary find their bytes there: a faster matcher
// serves as well.
constexpr int kDictionaryLevel = 9;
// A content of at least this size is first tried on its first piece at the
// fastest level; it must save this much there to be compressed whole.
constexpr int64_t kProbeFrom = 4 * 1024;
constexpr double kProbeRatio = 0.97;

void Check(size_t result) {
  if (ZSTD_isError(result)) throw EZpError(std::string("compression failed: ") + ZSTD_getErrorName(result));
}

}  // namespace

std::unique_ptr<TStream> OpenContent(const TContent& content) {
  if (content.FromFile()) return std::make_unique<TFileStream>(content.SourcePath, TFileMode::OpenRead);
  return std::make_unique<TMemoryStream>(content.Bytes);
}

TContentScan ScanContent(const TContent& content) {
  TContentScan scan;
  std::unique_ptr<TStream> source = OpenContent(content);
  std::vector<uint8_t> buffer(kPiece);
  TCrc32 crc;
  int64_t controls = 0;
  bool zero = false;
  while (const int64_t n = source->Read(buffer.data(), static_cast<int64_t>(buffer.size()))) {
    crc.Update(buffer.data(), static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
      const uint8_t b = buffer[static_cast<size_t>(i)];
      if (b == 0) zero = true;
      else if (b < 32 && b != '\t' && b != '\n' && b != '\r' && b != '\f') ++controls;
    }
    scan.Size += n;
  }
  scan.Crc = crc.Value();
  scan.Text = !zero && controls * 100 <= scan.Size;
  return scan;
}

struct TContentCompressor::TState {
  ZSTD_CCtx* Context = ZSTD_createCCtx();
  ZSTD_CDict* Dictionary = nullptr;
  ~TState() {
    ZSTD_freeCDict(Dictionary);
    ZSTD_freeCCtx(Context);
  }
};

TContentCompressor::TContentCompressor() : state_(std::make_unique<TState>()) {
  if (!state_->Context) throw std::bad_alloc();
}

TContentCompressor::~TContentCompressor() = default;

void TContentCompressor::SetDictionary(const std::vector<uint8_t>& dictionary) {
  ZSTD_freeCDict(state_->Dictionary);
  state_->Dictionary = ZSTD_createCDict(dictionary.data(), dictionary.size(), kDictionaryLevel);
  if (!state_->Dictionary) throw EZpError("compression failed: the dictionary was refused");
}

bool TContentCompressor::HasDictionary() const { return state_->Dictionary != nullptr; }

int32_t TContentCompressor::ChooseCoding(const TContent& content, const TContentScan& scan) {
  if (scan.Text && scan.Size <= kDictionaryMemberLimit && HasDictionary()) return ccZstdDictionary;
  if (scan.Size < kProbeFrom) return ccZstd;
  std::unique_ptr<TStream> source = OpenContent(content);
  std::vector<uint8_t> piece(kPiece);
  const int64_t n = source->Read(piece.data(), static_cast<int64_t>(piece.size()));
  std::vector<uint8_t> frame(ZSTD_compressBound(static_cast<size_t>(n)));
  const size_t size = ZSTD_compress(frame.data(), frame.size(), piece.data(), static_cast<size_t>(n), 1);
  Check(size);
  return static_cast<double>(size) <= kProbeRatio * static_cast<double>(n) ? ccZstd : ccStored;
}

int64_t TContentCompressor::Compress(TStream& source, int64_t size, int32_t coding, TStream& out) {
  ZSTD_CCtx* const context = state_->Context;
  Check(ZSTD_CCtx_reset(context, ZSTD_reset_session_and_parameters));
  if (coding == ccZstdDictionary) {
    Check(ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, kDictionaryLevel));
    Check(ZSTD_CCtx_refCDict(context, state_->Dictionary));
  } else {
    // Level 19 asks for at most an 8 MiB window, what the installer allows.
    Check(ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, size < kLargeFrom ? kLevel : kLargeLevel));
  }
  // The record carries the CRC and the size; the frame says its size too, so
  // that the decoder sizes its window to the content.
  Check(ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 0));
  Check(ZSTD_CCtx_setPledgedSrcSize(context, static_cast<unsigned long long>(size)));

  std::vector<uint8_t> input(kPiece), output(ZSTD_CStreamOutSize());
  int64_t left = size, written = 0;
  bool finished = false;
  while (!finished) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(input.size()));
    source.ReadBuffer(input.data(), n);
    left -= n;
    const ZSTD_EndDirective mode = left == 0 ? ZSTD_e_end : ZSTD_e_continue;
    ZSTD_inBuffer in = {input.data(), static_cast<size_t>(n), 0};
    for (;;) {
      ZSTD_outBuffer piece = {output.data(), output.size(), 0};
      const size_t remaining = ZSTD_compressStream2(context, &piece, &in, mode);
      Check(remaining);
      out.WriteBuffer(output.data(), static_cast<int64_t>(piece.pos));
      written += static_cast<int64_t>(piece.pos);
      if (mode == ZSTD_e_end ? remaining == 0 : in.pos == in.size) {
        finished = mode == ZSTD_e_end;
        break;
      }
    }
  }
  return written;
}

std::vector<uint8_t> TContentCompressor::CompressWhole(const std::vector<uint8_t>& plain) {
  ZSTD_CCtx* const context = state_->Context;
  Check(ZSTD_CCtx_reset(context, ZSTD_reset_session_and_parameters));
  const int64_t size = static_cast<int64_t>(plain.size());
  Check(ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, size < kLargeFrom ? kLevel : kLargeLevel));
  Check(ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1));
  std::vector<uint8_t> frame(ZSTD_compressBound(plain.size()));
  const size_t written = ZSTD_compress2(context, frame.data(), frame.size(), plain.data(), plain.size());
  Check(written);
  frame.resize(written);
  return frame;
}

}  // namespace zp
