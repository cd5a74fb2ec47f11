// Scratch folders and whole-file helpers for the builder's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace zp::test {

namespace fs = std::filesystem;

// A fresh folder for one test, removed with everything in it afterwards. Its
// name ends in a random number: other builds on the machine (other presets,
// other checkouts) may run the same test at the same time.
class TScratch {
public:
  TScratch() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "zpbuild-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                       std::to_string(std::random_device{}());
    for (char& c : name)
      if (c == '/') c = '-';  // parameterised tests: "Languages/Shipped.Loads/0"
    path_ = fs::temp_directory_path() / name;
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TScratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;

  std::string operator/(const std::string& relative) const {
    return (path_ / fs::path(relative).make_preferred()).string();
  }
  const fs::path& Path() const { return path_; }

private:
  fs::path path_;
};

inline void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Deterministic filler that is not all one byte.
inline std::string Pattern(size_t size, unsigned seed = 1) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) x = x * 1664525u + 1013904223u, c = static_cast<char>(x >> 24);
  return bytes;
}

// A path of the build machine as the program under test opens it: under wine
// the build's Unix paths are seen through drive Z:.
inline std::string NativePathOf(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
#endif
  return path;
}

// A file of the demo project (examples/demo), which has the JPEG pictures.
inline std::string DemoFile(const std::string& name) { return std::string(ZP_SOURCE_DIR) + "/examples/demo/" + name; }

inline std::vector<uint8_t> DemoBytes(const std::string& name) { return Bytes(Read(DemoFile(name))); }

}  // namespace zp::test
