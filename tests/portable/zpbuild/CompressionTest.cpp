// Compressed packages: what is compressed how, and that every reader gives
// back the very bytes.
#include <gtest/gtest.h>

#include <sstream>

#include "TestFiles.h"
#include "package/Content.h"
#include "zpbuild/PackageReader.h"
#include "zpbuild/PackageWriter.h"

namespace zp {
namespace {

using namespace test;

// Source text of the kind add-on catalogues are made of.
std::string Source(int seed) {
  std::string text = "//+------------------------------------------------------------------+\r\n"
                     "#property copyright \"Copyright 2024\"\r\n#property strict\r\n";
  for (int i = 0; i < 120; ++i)
    text += "   Buffer" + std::to_string((seed * 7 + i) % 13) + "[i] = iMA(NULL, 0, " + std::to_string(i % 50) +
            ", 0, MODE_EMA, PRICE_CLOSE, i);\r\n";
  return text;
}

class Compression : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i) Add("{indicators}\\I" + std::to_string(i) + ".mq4", Source(i));
    Add("{indicators}\\Copy.mq4", Source(2));          // the same bytes again
    Add("{libraries}\\Table.dll", std::string(20000, '\0') + Pattern(3000) + std::string(20000, '\1'));
    Add("{app}\\random.bin", Pattern(50000, 4));       // does not shrink
    Add("{app}\\empty.txt", "");
    TProjectExec exec;
    exec.Path = "{temp}\\setup.cmd";
    exec.Content = TContent::FromBytes(Bytes(Source(9)));
    project.Execs.push_back(exec);
    project.ProgramName = "Compressed";
    project.FixedTime = 133486272000000000ULL;
  }
  void Add(const std::string& path, const std::string& bytes) {
    Write(scratch / ("src" + std::to_string(project.Files.size())), bytes);
    TProjectFile file;
    file.Path = path;
    file.Content = TContent::FromFile(scratch / ("src" + std::to_string(project.Files.size())));
    project.Files.push_back(file);
    plain.push_back(bytes);
  }
  TPackageLayout Build(const std::string& name) {
    return BuildPackage(project, SyntheticStubImage(), scratch / name);
  }
  TScratch scratch;
  TProject project;
  std::vector<std::string> plain;
};

TEST_F(Compression, TextUsesTheDictionaryOtherContentsStandAloneOrStayAsTheyAre) {
  const TPackageLayout layout = Build("setup.exe");
  const int32_t expected[] = {ccZstdDictionary, ccZstdDictionary, ccZstdDictionary, ccZstdDictionary,
                              ccZstdDictionary, ccZstdDictionary, ccZstd,           ccStored,
                              ccStored};
  for (size_t i = 0; i < layout.Files.size(); ++i) {
    EXPECT_EQ(layout.Files[i].Coding, expected[i]) << i;
    EXPECT_EQ(layout.Files[i].Size <= StoredContentSize(int64_t(plain[i].size())), true) << i;
  }
  EXPECT_EQ(layout.Execs[0].Coding, ccZstdDictionary);
  // The dictionary holds each text once (the copy is not in it again).
  ASSERT_TRUE(layout.Dictionary);
  EXPECT_EQ(layout.Dictionary->Coding, ccZstd);
  size_t texts = Source(9).size();
  for (size_t i = 0; i < 5; ++i) texts += plain[i].size();
  EXPECT_EQ(layout.Dictionary->ContentSize, int64_t(texts));
  EXPECT_EQ(layout.Dictionary->Offset, layout.ContentPosition);

  // The installer's loader sees what the writer wrote; verify and extract
  // decode every content to its bytes.
  const auto info = ReadPackage(scratch / "setup.exe");
  ASSERT_TRUE(info->Package.Dictionary);
  EXPECT_EQ(info->Package.Dictionary->PlainSize, layout.Dictionary->ContentSize);
  EXPECT_EQ(info->Package.Files[0]->Coding, ccZstdDictionary);
  EXPECT_EQ(info->Package.Files[0]->PlainSize, int32_t(plain[0].size()));
  EXPECT_TRUE(VerifyPackage(scratch / "setup.exe").empty());
  int written = 0;
  EXPECT_TRUE(ExtractPackage(scratch / "setup.exe", scratch / "out", &written).empty());
  EXPECT_EQ(written, 10);
  EXPECT_EQ(Read(scratch / "out/{indicators}/Copy.mq4"), plain[5]);
  EXPECT_EQ(Read(scratch / "out/{libraries}/Table.dll"), plain[6]);
  EXPECT_EQ(Read(scratch / "out/{app}/random.bin"), plain[7]);
  EXPECT_EQ(Read(scratch / "out/{app}/empty.txt"), "");
  EXPECT_EQ(Read(scratch / "out/{temp}/setup.cmd"), Source(9));

  // The same inputs give the same installer; without compression nothing is
  // coded and there is no dictionary.
  Build("again.exe");
  EXPECT_EQ(Read(scratch / "again.exe"), Read(scratch / "setup.exe"));
  project.Compression = false;
  const TPackageLayout stored = Build("stored.exe");
  EXPECT_FALSE(stored.Dictionary);
  EXPECT_EQ(stored.CompressedValueSize, -1);
  for (const TRecordLayout& at : stored.Files) EXPECT_EQ(at.Coding, ccStored);
  EXPECT_GT(stored.FileSize, 2 * layout.FileSize);
}

