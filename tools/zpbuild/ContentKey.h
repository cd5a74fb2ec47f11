// The content key of a project that gives none. The package stores its key
// (masked, not hidden), so a key drawn at random would protect nothing; one
// derived from the package's inputs makes two builds of the same inputs
// byte-identical.
#pragma once

#include <cstdint>
#include <vector>

#include "Project.h"

namespace zp {

// A 64-bit hash in the manner of xxHash64, fed piece by piece.
class THash64 {
public:
  explicit THash64(uint64_t seed = 0);
  void Add(const uint8_t* data, size_t size);
  uint64_t Value() const;

private:
  void Stripe(const uint8_t* p);

  uint64_t lanes_[4];
  uint64_t seed_;
  uint64_t length_ = 0;
  uint8_t pending_[32];
  size_t pendingSize_ = 0;
};

// The key of a package whose tag stream, written with an all-zero key, is
// `tagStream`: a hash of the tag stream and of the bytes of `contents` (in
// block order; none where the records carry their contents' CRCs). Contents
// are read through a bounded buffer. Raises EProjectError naming a file that
// cannot be read.
TContentKey DeriveContentKey(const std::vector<uint8_t>& tagStream, const std::vector<const TContent*>& contents);

}  // namespace zp
