#include "package/SubStreams.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zp {
namespace {

TMemoryStream Counting(size_t n) {
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), 0);
  return TMemoryStream(std::move(bytes));
}

TEST(SubStream, MovesTheParentIntoTheRange) {
  TMemoryStream parent = Counting(100);
  for (const auto& [from, to] : {std::pair{0, 10}, {15, 15}, {60, 19}}) {
    parent.SetPosition(from);
    TSubStream window(parent, 10, 19);
    EXPECT_EQ(parent.Position(), to) << from;
  }
}

TEST(SubStream, ReadsAndWritesOnlyItsRange) {
  TMemoryStream parent = Counting(100);
  TSubStream window(parent, 10, 19);
  EXPECT_EQ(window.Size(), 10);
  EXPECT_EQ(window.Seek(4, TSeekOrigin::Begin), 4);
  uint8_t buffer[32] = {};
  EXPECT_EQ(window.Read(buffer, 32), 6);
  EXPECT_EQ(buffer[0], 14);
  EXPECT_EQ(buffer[5], 19);
  EXPECT_EQ(window.Read(buffer, 32), 0);
  EXPECT_EQ(window.Seek(-3, TSeekOrigin::Current), 7);
  EXPECT_EQ(window.Seek(-1, TSeekOrigin::End), 9);
  const uint8_t ones[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(window.Write(ones, 8), 1);
  EXPECT_EQ(parent.Bytes()[19], 1);
  EXPECT_EQ(parent.Bytes()[20], 20);
  EXPECT_EQ(parent.Size(), 100);
}

TEST(SubStream, SeekBeforeTheRangeRaisesAndReadsNothing) {
  TMemoryStream parent = Counting(100);
  TSubStream window(parent, 10, 19);
  try {
    window.Seek(-4, TSeekOrigin::Begin);
    FAIL() << "no error";
  } catch (const EZpError& e) {
    EXPECT_STREQ(e.what(), "Seek out of range");
  }
  EXPECT_EQ(parent.Position(), 6);
  uint8_t buffer[8];
  EXPECT_EQ(window.Read(buffer, 8), 0);  // bytes 6..9 lie outside the window
}

TEST(SubStream, EmptyRange) {
  TMemoryStream parent = Counting(100);
  TSubStream window(parent, 50, 49);
  EXPECT_EQ(window.Size(), 0);
  EXPECT_EQ(window.Seek(0, TSeekOrigin::Begin), 0);
  uint8_t byte;
  EXPECT_EQ(window.Read(&byte, 1), 0);
}

}  // namespace
}  // namespace zp
