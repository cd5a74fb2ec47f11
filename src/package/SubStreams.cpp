#include "package/SubStreams.h"

#include <algorithm>

namespace zp {

TSubStream::TSubStream(TStream& parent, int64_t first, int64_t last)
    : parent_(parent), first_(first), last_(last) {
  const int64_t position = parent_.Position();
  if (position < first_) {
    parent_.SetPosition(first_);
  } else if (position > last_) {
    // An empty window (last = first - 1) is entered at its first byte, not
    // one before it.
    parent_.SetPosition(std::max(last_, first_));
  }
}

TSubStream::TSubStream(std::unique_ptr<TStream> parent, int64_t first, int64_t last)
    : TSubStream(*parent, first, last) {
  owned_ = std::move(parent);
}

int64_t TSubStream::Clip(int64_t count) {
  const int64_t position = parent_.Position();
  // Before the window (only after a failed seek) nothing is readable either:
  // the window never hands out bytes outside its range.
  if (position < first_) return 0;
  return std::max<int64_t>(0, std::min(count, last_ + 1 - position));
}

int64_t TSubStream::Read(void* buffer, int64_t count) {
  const int64_t n = Clip(count);
  return n > 0 ? parent_.Read(buffer, n) : 0;
}

int64_t TSubStream::Write(const void* buffer, int64_t count) {
  const int64_t n = Clip(count);
  return n > 0 ? parent_.Write(buffer, n) : 0;
}

int64_t TSubStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t position;
  switch (origin) {
    case TSeekOrigin::Begin: position = parent_.Seek(first_ + offset, TSeekOrigin::Begin); break;
    case TSeekOrigin::Current: position = parent_.Seek(offset, TSeekOrigin::Current); break;
    default: position = parent_.Seek(last_ + 1 + offset, TSeekOrigin::Begin); break;
  }
  position -= first_;
  if (position < 0) throw EZpError("Seek out of range");
  return position;
}

}  // namespace zp
