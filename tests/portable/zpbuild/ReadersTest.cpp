// What the builder refuses to write, and what its readers refuse to trust:
// program images that cannot carry a package, the 2 GiB limit, record paths
// that would leave the extraction folder, and damaged packages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "TestFiles.h"
#include "package/Crc32.h"
#include "zpbuild/BuilderOS.h"
#include "zpbuild/PackageReader.h"
#include "zpbuild/PackageWriter.h"

namespace zp {
namespace {

using namespace test;

TProject ProjectWith(const std::vector<std::string>& paths) {
  TProject p;
  p.ProgramName = "R";
  unsigned seed = 1;
  for (const std::string& path : paths) {
    TProjectFile f;
    f.Path = path;
    f.Content = TContent::FromBytes(Bytes(Pattern(40 + seed, seed)));
    ++seed;
    p.Files.push_back(f);
  }
  return p;
}

TProjectFile FileRecord(const std::string& path, const std::string& source) {
  TProjectFile f;
  f.Path = path;
  f.Content = TContent::FromFile(source);
  return f;
}

std::string MessageOf(const TProject& project, const std::vector<uint8_t>& stub, const std::string& out) {
  try {
    BuildPackage(project, stub, out);
  } catch (const EZpError& e) {
    return e.Message();
  }
  return "no error";
}

std::vector<uint8_t> ImageWithHeaderAt(uint32_t header) {
  std::vector<uint8_t> image(512, 0);
  image[0] = 'M', image[1] = 'Z';
  std::memcpy(&image[0x3C], &header, 4);
  std::memcpy(&image[header], "PE\0\0", 4);
  return image;
}

TEST(Writer, RefusesImagesThatCannotCarryAPackageAndLeavesNoFile) {
  TScratch scratch;
  const std::string out = scratch / "setup.exe";
  const TProject project = ProjectWith({"{app}\\a"});
  std::vector<uint8_t> noPe = ImageWithHeaderAt(256);
  noPe[256] = 'X';
  const std::pair<std::vector<uint8_t>, const char*> refused[] = {
      {Bytes("not a program at all"), "no \"MZ\" header"},
      {noPe, "not a PE image"},
      {ImageWithHeaderAt(128), "starts at byte 128"},  // where GNU ld puts it
      {ImageWithHeaderAt(139), "starts at byte 139"},
  };
  for (const auto& [image, problem] : refused) {
    SCOPED_TRACE(problem);
    EXPECT_NE(MessageOf(project, image, out).find(problem), std::string::npos);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(out + ".tmp"));
  }
  // An installer is no program image: its package would hide the new one.
  BuildPackage(project, ImageWithHeaderAt(140), out);
  EXPECT_NE(MessageOf(project, Bytes(Read(out)), scratch / "again.exe").find("already carries a package at byte 512"),
            std::string::npos);
}

TEST(Writer, RefusesThe2GiBLimitBeforeWritingAndKeepsTheOldOutput) {
  TScratch scratch;
  const std::string out = scratch / "setup.exe";
  Write(out, "the previous build");
  // Sparse files: nothing of them is ever read.
  Write(scratch / "huge.bin", "");
  fs::resize_file(scratch / "huge.bin", 0x7FFFFFF0);  // stores in 0x80000000 bytes
  Write(scratch / "half.bin", "");
  fs::resize_file(scratch / "half.bin", 0x40000000);

  TProject one = ProjectWith({});
  one.Files.push_back(FileRecord("{app}\\huge.bin", scratch / "huge.bin"));
  const std::string oneMessage = MessageOf(one, SyntheticStubImage(), out);
  EXPECT_EQ(oneMessage.rfind(scratch / "huge.bin" + ": files[1]: ", 0), 0u) << oneMessage;
  EXPECT_NE(oneMessage.find("beyond the 2 GiB limit"), std::string::npos) << oneMessage;

  // Each fits; together with the image and the tag stream they do not
  // (stored as they are: zeros would compress to nothing).
  TProject two = ProjectWith({});
  two.Compression = false;
  two.Files.push_back(FileRecord("{app}\\a.bin", scratch / "half.bin"));
  two.Execs.push_back({});
  two.Execs.back().Path = "{app}\\b.exe";
  two.Execs.back().Content = TContent::FromFile(scratch / "half.bin");
  const std::string twoMessage = MessageOf(two, SyntheticStubImage(), out);
  EXPECT_EQ(twoMessage.rfind("package: it would be ", 0), 0u) << twoMessage;
  EXPECT_NE(twoMessage.find("beyond the 2 GiB limit"), std::string::npos) << twoMessage;

  TProject gone = ProjectWith({});
  gone.Files.push_back(FileRecord("{app}\\gone", scratch / "gone.bin"));
  EXPECT_NE(MessageOf(gone, SyntheticStubImage(), out).find("gone.bin"), std::string::npos);

  EXPECT_EQ(Read(out), "the previous build");
  EXPECT_FALSE(fs::exists(out + ".tmp"));
}

// A package's file times are any 64 bits: each lists as a date or as an
// invalid time, and goes to and from the file system without overflow.
TEST(FileTimes, EveryValueListsAndStoresSoundly) {
  const struct {
    uint64_t time;
    const char* text;
  } cases[] = {
      {0, "1601-01-01 00:00:00 UTC"},
      {kUnixEpochFileTime - 5000000, "1969-12-31 23:59:59.5000000 UTC"},
      {kUnixEpochFileTime, "1970-01-01 00:00:00 UTC"},
      {133537247991234567ULL, "2024-02-29 23:59:59.1234567 UTC"},
      {0x7FFFFFFFFFFFFFFFULL, "30828-09-14 02:48:05.4775807 UTC"},
      {0x8000000000000000ULL, "invalid time (0x8000000000000000)"},
      {0xFFFFFFFFFFFFFFFFULL, "invalid time (0xffffffffffffffff)"},
  };
  TScratch scratch;
  const std::string file = scratch / "timed";
  Write(file, "x");
  for (const auto& c : cases) {
    EXPECT_EQ(ListTimes(c.time, c.time), std::string("created ") + c.text + ", modified " + c.text);
    try {
      SetFileTimes(file, {c.time, c.time});
    } catch (const EZpError&) {
      continue;  // a time the file system does not hold is refused, not garbled
    }
    if (c.time >= kUnixEpochFileTime - 5000000 && c.time < 0x7FFFFFFFFFFFFFFFULL) {
      EXPECT_EQ(GetFileTimes(file).LastWriteTime, c.time) << c.text;
    }
  }
}

TEST(Extract, RefusesEveryPathThatWouldLeaveTheFolder) {
  TScratch scratch;
  const std::string setup = scratch / "setup.exe";
  BuildPackage(ProjectWith({"..\\evil1.txt", "{app}\\..\\..\\evil2.txt", "C:\\evil3.txt", "\\evil4.txt",
                            "/evil5.txt", "{app}\\a:evil6", "{app}\\CON", "{app}\\.. \\evil8.txt",
                            "{app}\\ok.txt", "{experts}\\..\\Libraries\\lib.dll"}),
               SyntheticStubImage(), setup);
  int written = 0;
  const std::vector<std::string> problems = ExtractPackage(setup, scratch / "box/out", &written);
  EXPECT_EQ(written, 2);
  ASSERT_EQ(problems.size(), 8u);
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(problems[i].rfind("files[" + std::to_string(i + 1) + "] ", 0), 0u) << problems[i];
    EXPECT_NE(problems[i].find(": refused: "), std::string::npos) << problems[i];
  }
  EXPECT_TRUE(fs::exists(scratch / "box/out/{app}/ok.txt"));
  EXPECT_TRUE(fs::exists(scratch / "box/out/Libraries/lib.dll"));  // ".." that stays inside is resolved
  for (const auto& entry : fs::recursive_directory_iterator(scratch.Path()))
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch / "box"), fs::directory_iterator()), 1);
}

