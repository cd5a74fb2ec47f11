// bench_install_package FOLDER: the inputs of the install benchmark.
//   FOLDER\files\      4 files of 48 MiB and 1000 files of 1 to 127 KiB in
//                      10 subfolders (about 256 MiB), made once and reused
//   FOLDER\setup.exe   zprun's image with a package of those files, each
//                      going to {metatrader}\bench\<its path below files>
//   FOLDER\setup-nocrc.exe  the same without the contents' CRC-32s
//   FOLDER\nsis.nsi    an NSIS script installing the same files, uncompressed
#include <windows.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "zpbuild/BuilderOS.h"
#include "zpbuild/PackageWriter.h"
#include "zpbuild/Project.h"

namespace zp {
namespace {

constexpr int kLargeFiles = 4;
constexpr int64_t kLargeSize = 48 << 20;
constexpr int kSmallFiles = 1000;
constexpr int kFolders = 10;

struct TBenchFile {
  std::string Relative;  // below files\ and below the target's bench folder
  int64_t Size;
};

std::vector<TBenchFile> BenchFiles() {
  std::vector<TBenchFile> files;
  for (int i = 0; i < kLargeFiles; ++i) files.push_back({"large" + std::to_string(i) + ".bin", kLargeSize});
  for (int i = 0; i < kSmallFiles; ++i) {
    const int64_t size = 1024 + (int64_t(i) * 7919 % 126) * 1024 + i % 1000;
    files.push_back({"small" + std::to_string(i % kFolders) + "\\file" + std::to_string(i) + ".dat", size});
  }
  return files;
}

// Writes `size` bytes that do not repeat within a file; kept when present.
void MakeFile(const std::string& path, int64_t size, uint32_t seed) {
  if (FileExists(path)) return;
  std::vector<uint32_t> buffer(256 * 1024);
  uint32_t state = seed * 2654435761u | 1;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) throw EZpError("cannot create " + path);
  for (int64_t left = size; left > 0;) {
    for (uint32_t& word : buffer) state ^= state << 13, state ^= state >> 17, state ^= state << 5, word = state;
    const size_t piece = static_cast<size_t>(std::min<int64_t>(left, int64_t(buffer.size() * 4)));
    std::fwrite(buffer.data(), 1, piece, out);
    left -= int64_t(piece);
  }
  std::fclose(out);
}

void Run(const std::string& folder) {
  const std::vector<TBenchFile> files = BenchFiles();
  TProject project;
  project.ProgramName = "ZpInstall Bench";
  int64_t total = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string source = folder + "\\files\\" + files[i].Relative;
    CreateDirectories(source.substr(0, source.find_last_of('\\')));
    MakeFile(source, files[i].Size, uint32_t(i + 1));
    TProjectFile file;
    file.Path = "{metatrader}\\bench\\" + files[i].Relative;
    file.Content = TContent::FromFile(source);
    project.Files.push_back(file);
    total += files[i].Size;
  }
  char stub[MAX_PATH];
  GetFullPathNameA(("Z:" + std::string(ZPRUN_EXE)).c_str(), MAX_PATH, stub, nullptr);
  const TPackageLayout layout = BuildPackage(project, LoadStubImage(stub), folder + "\\setup.exe");
  // The same package without the contents' CRC-32s: what checking them costs.
  project.ContentChecksums = false;
  BuildPackage(project, LoadStubImage(stub), folder + "\\setup-nocrc.exe");

  std::ofstream nsis(folder + "\\nsis.nsi", std::ios::binary);
  nsis << "Unicode true\nTarget amd64-unicode\nSetCompress off\nSilentInstall silent\n"
          "RequestExecutionLevel user\nOutFile setup-nsis.exe\nInstallDir \"C:\\nsis-target\"\n"
          "!ifdef NOCRC\nCRCCheck off\nOutFile setup-nsis-nocrc.exe\n!endif\n"
          "Section\n  SetOutPath \"$INSTDIR\\bench\"\n  File /r \"files/*.*\"\nSectionEnd\n";
  std::printf("%zu files, %lld bytes; setup.exe %lld bytes\n", files.size(), static_cast<long long>(total),
              static_cast<long long>(layout.FileSize));
}

}  // namespace
}  // namespace zp

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_install_package FOLDER\n");
    return 2;
  }
  try {
    zp::Run(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_install_package: %s\n", e.what());
    return 1;
  }
  return 0;
}
