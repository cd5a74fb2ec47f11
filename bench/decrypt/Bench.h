// Shared by the benchmark's main program and its per-platform cases.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zp::bench {

constexpr int64_t kCopyBuffer = 64 * 1024;

struct TCase {
  std::string name;
  std::function<void()> run;
};

struct TFiles {
  std::string plain;      // the content
  std::string encrypted;  // the same content stored as a content block
  std::string output;     // where every case writes its result
};

// Cases that only this platform has: they write files.output from
// files.encrypted (or copy files.plain) like the common ones.
std::vector<TCase> PlatformFileCases(const TFiles& files, const uint8_t* key);
// Cases on memory: decrypt `blocks` 16-byte blocks of `buffer` in place.
std::vector<TCase> PlatformMemoryCases(std::vector<uint8_t>& buffer, const uint8_t* key);

}  // namespace zp::bench
