#include "package/TagStreams.h"

#include <gtest/gtest.h>

namespace zp {
namespace {

std::vector<uint8_t> Le32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
}

// Raw bytes put together from pieces, for streams the writer would not make.
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> pieces) {
  std::vector<uint8_t> out;
  for (const auto& p : pieces) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> Header(int32_t tag, uint8_t type) { return Cat({Le32(tag), {type}}); }

TEST(TagStream, WritesTheByteFormat) {
  TMemoryStream m;
  TTagStreamAdapter w(m);
  w.WriteSignature(kPackageSignature);
  w.WriteInteger(3, -2);
  w.WriteBoolean(9, 1);
  w.WriteString(2, "ab");
  w.BeginBlock(20);
  w.EndBlock();
  EXPECT_EQ(m.Bytes(), Cat({{'Z', 'P', 'I', 'N'}, Header(3, 4), Le32(-2), Header(9, 1), {1}, Header(2, 7), Le32(2),
                            {'a', 'b'}, Header(20, 0), Header(-1, 0)}));
}

TEST(TagStream, ReadsBackWhatWasWritten) {
  std::string big(10000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  TMemoryStream source(std::vector<uint8_t>(big.begin(), big.end()));
  source.SetPosition(100);

  TMemoryStream m;
  TTagStreamAdapter w(m);
  w.WriteSignature(kUninstallSignature);
  w.WriteString(1, std::string("a\0b", 3));
  w.WriteString(2, "");
  w.WriteStream(3, source, 9000);
  w.BeginBlock(4);
  w.WriteInteger(1, INT32_MIN);
  w.EndBlock();
  w.WriteBoolean(5, 0);

  m.SetPosition(0);
  TTagStreamAdapter r(m);
  ASSERT_TRUE(r.CheckSignature(kUninstallSignature));
  ASSERT_TRUE(r.ReadTag());
  EXPECT_EQ(r.ReadString(), std::string("a\0b", 3));
  ASSERT_TRUE(r.ReadTag());
  EXPECT_EQ(r.ReadString(), "");
  ASSERT_TRUE(r.ReadTag());
  EXPECT_EQ(r.TagType, ttBinary);
  ASSERT_EQ(r.ReadLength(), 9000);
  std::string copied(9000, '\0');
  m.ReadBuffer(copied.data(), 9000);
  EXPECT_EQ(copied, big.substr(100, 9000));
  ASSERT_TRUE(r.ReadTag());
  ASSERT_EQ(r.TagType, ttBlock);
  ASSERT_TRUE(r.ReadTag());
  EXPECT_EQ(r.ReadInteger(), INT32_MIN);
  EXPECT_FALSE(r.ReadTag());  // end of the block
  ASSERT_TRUE(r.ReadTag());
  EXPECT_EQ(r.Tag, 5);
  EXPECT_EQ(r.ReadBoolean(), 0);
  EXPECT_FALSE(r.ReadTag());  // end of the stream
}

TEST(TagStream, WriteStreamRaisesWhenTheSourceRunsShort) {
  TMemoryStream source(std::vector<uint8_t>(5000)), m;
  TTagStreamAdapter w(m);
  EXPECT_THROW(w.WriteStream(1, source, 6000), EStreamError);
}

TEST(TagStream, SkipsUnknownEntriesOfEveryType) {
  // Types 1..8 with their value sizes, an unknown type 9 carrying nothing, and
  // a block holding blocks; the entry after them must still be found.
  TMemoryStream m(Cat({Header(50, 1), {1}, Header(51, 2), {2}, Header(52, 3), {3, 3}, Header(53, 4), Le32(4),
                       Header(54, 5), Le32(5), Header(55, 6), Le32(6), Le32(6), Header(56, 7), Le32(0),
                       Header(57, 8), Le32(3), {8, 8, 8}, Header(58, 9),
                       Header(60, 0), Header(1, 0), Header(1, 7), Le32(1), {'x'}, Header(2, 0), Header(-1, 0),
                       Header(-1, 0), Header(2, 4), Le32(1), Header(-1, 0),
                       Header(7, 4), Le32(77)}));
  TTagStreamAdapter r(m);
  while (r.ReadTag() && r.Tag != 7) r.SkipValue();
  ASSERT_EQ(r.Tag, 7);
  EXPECT_EQ(r.ReadInteger(), 77);
  EXPECT_EQ(m.Position(), m.Size());
}

TEST(TagStream, EndMarkerEndsTheTopLevelBeforeTrailingBytes) {
  TMemoryStream m(Cat({{'Z', 'P', 'I', 'N'}, Header(2, 4), Le32(1), Header(-1, 0), Header(3, 4), Le32(2)}));
  TTagStreamAdapter r(m);
  ASSERT_TRUE(r.CheckSignature(kPackageSignature));
  ASSERT_TRUE(r.ReadTag());
  r.SkipValue();
  EXPECT_FALSE(r.ReadTag());
  EXPECT_EQ(m.Position(), 18);
}

TEST(TagStream, SignatureChecks) {
  TMemoryStream only(Cat({{'Z', 'P', 'U', 'N'}})), wrong(Cat({{'Z', 'P', 'I', 'N'}})), cut(Cat({{'Z', 'P'}}));
  TTagStreamAdapter a(only), b(wrong), c(cut);
  EXPECT_TRUE(a.CheckSignature(kUninstallSignature));
  EXPECT_FALSE(a.ReadTag());
  EXPECT_FALSE(b.CheckSignature(kUninstallSignature));
  EXPECT_FALSE(c.CheckSignature(SignatureOf("ZP\0\0")));
}

// Every kind of damage ends reading quietly: a reader gets 0 or an empty
// value, the stream is left at its end and the next ReadTag fails.
TEST(TagStream, DamagedStreamsEndReading) {
  struct TCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<int32_t> integers;
  };
  const TCase cases[] = {
      {"header cut short", Cat({Header(2, 4), Le32(5), {7, 0, 0}}), {5}},
      {"type byte missing", Le32(2), {}},
      {"integer cut short", Cat({Header(3, 4), {1, 2}}), {0}},
      {"length past the end", Cat({Header(2, 7), Le32(100), {'a', 'b'}, Header(3, 4), Le32(1)}), {}},
      {"negative length", Cat({Header(2, 7), Le32(-10), Header(3, 4), Le32(1)}), {}},
      {"negative length skipped", Cat({Header(2, 8), Le32(-10), Header(3, 4), Le32(1)}), {}},
      {"length cut short", Cat({Header(2, 8), {1, 0}}), {}},
      {"block never closed", Cat({Header(60, 0), Header(1, 0), Header(1, 4), Le32(1)}), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream m(c.bytes);
    TTagStreamAdapter r(m);
    std::vector<int32_t> integers;
    while (r.ReadTag()) {
      if (r.Tag == 2 && r.TagType == ttString) {
        EXPECT_EQ(r.ReadString(), "");
      } else if (r.TagType == ttInteger) {
        integers.push_back(r.ReadInteger());
      } else {
        r.SkipValue();
      }
    }
    EXPECT_EQ(integers, c.integers);
    EXPECT_EQ(m.Position(), m.Size());
    EXPECT_FALSE(r.ReadTag());
  }
}

TEST(TagStream, SkipsDeepNestingWithoutRecursion) {
  constexpr int kDepth = 200000;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < kDepth; ++i) bytes.insert(bytes.end(), {1, 0, 0, 0, 0});
  for (int i = 0; i < kDepth; ++i) bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0});
  const auto tail = Cat({Header(9, 1), {1}});
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  TMemoryStream m(bytes);
  TTagStreamAdapter r(m);
  ASSERT_TRUE(r.ReadTag());
  r.SkipValue();
  ASSERT_TRUE(r.ReadTag());
  EXPECT_EQ(r.Tag, 9);
  EXPECT_EQ(r.ReadBoolean(), 1);
}

}  // namespace
}  // namespace zp
