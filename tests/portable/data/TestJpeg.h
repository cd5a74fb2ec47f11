// Small JPEG files made by libjpeg's compressor, for the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace zp::test {

struct TRgb {
  uint8_t R, G, B;
};

// How a colour picture is coded: the sampling factors of its luma (the
// chroma's are 1 x 1), progressive or sequential, arithmetic or Huffman.
struct TJpegCoding {
  int H = 2, V = 2;
  bool Progressive = false;
  bool Arithmetic = false;
};

// A picture with colour(x, y) at each pixel (gray pictures take the red
// channel), compressed at high quality.
std::vector<uint8_t> MakeJpeg(int width, int height, const std::function<TRgb(int x, int y)>& colour,
                              bool gray = false, const TJpegCoding& coding = {});

// A plain picture of one colour.
inline std::vector<uint8_t> MakeJpeg(int width, int height, TRgb colour) {
  return MakeJpeg(width, height, [colour](int, int) { return colour; });
}

}  // namespace zp::test
