#include "engine/PeImage.h"

#include <algorithm>
#include <vector>

namespace zp {
namespace {

constexpr int64_t kHeaderPointer = 0x3C;
constexpr uint16_t kMagicPe32 = 0x10B, kMagicPe32Plus = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;

bool ReadBytes(TStream& stream, int64_t position, uint8_t* bytes, int64_t count) {
  if (position < 0 || position + count > stream.Size()) return false;
  stream.SetPosition(position);
  return stream.Read(bytes, count) == count;
}

bool ReadU16(TStream& stream, int64_t position, uint16_t& value) {
  uint8_t b[2];
  if (!ReadBytes(stream, position, b, 2)) return false;
  value = static_cast<uint16_t>(b[0] | b[1] << 8);
  return true;
}

bool ReadU32(TStream& stream, int64_t position, uint32_t& value) {
  uint8_t b[4];
  if (!ReadBytes(stream, position, b, 4)) return false;
  value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}

void WriteU32(TStream& stream, int64_t position, uint32_t value) {
  const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  stream.SetPosition(position);
  stream.WriteBuffer(b, 4);
}

}  // namespace

std::optional<TCertificateTable> ReadCertificateTable(TStream& stream) {
  uint8_t mz[2];
  uint32_t header = 0, signature = 0, directories = 0;
  uint16_t optionalSize = 0, magic = 0;
  if (!ReadBytes(stream, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return std::nullopt;
  if (!ReadU32(stream, kHeaderPointer, header) || !ReadU32(stream, header, signature) || signature != 0x4550)
    return std::nullopt;
  const int64_t optional = int64_t(header) + 24;
  if (!ReadU16(stream, header + 20, optionalSize) || !ReadU16(stream, optional, magic)) return std::nullopt;
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return std::nullopt;
  const int64_t count = optional + (magic == kMagicPe32 ? 92 : 108);
  const int64_t entry = count + 4 + 8 * kSecurityDirectory;
  if (!ReadU32(stream, count, directories) || directories <= kSecurityDirectory ||
      entry + 8 > optional + optionalSize)
    return std::nullopt;
  TCertificateTable table;
  table.EntryPosition = entry;
  table.ChecksumPosition = optional + 64;
  if (!ReadU32(stream, entry, table.Offset) || !ReadU32(stream, entry + 4, table.Size)) return std::nullopt;
  return table;
}

uint32_t PeChecksum(TStream& stream, int64_t checksumPosition) {
  const int64_t size = stream.Size();
  std::vector<uint8_t> buffer(64 * 1024);  // even: only the last piece can end in half a word
  uint64_t sum = 0;
  stream.SetPosition(0);
  for (int64_t at = 0; at < size;) {
    const int64_t piece = std::min<int64_t>(static_cast<int64_t>(buffer.size()), size - at);
    stream.ReadBuffer(buffer.data(), piece);
    for (int64_t i = 0; i < piece; i += 2) {
      if (at + i >= checksumPosition && at + i < checksumPosition + 4) continue;
      uint32_t word = buffer[size_t(i)];
      if (i + 1 < piece) word |= uint32_t(buffer[size_t(i) + 1]) << 8;
      sum += word;
      sum = (sum & 0xFFFF) + (sum >> 16);
    }
    at += piece;
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + uint64_t(size));
}

bool DetachSignature(TStream& stream) {
  const std::optional<TCertificateTable> table = ReadCertificateTable(stream);
  if (!table || !table->Present()) return false;
  WriteU32(stream, table->EntryPosition, 0);
  WriteU32(stream, table->EntryPosition + 4, 0);
  WriteU32(stream, table->ChecksumPosition, PeChecksum(stream, table->ChecksumPosition));
  return true;
}

}  // namespace zp
