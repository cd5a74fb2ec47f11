// Shared by the package fuzzers: the input becomes the tag stream of an
// executable whose byte 136 points just past a 140-byte program image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/Streams.h"
#include "package/TagStreams.h"

namespace zp::fuzz {

inline std::vector<uint8_t> DataSetFile(uint32_t signature, const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(140, 0);
  file[0] = 'M', file[1] = 'Z', file[136] = 140;
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(signature >> (8 * i)));
  file.insert(file.end(), data, data + size);
  return file;
}

}  // namespace zp::fuzz