// The records travel as one compressed entry; the blocks lie where the
// records say whatever length the frame settles on, padded or not.
TEST_F(Compression, RecordsTravelCompressedAndTheBlocksLieWhereTheySay) {
  int padded = 0;
  for (int n = 0; n < 24; ++n) {
    Add("{indicators}\\More" + std::to_string(n) + ".mq4", Source(n).substr(0, 700 + 131 * size_t(n)));
    const TPackageLayout layout = Build("setup.exe");
    SCOPED_TRACE(n);
    EXPECT_LT(layout.CompressedValueSize + 9, layout.CompressedPlainSize);
    EXPECT_LE(layout.CompressedFrameSize, layout.CompressedValueSize);
    padded += layout.CompressedFrameSize < layout.CompressedValueSize;
    const auto info = ReadPackage(scratch / "setup.exe");
    EXPECT_EQ(info->Load.CompressedPlainSize, layout.CompressedPlainSize);
    EXPECT_EQ(info->Load.CompressedFrameSize, layout.CompressedFrameSize);
    EXPECT_EQ(info->Load.CompressedValueSize, layout.CompressedValueSize);
    EXPECT_EQ(info->Load.DataEnd, layout.ContentPosition);
    EXPECT_EQ(info->Package.Files.size(), project.Files.size());
    EXPECT_TRUE(VerifyPackage(scratch / "setup.exe").empty());
  }
  EXPECT_GT(padded, 0);  // both kinds occur among these
  EXPECT_LT(padded, 24);
}

// Damaged records make the package unreadable, and every reader says so.
TEST_F(Compression, ReadersReportDamagedRecords) {
  const TPackageLayout layout = Build("setup.exe");
  std::string bytes = Read(scratch / "setup.exe");
  const size_t value = bytes.find(std::string("\x19\0\0\0\x08", 5), size_t(layout.PackagePosition)) + 9;
  ASSERT_LT(value, size_t(layout.ContentPosition));
  bytes[value + size_t(layout.CompressedFrameSize) / 2] ^= 0x08;
  Write(scratch / "damaged.exe", bytes);
  const std::vector<std::string> problems = VerifyPackage(scratch / "damaged.exe");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("compressed entries: the frame does not decode", 0), 0u) << problems[0];
  std::ostringstream listing;
  ListPackage(*ReadPackage(scratch / "damaged.exe"), listing);
  EXPECT_NE(listing.str().find("\nRecords: compressed, in a value of " + std::to_string(layout.CompressedValueSize) +
                               " bytes that does not decode\n"),
            std::string::npos);
  EXPECT_NE(listing.str().find("\nUnreadable compressed entries: "), std::string::npos);
  int written = 0;
  EXPECT_EQ(ExtractPackage(scratch / "damaged.exe", scratch / "out", &written), problems);
  EXPECT_EQ(written, 0);
}

// A damaged dictionary spoils the contents made with it, and says so; the
// others still come out.
TEST_F(Compression, ReadersReportADamagedDictionary) {
  const TPackageLayout layout = Build("setup.exe");
  std::string bytes = Read(scratch / "setup.exe");
  bytes[size_t(layout.Dictionary->Offset) + 20] ^= 0x40;
  Write(scratch / "damaged.exe", bytes);
  const std::vector<std::string> problems = VerifyPackage(scratch / "damaged.exe");
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems[0].rfind("dictionary: ", 0), 0u) << problems[0];
  int written = 0;
  EXPECT_EQ(ExtractPackage(scratch / "damaged.exe", scratch / "out", &written).size(), 7u);
  EXPECT_EQ(written, 3);  // the DLL, the random bytes and the empty file
  EXPECT_FALSE(fs::exists(scratch / "out/{indicators}/I0.mq4"));
}

}  // namespace
}  // namespace zp
