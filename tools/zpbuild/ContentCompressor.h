// Compression of a package's contents (Zstandard). Small text contents (the
// sources of an MQL4 catalogue) are compressed against the package's
// dictionary: their own bytes back to back, stored once as a content of its
// own, so that each of them costs little more than a reference into it and
// the whole set compresses about as well as a solid archive, while every
// content stays a frame of its own that the installer decodes on its own.
// Other contents are compressed alone; a content that does not shrink is
// stored as it is.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Project.h"
#include "package/Content.h"
#include "package/Streams.h"

namespace zp {

// A content's bytes as a stream of its own, read through a bounded buffer.
std::unique_ptr<TStream> OpenContent(const TContent& content);

// What a content is, as far as compression cares; found in one read.
struct TContentScan {
  int64_t Size = 0;
  uint32_t Crc = 0;
  bool Text = false;  // no NUL byte and hardly any other control character
};
TContentScan ScanContent(const TContent& content);

// Contents up to this size that are text go into the dictionary.
constexpr int64_t kDictionaryMemberLimit = 1 << 20;

class TContentCompressor {
public:
  TContentCompressor();
  ~TContentCompressor();
  TContentCompressor(const TContentCompressor&) = delete;
  TContentCompressor& operator=(const TContentCompressor&) = delete;

  // The dictionary that ccZstdDictionary frames are made with (at most
  // kMaxDictionarySize bytes).
  void SetDictionary(const std::vector<uint8_t>& dictionary);
  bool HasDictionary() const;

  // The coding a content of `scan` gets: ccStored when compressing it is not
  // worth a try (a quick look at its beginning finds it incompressible).
  int32_t ChooseCoding(const TContent& content, const TContentScan& scan);

  // The frame of `size` bytes read from `source` in `coding` (ccZstd or
  // ccZstdDictionary), written to `out`; returns its size. The same input
  // gives the same frame every time.
  int64_t Compress(TStream& source, int64_t size, int32_t coding, TStream& out);

  // One frame of bytes held in memory (the package's compressed entries),
  // with the frame's own checksum: nothing else checks what it holds. The
  // same bytes give the same frame every time.
  std::vector<uint8_t> CompressWhole(const std::vector<uint8_t>& plain);

private:
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace zp
