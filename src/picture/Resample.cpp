#include "picture/Resample.h"

#include <algorithm>
#include <cmath>

namespace zp {

namespace {

// The source samples that make destination sample `i`, with their weights.
struct TTap {
  int First = 0;
  std::vector<float> Weights;
};

// Shrinking averages the source samples under each destination sample,
// weighted by how much of them it covers (a box filter); enlarging
// interpolates linearly between the two nearest. `offset` and `span` pick
// the part of the source that is scaled.
std::vector<TTap> Taps(double offset, double span, int sourceSize, int size) {
  std::vector<TTap> taps(static_cast<size_t>(size));
  const double scale = span / size;  // source samples per destination sample
  for (int i = 0; i < size; ++i) {
    TTap& tap = taps[static_cast<size_t>(i)];
    double sum = 0;
    if (scale > 1) {
      const double left = offset + i * scale;
      const double right = left + scale;
      tap.First = std::max(0, static_cast<int>(std::floor(left)));
      const int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(right)) - 1);
      for (int s = tap.First; s <= last; ++s) {
        const double w = std::max(0.0, std::min<double>(right, s + 1) - std::max<double>(left, s));
        tap.Weights.push_back(static_cast<float>(w));
        sum += w;
      }
    } else {
      const double centre = std::clamp(offset + (i + 0.5) * scale - 0.5, 0.0, sourceSize - 1.0);
      tap.First = static_cast<int>(std::floor(centre));
      const double fraction = centre - tap.First;
      tap.Weights.push_back(static_cast<float>(1 - fraction));
      if (tap.First + 1 < sourceSize) tap.Weights.push_back(static_cast<float>(fraction));
      sum = tap.Weights.size() == 1 ? tap.Weights[0] : 1;
    }
    if (sum <= 0) {
      tap.Weights.assign(1, 1.0f);
      sum = 1;
    }
    for (float& w : tap.Weights) w = static_cast<float>(w / sum);
  }
  return taps;
}

TPixels24 Blank(int width, int height) {
  TPixels24 out;
  out.Width = width;
  out.Height = height;
  out.Stride = (width * 3 + 3) & ~3;
  out.Bits.assign(static_cast<size_t>(out.Stride) * static_cast<size_t>(height), 0);
  return out;
}

// Scales the part (x, y, w, h) of `source` to width x height.
TPixels24 Scale(const TPixels24& source, double x, double y, double w, double h, int width, int height) {
  const std::vector<TTap> across = Taps(x, w, source.Width, width);
  const std::vector<TTap> down = Taps(y, h, source.Height, height);
  // Rows first, into floats, then columns.
  std::vector<float> rows(static_cast<size_t>(source.Height) * static_cast<size_t>(width) * 3);
  for (int sy = 0; sy < source.Height; ++sy) {
    for (int dx = 0; dx < width; ++dx) {
      const TTap& tap = across[static_cast<size_t>(dx)];
      float acc[3] = {0, 0, 0};
      for (size_t k = 0; k < tap.Weights.size(); ++k) {
        const uint8_t* p = source.Pixel(tap.First + static_cast<int>(k), sy);
        for (int c = 0; c < 3; ++c) acc[c] += tap.Weights[k] * p[c];
      }
      std::copy(acc, acc + 3, rows.begin() + (static_cast<ptrdiff_t>(sy) * width + dx) * 3);
    }
  }
  TPixels24 out = Blank(width, height);
  for (int dy = 0; dy < height; ++dy) {
    const TTap& tap = down[static_cast<size_t>(dy)];
    uint8_t* line = out.Bits.data() + static_cast<size_t>(dy) * static_cast<size_t>(out.Stride);
    for (int dx = 0; dx < width; ++dx) {
      for (int c = 0; c < 3; ++c) {
        float acc = 0;
        for (size_t k = 0; k < tap.Weights.size(); ++k)
          acc += tap.Weights[k] * rows[(static_cast<size_t>(tap.First + static_cast<int>(k)) * width + dx) * 3 + c];
        line[dx * 3 + c] = static_cast<uint8_t>(std::clamp(std::lround(acc), 0L, 255L));
      }
    }
  }
  return out;
}

}  // namespace

TPixels24 ResizePixels(const TPixels24& source, int width, int height) {
  if (source.Width <= 0 || source.Height <= 0) return {};
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == source.Width && height == source.Height) return source;
  return Scale(source, 0, 0, source.Width, source.Height, width, height);
}

TPixels24 CoverPixels(const TPixels24& source, int width, int height) {
  if (source.Width <= 0 || source.Height <= 0) return {};
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == source.Width && height == source.Height) return source;
  // The part of the source that shows: the box's proportions, centred.
  const double scale = std::max(static_cast<double>(width) / source.Width, static_cast<double>(height) / source.Height);
  const double w = width / scale;
  const double h = height / scale;
  return Scale(source, (source.Width - w) / 2, (source.Height - h) / 2, w, h, width, height);
}

}  // namespace zp
