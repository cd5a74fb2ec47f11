#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "package/Streams.h"

namespace zp {
namespace {

std::string TempPath(const char* name) { return std::string(ZP_BINARY_DIR) + "/" + name; }

TEST(MemoryStream, ReadsWritesAndSeeksPastTheEnd) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  s.SetPosition(4);
  char out[4] = {};
  EXPECT_EQ(s.Read(out, 4), 2);
  EXPECT_EQ(std::string(out, 2), "ef");
  EXPECT_EQ(s.Read(out, 4), 0);
  s.SetPosition(8);  // writing past the end fills the gap with zeros
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e', 'f', 0, 0, '!'}));
  EXPECT_THROW(s.Seek(-1, TSeekOrigin::Begin), EStreamError);
  s.SetPosition(7);
  EXPECT_THROW(s.ReadBuffer(out, 3), EStreamError);
}

TEST(FileStream, CreatesReadsAndReportsMissingFiles) {
  const std::string path = TempPath("streams_test.bin");
  std::vector<uint8_t> bytes(200000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  WriteFileBytes(path, bytes);
  EXPECT_EQ(ReadFileBytes(path), bytes);

  TFileStream file(path, TFileMode::OpenRead);
  EXPECT_EQ(file.Size(), 200000);
  file.SetPosition(199999);
  uint8_t last = 0;
  EXPECT_EQ(file.Read(&last, 1), 1);
  EXPECT_EQ(last, bytes.back());
  EXPECT_EQ(file.Read(&last, 1), 0);
  std::remove(path.c_str());

  try {
    TFileStream missing(TempPath("no_such_folder/x.bin"), TFileMode::OpenRead);
    FAIL() << "opened a missing file";
  } catch (const EOSError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_folder"), std::string::npos) << e.what();
  }
}

TEST(Stream, CopyFromMovesExactlyTheCount) {
  TMemoryStream source(std::vector<uint8_t>(300000, 0x42)), dest;
  source.SetPosition(10);
  dest.CopyFrom(source, 150000);
  EXPECT_EQ(dest.Size(), 150000);
  EXPECT_EQ(source.Position(), 150010);
  EXPECT_THROW(dest.CopyFrom(source, 200000), EStreamError);
}

TEST(BufferedReader, ReadsWhatTheParentHoldsWhereverItSeeks) {
  std::vector<uint8_t> bytes(50000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31 + (i >> 8));
  TMemoryStream parent(bytes);
  parent.SetPosition(7);
  TBufferedReader reader(parent, 4096);
  EXPECT_EQ(reader.Position(), 7);
  EXPECT_EQ(reader.Size(), 50000);

  // Small reads across buffer edges, a large read past the buffer, seeks
  // backwards and forwards, and the end.
  const struct { int64_t at; int64_t count; } steps[] = {
      {7, 5}, {4090, 12}, {4100, 3}, {100, 9000}, {20, 1}, {49990, 20}, {50000, 4}, {30000, 4096}};
  for (const auto& step : steps) {
    reader.SetPosition(step.at);
    std::vector<uint8_t> got(static_cast<size_t>(step.count));
    const int64_t n = reader.Read(got.data(), step.count);
    const int64_t expected = std::min<int64_t>(step.count, 50000 - step.at);
    ASSERT_EQ(n, expected) << "at " << step.at;
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + n, bytes.begin() + step.at)) << "at " << step.at;
    EXPECT_EQ(reader.Position(), step.at + n);
  }
  EXPECT_THROW(reader.Seek(-1, TSeekOrigin::Begin), EStreamError);
  EXPECT_THROW(reader.WriteBuffer("x", 1), EStreamError);
}

}  // namespace
}  // namespace zp
