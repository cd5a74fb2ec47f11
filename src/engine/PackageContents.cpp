#include "engine/PackageContents.h"

#include "package/SubStreams.h"

namespace zp {

TPackageContents::TPackageContents(TStream& package, const TZpInstall& install)
    : package_(package), install_(install) {}

void TPackageContents::Unpack(const TContentRef& content, TStream& dest, uint32_t* crc) {
  TSubStream window(package_, content.Offset, int64_t(content.Offset) + content.Size - 1);
  window.SetPosition(0);
  decoder_.Unpack(window, dest, install_.Key.data(), content.Coding, content.PlainSize, crc);
}

uint32_t TPackageContents::Write(const TContentRef& content, TStream& dest) {
  if (content.Coding == ccZstdDictionary && !decoder_.HasDictionary()) LoadDictionary();
  uint32_t crc = 0;
  Unpack(content, dest, &crc);
  return crc;
}

// The dictionary is a content of its own: at most kMaxDictionarySize bytes,
// not made with itself, and whole when it carries its CRC.
void TPackageContents::LoadDictionary() {
  const std::optional<TContentRef>& dictionary = install_.Dictionary;
  if (!dictionary || dictionary->Coding == ccZstdDictionary) throw ECipherException();
  const int64_t plainSize = dictionary->Coding == ccStored ? int64_t(dictionary->Size) - 16 : dictionary->PlainSize;
  if (plainSize < 0 || plainSize > kMaxDictionarySize) throw ECipherException();
  TMemoryStream plain;
  uint32_t crc = 0;
  Unpack(*dictionary, plain, &crc);
  if (dictionary->Crc && crc != *dictionary->Crc) throw ECipherException();
  decoder_.SetDictionary(plain.Bytes());
}

}  // namespace zp
