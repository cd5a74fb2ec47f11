// Measures how fast contents are decrypted the way the installer does it
// (package file -> window -> DecryptContent -> new file) against a plain
// copy of the same number of bytes, and both AES engines on memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "Bench.h"
#include "package/Aes.h"
#include "package/Content.h"
#include "package/Crc32.h"
#include "package/SubStreams.h"

namespace zp::bench {
namespace {

constexpr uint8_t kKey[16] = {0x51, 0x0e, 0x93, 0x27, 0xc4, 0x6a, 0x18, 0xfd, 0x02, 0xb7, 0x3e, 0x85, 0x6c, 0xd1, 0x49, 0xa0};
constexpr int kRepeats = 3;

double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of kRepeats runs: the machine may be busy with other work.
double Median(const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < kRepeats; ++i) times.push_back(Seconds(run));
  std::sort(times.begin(), times.end());
  return times[kRepeats / 2];
}

void CopyFile64K(const std::string& from, const std::string& to) {
  TFileStream source(from, TFileMode::OpenRead), dest(to, TFileMode::Create);
  std::vector<uint8_t> buffer(kCopyBuffer);
  for (int64_t n; (n = source.Read(buffer.data(), kCopyBuffer)) > 0;) dest.WriteBuffer(buffer.data(), n);
}

// With `crc`, the CRC-32 of the plain bytes is computed on the way, as the
// installer does for a record that stores one.
void DecryptFile(const std::string& from, const std::string& to, uint32_t* crc = nullptr) {
  TFileStream package(from, TFileMode::OpenRead), dest(to, TFileMode::Create);
  TSubStream window(package, 0, package.Size() - 1);
  window.SetPosition(0);
  DecryptContent(window, dest, kKey, kContentKeyLength, crc);
}

void MakeFiles(const TFiles& files, int64_t size) {
  std::mt19937_64 random(42);
  {
    TFileStream plain(files.plain, TFileMode::Create);
    std::vector<uint64_t> buffer(kCopyBuffer / 8);
    for (int64_t left = size; left > 0; left -= kCopyBuffer) {
      for (auto& word : buffer) word = random();
      plain.WriteBuffer(buffer.data(), std::min(left, kCopyBuffer));
    }
  }
  TFileStream plain(files.plain, TFileMode::OpenRead), encrypted(files.encrypted, TFileMode::Create);
  EncryptContent(plain, size, encrypted, kKey);
}

bool SameFiles(const std::string& a, const std::string& b) {
  TFileStream x(a, TFileMode::OpenRead), y(b, TFileMode::OpenRead);
  if (x.Size() != y.Size()) return false;
  std::vector<uint8_t> p(kCopyBuffer), q(kCopyBuffer);
  for (int64_t n; (n = x.Read(p.data(), kCopyBuffer)) > 0;) {
    if (y.Read(q.data(), n) != n || !std::equal(p.begin(), p.begin() + n, q.begin())) return false;
  }
  return true;
}

// MB/s (10^6 bytes), and the time against the plain copy's when there is one.
void Report(const std::string& name, int64_t bytes, double seconds, double copySeconds = 0) {
  const double rate = static_cast<double>(bytes) / 1e6 / seconds;
  std::printf("  %-40s %9.1f MB/s", name.c_str(), rate);
  if (copySeconds > 0) std::printf("  %6.2f x copy time", seconds / copySeconds);
  std::printf("\n");
}

int Run(int64_t mebibytes, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const TFiles files{(folder / "plain.bin").string(), (folder / "encrypted.bin").string(),
                     (folder / "output.bin").string()};
  const int64_t size = mebibytes * 1024 * 1024;
  MakeFiles(files, size);
  std::printf("Content of %lld MiB in %s; AES instructions: %s; median of %d runs\n",
              static_cast<long long>(mebibytes), folder.string().c_str(), TAes128::NativeAvailable() ? "yes" : "no",
              kRepeats);

  const double copy = Median([&] { CopyFile64K(files.plain, files.output); });
  std::printf("File to file:\n");
  Report("plain copy (64 KiB pieces)", size, copy, copy);
  uint32_t crc = 0;
  std::vector<TCase> fileCases{
      {"DecryptContent through TSubStream", [&] { DecryptFile(files.encrypted, files.output); }},
      {"the same, checking the CRC-32", [&] { DecryptFile(files.encrypted, files.output, &crc); }}};
  for (auto& c : PlatformFileCases(files, kKey)) fileCases.push_back(std::move(c));
  bool allRight = true;
  for (const auto& c : fileCases) {
    Report(c.name, size, Median(c.run), copy);
    if (!SameFiles(files.plain, files.output)) std::printf("    WRONG OUTPUT\n"), allRight = false;
  }

  std::printf("In memory (64 MiB, decrypted in place):\n");
  std::vector<uint8_t> buffer(64 << 20);
  const size_t blocks = buffer.size() / 16;
  std::vector<TCase> memoryCases;
  for (TAesEngine engine : {TAesEngine::Portable, TAesEngine::Native}) {
    if (engine == TAesEngine::Native && !TAes128::NativeAvailable()) continue;
    const std::string name = engine == TAesEngine::Native ? "TAes128 AES instructions" : "TAes128 portable";
    memoryCases.push_back({name, [&buffer, blocks, engine] {
                             TAes128(kKey, engine).Decrypt(buffer.data(), buffer.data(), blocks);
                           }});
  }
  memoryCases.push_back({"TCrc32", [&buffer, &crc] { crc ^= Crc32(buffer.data(), buffer.size()); }});
  for (auto& c : PlatformMemoryCases(buffer, kKey)) memoryCases.push_back(std::move(c));
  for (const auto& c : memoryCases) {
    Report(c.name, static_cast<int64_t>(buffer.size()), Median(c.run));
  }

  for (const auto& path : {files.plain, files.encrypted, files.output}) std::filesystem::remove(path);
  std::filesystem::remove(folder);
  return allRight ? 0 : 1;
}

}  // namespace
}  // namespace zp::bench

int main(int argc, char** argv) {
  const long long mebibytes = argc > 1 ? std::atoll(argv[1]) : 256;
  const std::filesystem::path folder =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path() / "zp-bench-decrypt";
  if (mebibytes <= 0) {
    std::fprintf(stderr, "usage: bench_decrypt [MiB] [folder]\n");
    return 2;
  }
  try {
    return zp::bench::Run(mebibytes, folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_decrypt: %s\n", e.what());
    return 1;
  }
}
