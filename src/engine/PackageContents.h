// The contents of a loaded package, read out of its file: each through a
// window onto its block, decrypted, decoded when it is stored compressed,
// with its CRC-32 computed on the way. The installation run and zpbuild's
// readers share it.
#pragma once

#include <cstdint>

#include "engine/ZpClasses.h"
#include "package/Content.h"
#include "package/Streams.h"

namespace zp {

class TPackageContents {
public:
  // `package` is the package file (kept open by the caller); `install` the
  // package loaded from it, whose key and dictionary are used.
  TPackageContents(TStream& package, const TZpInstall& install);

  // Writes the content to `dest` at its position and returns the CRC-32 of
  // the bytes written. A damaged block or frame raises ECipherException
  // (Content.h); what was written until then stays. The package's
  // dictionary is read the first time a content needs it.
  uint32_t Write(const TContentRef& content, TStream& dest);

private:
  void Unpack(const TContentRef& content, TStream& dest, uint32_t* crc);
  void LoadDictionary();

  TStream& package_;
  const TZpInstall& install_;
  TContentDecoder decoder_;
};

}  // namespace zp
