#include "picture/Resample.h"

#include <gtest/gtest.h>

#include <functional>

namespace zp {
namespace {

// A grey picture: `grey(x, y)` for each pixel, in all three channels.
TPixels24 Grey(int width, int height, const std::function<int(int, int)>& grey) {
  TPixels24 p;
  p.Width = width;
  p.Height = height;
  p.Stride = (width * 3 + 3) & ~3;
  p.Bits.assign(static_cast<size_t>(p.Stride * height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) p.Bits[static_cast<size_t>(y * p.Stride + x * 3 + c)] = static_cast<uint8_t>(grey(x, y));
  return p;
}

std::vector<int> Row(const TPixels24& p, int y) {
  std::vector<int> row;
  for (int x = 0; x < p.Width; ++x) row.push_back(p.Pixel(x, y)[1]);
  return row;
}

TEST(Resample, ShrinksByAveragingAndEnlargesLinearly) {
  const TPixels24 halves = Grey(2, 1, [](int x, int) { return x ? 255 : 0; });
  EXPECT_EQ(Row(ResizePixels(halves, 1, 1), 0), (std::vector<int>{128}));
  EXPECT_EQ(Row(ResizePixels(halves, 4, 1), 0), (std::vector<int>{0, 64, 191, 255}));
  // Blocks of 2 x 2 keep their colours when halved.
  const TPixels24 blocks = Grey(4, 4, [](int x, int y) { return (x / 2 + y / 2) % 2 ? 200 : 10; });
  const TPixels24 half = ResizePixels(blocks, 2, 2);
  EXPECT_EQ(Row(half, 0), (std::vector<int>{10, 200}));
  EXPECT_EQ(Row(half, 1), (std::vector<int>{200, 10}));
  EXPECT_EQ(half.Stride, 8);
  // The same size is the same picture.
  EXPECT_EQ(ResizePixels(blocks, 4, 4).Bits, blocks.Bits);
  EXPECT_EQ(ResizePixels(TPixels24{}, 4, 4).Width, 0);
}

TEST(Resample, CoverFillsTheBoxAndCropsEvenlyOnBothSides) {
  // Too tall: the middle rows show; too wide, and shrunk: the middle columns.
  const TPixels24 tall = Grey(4, 8, [](int, int y) { return y >= 2 && y < 6 ? 255 : 0; });
  const TPixels24 wide = Grey(8, 2, [](int x, int) { return x >= 2 && x < 6 ? 255 : 0; });
  for (const TPixels24& covered : {CoverPixels(tall, 4, 4), CoverPixels(wide, 2, 2)}) {
    for (int y = 0; y < covered.Height; ++y)
      for (int v : Row(covered, y)) EXPECT_EQ(v, 255);
  }
  // A banner a little short for its band is enlarged: no strip is left.
  const TPixels24 banner = CoverPixels(Grey(160, 314, [](int, int) { return 90; }), 160, 320);
  EXPECT_EQ(banner.Width, 160);
  EXPECT_EQ(banner.Height, 320);
  EXPECT_EQ(Row(banner, 0), std::vector<int>(160, 90));
  EXPECT_EQ(Row(banner, 319), std::vector<int>(160, 90));
}

}  // namespace
}  // namespace zp
