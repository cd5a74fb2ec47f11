// Compressed contents: a Zstandard frame inside the content block, decoded
// while it is decrypted. The decoder must write exactly what the record
// promises or fail, whatever the frame holds.
#include <zstd.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "package/Content.h"
#include "package/Crc32.h"

namespace zp {
namespace {

const uint8_t kKey[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 11, 12, 13, 14, 15, 16};

std::vector<uint8_t> Text(size_t n, unsigned seed) {
  static const char* const words[] = {"double ", "Close[i] ", "iMA(NULL,0,", "return(0);\r\n", "if(", "Buffer",
                                      "// signal\r\n", "for(int i=0;"};
  std::mt19937 random(seed);
  std::vector<uint8_t> text;
  while (text.size() < n) {
    const std::string word = words[random() % 8] + std::to_string(random() % 50);
    text.insert(text.end(), word.begin(), word.end());
  }
  text.resize(n);
  return text;
}

std::vector<uint8_t> Random(size_t n) {
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

const std::vector<uint8_t> kDictionary = Text(300000, 1);

// A frame of `plain`, with the dictionary or without; `tune` may change the
// encoder's parameters.
std::vector<uint8_t> Frame(const std::vector<uint8_t>& plain, bool dictionary,
                           const std::function<void(ZSTD_CCtx*)>& tune = {}) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 3);
  if (dictionary) ZSTD_CCtx_loadDictionary(context, kDictionary.data(), kDictionary.size());
  if (tune) tune(context);
  std::vector<uint8_t> frame(ZSTD_compressBound(plain.size()));
  const size_t size = ZSTD_compress2(context, frame.data(), frame.size(), plain.data(), plain.size());
  ZSTD_freeCCtx(context);
  EXPECT_FALSE(ZSTD_isError(size));
  frame.resize(size);
  return frame;
}

std::vector<uint8_t> Stored(const std::vector<uint8_t>& bytes) {
  TMemoryStream source(bytes), stored;
  EncryptContent(source, static_cast<int64_t>(bytes.size()), stored, kKey);
  return stored.Bytes();
}

struct TUnpacked {
  bool Failed = false;
  std::vector<uint8_t> Bytes;
  uint32_t Crc = 0;
};

TUnpacked Unpack(TContentDecoder& decoder, const std::vector<uint8_t>& frame, int32_t coding, int64_t plainSize) {
  TMemoryStream source(Stored(frame)), dest;
  TUnpacked result;
  try {
    decoder.Unpack(source, dest, kKey, coding, plainSize, &result.Crc);
  } catch (const ECipherException&) {
    result.Failed = true;
  }
  result.Bytes = dest.Bytes();
  return result;
}

class CompressedContent : public ::testing::Test {
protected:
  void SetUp() override { decoder.SetDictionary(kDictionary); }
  TContentDecoder decoder;
};

// One decoder for every content of a package, in any order of codings.
TEST_F(CompressedContent, DecodesEveryCodingAndSize) {
  const struct {
    std::vector<uint8_t> Plain;
    int32_t Coding;
  } cases[] = {
      {Text(0, 2), ccZstd},           {Text(5000, 3), ccZstdDictionary}, {Random(70000), ccZstd},
      {Text(5000, 4), ccStored},      {Text(400000, 5), ccZstd},         {kDictionary, ccZstdDictionary},
      {Text(0, 6), ccZstdDictionary}, {Text(1, 7), ccZstd},
  };
  for (const auto& c : cases) {
    const auto frame = c.Coding == ccStored ? c.Plain : Frame(c.Plain, c.Coding == ccZstdDictionary);
    const TUnpacked got = Unpack(decoder, frame, c.Coding, static_cast<int64_t>(c.Plain.size()));
    EXPECT_FALSE(got.Failed) << c.Plain.size() << " bytes, coding " << c.Coding;
    EXPECT_EQ(got.Bytes, c.Plain) << c.Plain.size() << " bytes, coding " << c.Coding;
    EXPECT_EQ(got.Crc, Crc32(c.Plain.data(), c.Plain.size()));
  }
}

// Damaged and hostile frames: an error, and never more bytes than the record
// allows.
TEST_F(CompressedContent, RefusesWhatDoesNotDecodeToTheRecordedSize) {
  const auto plain = Text(200000, 8);
  const auto frame = Frame(plain, false);
  const int64_t size = static_cast<int64_t>(plain.size());
  auto cut = [](std::vector<uint8_t> bytes, size_t n) { return bytes.resize(bytes.size() - n), bytes; };
  auto joined = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) { return a.insert(a.end(), b.begin(), b.end()), a; };
  // A small frame that asks for a 16 MiB window (a content of 16 MiB of zeros).
  const std::vector<uint8_t> zeros(16 << 20);
  const auto wide = Frame(zeros, false, [](ZSTD_CCtx* c) { ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, 24); });
  TContentDecoder bare;
  const struct {
    const char* Name;
    TContentDecoder* Decoder;
    std::vector<uint8_t> Frame;
    int32_t Coding;
    int64_t PlainSize;
  } cases[] = {
      {"record says less", &decoder, frame, ccZstd, size - 1},
      {"record says more", &decoder, frame, ccZstd, size + 1},
      {"negative size", &decoder, frame, ccZstd, -1},
      {"cut short", &decoder, cut(frame, 3), ccZstd, size},
      {"bytes after the frame", &decoder, joined(frame, {1, 2, 3}), ccZstd, size},
      {"two frames", &decoder, joined(frame, frame), ccZstd, 2 * size},
      {"not a frame", &decoder, Random(5000), ccZstd, size},
      {"unknown coding", &decoder, frame, 3, size},
      {"made with the dictionary, read without", &decoder, Frame(plain, true), ccZstd, size},
      {"no dictionary in the package", &bare, Frame(plain, true), ccZstdDictionary, size},
      {"window beyond the limit", &decoder, wide, ccZstd, static_cast<int64_t>(zeros.size())},
  };
  for (const auto& c : cases) {
    const TUnpacked got = Unpack(*c.Decoder, c.Frame, c.Coding, c.PlainSize);
    EXPECT_TRUE(got.Failed) << c.Name;
    EXPECT_LE(static_cast<int64_t>(got.Bytes.size()), std::max<int64_t>(c.PlainSize, 0)) << c.Name;
  }
  // The decoder is fine after all that.
  EXPECT_EQ(Unpack(decoder, frame, ccZstd, size).Bytes, plain);
}

