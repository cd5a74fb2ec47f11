#include "picture/JpegImage.h"

#include <gtest/gtest.h>


#include "TestJpeg.h"

namespace zp {
namespace {

using test::MakeJpeg;
using test::TRgb;

// JPEG is lossy: colours come back close, not equal.
void ExpectBgr(const TPixels24& pixels, int x, int y, TRgb expected) {
  const uint8_t* p = pixels.Pixel(x, y);
  EXPECT_NEAR(p[0], expected.B, 12) << "blue at " << x << "," << y;
  EXPECT_NEAR(p[1], expected.G, 12) << "green at " << x << "," << y;
  EXPECT_NEAR(p[2], expected.R, 12) << "red at " << x << "," << y;
}

constexpr TRgb kRed{230, 20, 20};
constexpr TRgb kBlue{20, 20, 230};
constexpr TRgb kGreen{20, 230, 20};

TEST(JpegImage, DecodesTopDownBgrRowsPaddedForADib) {
  // 21 pixels * 3 = 63 bytes per row: padded to 64. Top half red, bottom
  // half blue, and a green right edge to tell the columns apart.
  const auto bytes = MakeJpeg(21, 32, [](int x, int y) { return x >= 16 ? kGreen : y < 16 ? kRed : kBlue; });
  TJpegImage image;
  image.LoadFromBytes(bytes);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(21, image.Width());
  EXPECT_EQ(32, image.Height());

  const TPixels24& pixels = image.Pixels();
  EXPECT_EQ(21, pixels.Width);
  EXPECT_EQ(32, pixels.Height);
  EXPECT_EQ(64, pixels.Stride);
  ASSERT_EQ(size_t(64 * 32), pixels.Bits.size());
  ExpectBgr(pixels, 2, 2, kRed);
  ExpectBgr(pixels, 2, 29, kBlue);
  ExpectBgr(pixels, 20, 0, kGreen);
  ExpectBgr(pixels, 20, 31, kGreen);
}

TEST(JpegImage, DecodesEverySamplingAndCoding) {
  const test::TJpegCoding codings[] = {
      {1, 1}, {2, 1}, {1, 2}, {2, 2}, {4, 1}, {4, 2}, {2, 2, true}, {2, 2, false, true}, {1, 1, true, true},
  };
  for (const test::TJpegCoding& coding : codings) {
    SCOPED_TRACE(testing::Message() << coding.H << "x" << coding.V << (coding.Progressive ? " progressive" : "")
                                    << (coding.Arithmetic ? " arithmetic" : ""));
    // An odd size, so that the last blocks are partly outside the picture.
    const auto bytes =
        MakeJpeg(37, 23, [](int x, int y) { return x >= 18 ? kBlue : y < 12 ? kRed : kGreen; }, false, coding);
    TJpegImage image;
    image.LoadFromBytes(bytes);
    ASSERT_EQ(37, image.Width());
    ASSERT_EQ(23, image.Height());
    ExpectBgr(image.Pixels(), 2, 2, kRed);
    ExpectBgr(image.Pixels(), 2, 20, kGreen);
    ExpectBgr(image.Pixels(), 34, 12, kBlue);
  }
}

TEST(JpegImage, GrayPicturesComeOutAsEqualChannels) {
  const auto bytes = MakeJpeg(8, 8, [](int, int) { return TRgb{100, 0, 0}; }, /*gray=*/true);
  TJpegImage image;
  image.LoadFromBytes(bytes);
  ExpectBgr(image.Pixels(), 4, 4, TRgb{100, 100, 100});
}

TEST(JpegImage, KeepsAndWritesTheBytesUnchanged) {
  const auto bytes = MakeJpeg(16, 16, kRed);
  TMemoryStream source(std::vector<uint8_t>{'x', 'y'});
  source.SetPosition(source.Size());
  source.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  source.WriteBuffer("tail", 4);
  source.SetPosition(2);

  TJpegImage image;
  image.LoadFromStream(source, static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(2 + static_cast<int64_t>(bytes.size()), source.Position());
  TMemoryStream saved;
  image.SaveToStream(saved);
  EXPECT_EQ(bytes, saved.Bytes());
}

TEST(JpegImage, NoBytesIsNoPicture) {
  TJpegImage image;
  image.LoadFromBytes(MakeJpeg(8, 8, kRed));
  TMemoryStream source(std::vector<uint8_t>{1, 2, 3});
  image.LoadFromStream(source, 0);
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(0, source.Position());
  EXPECT_EQ(0, image.Pixels().Width);
  TMemoryStream saved;
  image.SaveToStream(saved);
  EXPECT_EQ(0, saved.Size());
}

TEST(JpegImage, BadDataRaisesAndLeavesTheImageEmpty) {
  const auto good = MakeJpeg(8, 8, kRed);
  const std::vector<std::vector<uint8_t>> bad = {
      {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'},
      std::vector<uint8_t>(good.begin(), good.begin() + 40),  // cut inside the header
      {0xFF, 0xD8},
  };
  for (const auto& bytes : bad) {
    TJpegImage image;
    image.LoadFromBytes(good);
    try {
      image.LoadFromBytes(bytes);
      ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
    } catch (const EJpegError& e) {
      EXPECT_EQ(0u, std::string(e.what()).rfind("Invalid JPEG image: ", 0)) << e.what();
      EXPECT_GT(std::string(e.what()).size(), 20u);
    }
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(0, image.Width());
  }
}

TEST(JpegImage, CountsThatDoNotFitTheStreamRaiseTheReadError) {
  const auto bytes = MakeJpeg(8, 8, kRed);
  TMemoryStream source(bytes);
  TJpegImage image;
  EXPECT_THROW(image.LoadFromStream(source, static_cast<int64_t>(bytes.size()) + 1), EStreamError);
  EXPECT_THROW(image.LoadFromStream(source, 0x7FFFFFFF), EStreamError);
  EXPECT_THROW(image.LoadFromStream(source, -5), EStreamError);
  EXPECT_TRUE(image.Empty());
}

TEST(JpegImage, RefusesToDecodeAHugeClaimedSize) {
  // A valid header that claims 30000 x 30000 pixels: decoding would need
  // gigabytes, so it is refused before any allocation.
  auto bytes = MakeJpeg(8, 8, kRed);
  size_t sof = 2;
  while (sof + 9 < bytes.size() && !(bytes[sof] == 0xFF && bytes[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, bytes.size());
  for (size_t at : {sof + 5, sof + 7}) bytes[at] = 0x75, bytes[at + 1] = 0x30;  // 30000

  TJpegImage image;
  image.LoadFromBytes(bytes);
  EXPECT_EQ(30000, image.Width());
  EXPECT_THROW(image.Pixels(), EJpegError);
}

}  // namespace
}  // namespace zp