// A package whose bytes the test may damage, with the position of each
// record's Offset and Size integers in the file.
class Damaged : public ::testing::Test {
protected:
  void SetUp() override {
    project = ProjectWith({"{app}\\one", "{app}\\two", "{app}\\three"});
    project.Key = TContentKey{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    layout = BuildPackage(project, SyntheticStubImage(), setup);
    bytes = Read(setup);
  }

  // Where the integer entry `tag` with `value` sits: its value's position.
  size_t FindInteger(int32_t tag, int32_t value) const {
    std::string entry(9, '\0');
    std::memcpy(&entry[0], &tag, 4);
    entry[4] = 4;
    std::memcpy(&entry[5], &value, 4);
    const size_t at = bytes.find(entry, size_t(layout.PackagePosition));
    EXPECT_LT(at, size_t(layout.ContentPosition));
    return at + 5;
  }

  std::vector<std::string> VerifyWith(const std::string& damaged) {
    Write(setup, damaged);
    return VerifyPackage(setup);
  }

  std::string Patched(size_t at, int32_t value) const {
    std::string copy = bytes;
    std::memcpy(&copy[at], &value, 4);
    return copy;
  }

  TScratch scratch;
  const std::string setup = scratch / "setup.exe";
  TProject project;
  TPackageLayout layout;
  std::string bytes;
};

bool Mentions(const std::vector<std::string>& problems, const std::string& a, const std::string& b) {
  for (const std::string& p : problems)
    if (p.find(a) != std::string::npos && p.find(b) != std::string::npos) return true;
  return false;
}

TEST_F(Damaged, SoundPackageHasNoProblems) { EXPECT_TRUE(VerifyPackage(setup).empty()); }

TEST_F(Damaged, TruncatedFileIsCaught) {
  const auto cut = VerifyWith(bytes.substr(0, bytes.size() - 10));
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_TRUE(Mentions(cut, "files[3] \"{app}\\three\"", "runs past the end of the file")) << cut[0];

  const auto header = VerifyWith(bytes.substr(0, size_t(layout.PackagePosition) + 60));
  EXPECT_TRUE(Mentions(header, "without its end marker", "")) << header[0];

  // Extraction writes what is whole and leaves nothing of the cut record.
  Write(setup, bytes.substr(0, bytes.size() - 10));
  int written = 0;
  EXPECT_EQ(ExtractPackage(setup, scratch / "out", &written).size(), 1u);
  EXPECT_EQ(written, 2);
  EXPECT_FALSE(fs::exists(scratch / "out/{app}/three"));
}

TEST_F(Damaged, BadOffsetsAndSizesAreCaught) {
  // Records stored as they are, as other builders write them, so that the
  // test reaches their integers.
  project.Compression = false;
  layout = BuildPackage(project, SyntheticStubImage(), setup);
  bytes = Read(setup);
  const size_t offset = FindInteger(frOffset, layout.Files[1].Offset);
  const size_t size = offset - 9;  // the Size entry comes right before the Offset entry
  ASSERT_EQ(bytes.substr(size - 5, 5), std::string("\x07\0\0\0\x04", 5));
  const std::string record = "files[2] \"{app}\\two\"";
  EXPECT_TRUE(Mentions(VerifyWith(Patched(offset, int32_t(bytes.size()))), record, "runs past the end"));
  EXPECT_TRUE(Mentions(VerifyWith(Patched(offset, 0)), record, "lies before the end of the package data"));
  EXPECT_TRUE(Mentions(VerifyWith(Patched(offset, -16)), record, "lies before"));
  EXPECT_TRUE(Mentions(VerifyWith(Patched(size, 24)), record, "not a multiple of 16"));
  EXPECT_TRUE(Mentions(VerifyWith(Patched(size, 0)), record, "not a multiple of 16"));
  const auto one = VerifyWith(Patched(size, 24));
  EXPECT_EQ(one.size(), 1u);  // the other records are still sound
}

TEST_F(Damaged, AlteredKeyIsCaught) {
  // The stored key follows its entry header (tag 18, type 8, length 16).
  const std::string header("\x12\0\0\0\x08\x10\0\0\0", 9);
  const size_t at = bytes.find(header, size_t(layout.PackagePosition));
  ASSERT_NE(at, std::string::npos);
  std::string damaged = bytes;
  damaged[at + 9] ^= 0x01;
  // With a wrong key each final block yields a count above 15 with
  // likelihood 15/16; this key and these contents fail on at least one.
  EXPECT_TRUE(Mentions(VerifyWith(damaged), "does not decrypt", ""));
}

TEST_F(Damaged, FlippedContentBytesAreNamedByTheirChecksum) {
  std::ostringstream listing;
  ListPackage(*ReadPackage(setup), listing);
  char crc[32];
  std::snprintf(crc, sizeof crc, "crc %08x\n", Crc32(Pattern(42, 2).data(), 42));
  EXPECT_NE(listing.str().find(crc), std::string::npos) << listing.str();

  std::string damaged = bytes;
  damaged[size_t(layout.Files[1].Offset) + 3] ^= 0x20;  // a whole block: it still decrypts
  const auto problems = VerifyWith(damaged);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_TRUE(Mentions(problems, "files[2] \"{app}\\two\"", "the content is damaged: its CRC-32 is")) << problems[0];
  int written = 0;
  EXPECT_EQ(ExtractPackage(setup, scratch / "out", &written).size(), 1u);
  EXPECT_EQ(written, 2);
  EXPECT_FALSE(fs::exists(scratch / "out/{app}/two")) << "no damaged file is left";

  // Without checksums (a package of another builder) the same damage passes
  // unseen, as it always did, and the list says so.
  project.ContentChecksums = false;
  layout = BuildPackage(project, SyntheticStubImage(), setup);
  std::string unchecked = Read(setup);
  std::ostringstream plain;
  ListPackage(*ReadPackage(setup), plain);
  EXPECT_NE(plain.str().find("crc none\n"), std::string::npos);
  unchecked[size_t(layout.Files[1].Offset) + 3] ^= 0x20;
  EXPECT_TRUE(VerifyWith(unchecked).empty());
}

TEST_F(Damaged, FileWithoutPackageIsNamed) {
  const auto problems = VerifyWith(bytes.substr(0, size_t(layout.PackagePosition)));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("no package"), std::string::npos);
}

