// Pictures brought to the size a screen wants: smooth scaling (a box filter
// when shrinking, linear interpolation when enlarging) and "cover", which
// fills a box without strips and crops what sticks out on both sides alike.
#pragma once

#include "picture/JpegImage.h"

namespace zp {

// `source` scaled to width x height (each at least 1); the same pixels when
// the size does not change. Empty for an empty source.
TPixels24 ResizePixels(const TPixels24& source, int width, int height);

// `source` scaled, keeping its proportions, just enough to cover width x
// height, then cut to that size around its centre.
TPixels24 CoverPixels(const TPixels24& source, int width, int height);

}  // namespace zp
