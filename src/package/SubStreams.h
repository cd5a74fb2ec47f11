// A window onto a fixed range of another stream, shown as a stream of its
// own. The installer reads every content block through one.
#pragma once

#include <cstdint>
#include <memory>

#include "package/Streams.h"

namespace zp {

class TSubStream : public TStream {
public:
  // Shows bytes first..last (inclusive) of `parent`, which stays the
  // caller's. The parent's position is moved into the range.
  TSubStream(TStream& parent, int64_t first, int64_t last);
  // The same, but the window owns and releases the parent.
  TSubStream(std::unique_ptr<TStream> parent, int64_t first, int64_t last);

  // Clipped to the range: 0 once the position has left it.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Moves the parent; raises EZpError "Seek out of range" when the result
  // lies before the window (the parent has moved all the same).
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return last_ - first_ + 1; }

private:
  // How many of `count` bytes from the parent's position lie in the range.
  int64_t Clip(int64_t count);

  std::unique_ptr<TStream> owned_;
  TStream& parent_;
  int64_t first_;
  int64_t last_;
};

}  // namespace zp