// A file that carries no package is named for what it is.
TEST(Readers, SayWhatAFileWithoutAPackageIs) {
  TScratch scratch;
  const std::vector<uint8_t> image = SyntheticStubImage();
  std::string uninstaller(image.begin(), image.end());
  {
    TZpInstall data;
    data.Reset();
    TMemoryStream stream;
    stream.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
    data.AppendUninstallData(stream);
    uninstaller.assign(stream.Bytes().begin(), stream.Bytes().end());
  }
  const std::pair<std::string, std::string> files[] = {
      {"empty.exe", ""},
      {"image.exe", std::string(image.begin(), image.end())},
      {"Uninstall.exe", uninstaller},
      {"project.toml", "[product]\nname = \"x\"\n"},
      {"notes.txt", "caf\xC3\xA9\n"},
      {"data.bin", std::string("\x7f" "ELF\0\0", 6) + Pattern(300)},
  };
  const char* const said[] = {"the file is empty", "a Windows program (", "an uninstaller", "a project file",
                              "a text file", "not a Windows program"};
  for (size_t i = 0; i < std::size(files); ++i) {
    const std::string path = scratch / files[i].first;
    Write(path, files[i].second);
    const std::vector<std::string> problems = VerifyPackage(path);
    ASSERT_EQ(problems.size(), 1u) << path;
    EXPECT_NE(problems[0].find(said[i]), std::string::npos) << problems[0];
  }
}

TEST(Readers, ListNamesTheProgramImage) {
  TScratch scratch;
  const std::string setup = scratch / "setup.exe";
  BuildPackage(ProjectWith({"{app}\\a.txt"}), SyntheticStubImage(), setup);
  std::ostringstream list;
  ListPackage(*ReadPackage(setup), list);
  EXPECT_NE(list.str().find("Program image: 64-bit (x86-64), " + std::to_string(SyntheticStubImage().size()) +
                            " bytes, no version\n"),
            std::string::npos)
      << list.str();
}

}  // namespace
}  // namespace zp