TEST_F(CompressedContent, RefusesADictionaryBeyondTheLimit) {
  EXPECT_THROW(decoder.SetDictionary(std::vector<uint8_t>(kMaxDictionarySize + 1, 'x')), ECipherException);
}

// A frame held whole in memory (the package's compressed entries): one
// frame that states its size, then nothing but zeros.
TEST(WholeFrame, DecodesOneFrameAndZerosAfterItAndRefusesTheRest) {
  const auto plain = Text(200, 9);
  const auto checked = [](ZSTD_CCtx* c) { ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1); };
  const auto frame = Frame(plain, false, checked);
  auto joined = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) { return a.insert(a.end(), b.begin(), b.end()), a; };
  auto changed = [](std::vector<uint8_t> bytes, size_t at, uint8_t value) { return bytes[at] = value, bytes; };
  // The plain size is the one-byte field after the frame header descriptor.
  const auto bare = Frame(plain, false);
  ASSERT_EQ(bare[4], 0x20);  // single segment, a one-byte size, no checksum, no dictionary
  ASSERT_EQ(bare[5], plain.size());
  const std::vector<uint8_t> zeros(16 << 20);
  const auto wide = Frame(zeros, false, [](ZSTD_CCtx* c) { ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, 24); });
  const auto unsized = Frame(plain, false, [](ZSTD_CCtx* c) { ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, 0); });
  const std::vector<uint8_t> skippable = {0x50, 0x2A, 0x4D, 0x18, 2, 0, 0, 0, 1, 2};
  const struct {
    const char* Name;
    std::vector<uint8_t> Value;
    int64_t Limit;
    bool Sound;
  } cases[] = {
      {"a frame", frame, 200, true},
      {"a frame and zeros", joined(frame, std::vector<uint8_t>(9)), 200, true},
      {"nothing", {}, 200, false},
      {"cut short", std::vector<uint8_t>(frame.begin(), frame.end() - 1), 200, false},
      {"only a header", std::vector<uint8_t>(frame.begin(), frame.begin() + 3), 200, false},
      {"other bytes after it", joined(frame, {0, 0, 1}), 200, false},
      {"two frames", joined(frame, frame), 400, false},
      {"a skippable frame", skippable, 200, false},
      {"no frame", Random(300), 200, false},
      {"a damaged byte", changed(frame, frame.size() - 6, frame[frame.size() - 6] ^ 0x10), 200, false},
      {"a wrong checksum", changed(frame, frame.size() - 1, frame.back() ^ 0x01), 200, false},
      {"states a size beyond the limit", frame, 199, false},
      {"states less than it holds", changed(bare, 5, uint8_t(plain.size() - 1)), 200, false},
      {"states more than it holds", changed(bare, 5, uint8_t(plain.size() + 1)), 300, false},
      {"states no size", unsized, 200, false},
      {"a window beyond the limit", wide, int64_t(zeros.size()), false},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> got = {1};
    int64_t frameSize = -1;
    const std::string problem = DecodeWholeFrame(c.Value, c.Limit, got, frameSize);
    EXPECT_EQ(problem.empty(), c.Sound) << c.Name << ": " << problem;
    EXPECT_EQ(got, c.Sound ? plain : std::vector<uint8_t>()) << c.Name;
    EXPECT_EQ(frameSize, c.Sound ? int64_t(frame.size()) : 0) << c.Name;
  }
}

}  // namespace
}  // namespace zp
