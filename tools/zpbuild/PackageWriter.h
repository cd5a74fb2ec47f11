// Turns a project into an installer: the program image ("stub"), the tag
// stream of the package, then the encrypted content blocks back to back: the
// contents' dictionary, when there is one, then the contents in record order
// (files, then programs), each compressed when that makes it smaller. The
// records travel in the tag stream as one compressed entry when that makes
// it smaller. Byte 136 of the image receives the position of the tag stream;
// every record's Offset and Size are absolute positions in the finished file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "BuilderOS.h"
#include "Project.h"
#include "package/Streams.h"

namespace zp {

// Where a record's content block went.
struct TRecordLayout {
  int32_t Offset = 0;       // absolute file position (0 for an external program)
  int32_t Size = 0;         // stored size, a multiple of 16 (0 for an external program)
  int64_t ContentSize = 0;  // plain bytes
  int32_t Coding = 0;       // TContentCoding: 0 plain bytes, else a Zstandard frame
  uint64_t CreationTime = 0;   // as stored: given, or taken from the source
  uint64_t LastWriteTime = 0;
  std::optional<uint32_t> Crc;  // of the plain content, when the package stores it
};

struct TPackageLayout {
  int64_t PackagePosition = 0;  // the tag stream; equals the image size
  int64_t ContentPosition = 0;  // the first content block; the end of the tag stream
  int64_t FileSize = 0;
  TContentKey Key{};
  std::vector<TRecordLayout> Files;
  std::vector<TRecordLayout> Execs;
  std::optional<TRecordLayout> Dictionary;  // the first block, when the package has one
  // The records as compressed entries, when the package has them: the length
  // of the plain entries, of their frame and of the value that holds the
  // frame and its padding; -1 when the records are stored as they are.
  int64_t CompressedPlainSize = -1;
  int64_t CompressedFrameSize = -1;
  int64_t CompressedValueSize = -1;
};

// A package file cannot reach 2 GiB: positions are signed 32-bit.
constexpr int64_t kPackageLimit = 0x7FFFFFFF;

// Raises EProjectError (naming `name`) unless `image` can carry a package: a
// PE image whose header begins at byte 140 or later and that carries no
// package yet.
void CheckStubImage(const std::vector<uint8_t>& image, const std::string& name);
// Reads and checks a program image.
std::vector<uint8_t> LoadStubImage(const std::string& path);

// A PE-shaped image without code (header at 256) for packages that are only
// read, never run: portable tests and tools. It cannot start.
std::vector<uint8_t> SyntheticStubImage();

// The times a record stores: those it gives, else the project's fixed time,
// else the source file's last-write time for both (a file's creation time
// says when it was copied onto the build machine, which would make two builds
// differ). Content held in memory without times takes the current time.
// Raises EOSError when the file's times cannot be read.
TFileTimes StoredTimes(const TProject& project, const TContent& content, const std::optional<uint64_t>& created,
                       const std::optional<uint64_t>& modified);

// Writes the installer to `out`, which must be empty (the image goes to
// position 0). Checks every limit before the first byte is written. Raises
// EProjectError for a bad project, EOSError/EStreamError for I/O failures.
TPackageLayout WritePackage(const TProject& project, const std::vector<uint8_t>& stub, TStream& out);

// The same into a file: written as OUT.tmp and renamed over `outPath` only
// when complete; on failure the temporary file is deleted and an existing
// `outPath` is left untouched.
TPackageLayout BuildPackage(const TProject& project, const std::vector<uint8_t>& stub, const std::string& outPath);

}  // namespace zp
