// The few fields of a PE image header that signing touches: the certificate
// table entry (data directory 4, where an Authenticode signature is found)
// and the image checksum. Portable: zpbuild reads them too.
#pragma once

#include <cstdint>
#include <optional>

#include "package/Streams.h"

namespace zp {

struct TCertificateTable {
  int64_t EntryPosition = 0;     // file position of the directory entry
  int64_t ChecksumPosition = 0;  // file position of the image checksum
  uint32_t Offset = 0;           // the table's file position; 0 when unsigned
  uint32_t Size = 0;
  bool Present() const { return Offset != 0 || Size != 0; }
};

// The certificate table entry of the image at the start of `stream`; empty
// when the stream holds no PE image with one. Moves the stream's position.
std::optional<TCertificateTable> ReadCertificateTable(TStream& stream);

// The image checksum of the whole stream, as Windows computes it (16-bit
// sums with carries folded in, the checksum field read as zero, plus the
// length).
uint32_t PeChecksum(TStream& stream, int64_t checksumPosition);

// For an image copied out of a signed file: clears the certificate table
// entry, which would point at bytes the copy does not have, and stores the
// checksum of the whole stream. False (nothing changed) when the image
// carries no signature.
bool DetachSignature(TStream& stream);

}  // namespace zp
