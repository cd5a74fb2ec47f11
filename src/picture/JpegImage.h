// A JPEG picture of the package (banner, splash): the file bytes as stored,
// and their decoding into 24-bit pixels when someone wants to show them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/Errors.h"
#include "package/Streams.h"

namespace zp {

// Raised for data that libjpeg cannot read: "Invalid JPEG image: <reason>".
class EJpegError : public EZpError {
public:
  using EZpError::EZpError;
};

// Decoded pixels laid out for a top-down Windows DIB: rows from the top,
// 3 bytes per pixel in B, G, R order, each row padded to a multiple of 4.
struct TPixels24 {
  int Width = 0;
  int Height = 0;
  int Stride = 0;  // bytes per row
  std::vector<uint8_t> Bits;

  const uint8_t* Pixel(int x, int y) const {
    return Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(Stride) + static_cast<size_t>(x) * 3;
  }
};

class TJpegImage {
public:
  TJpegImage() = default;
  TJpegImage(const TJpegImage&) = delete;
  TJpegImage& operator=(const TJpegImage&) = delete;

  // No bytes means no picture.
  bool Empty() const { return data_.empty(); }
  void Clear();

  // Takes exactly `count` bytes from the stream's position (EStreamError when
  // fewer are there; count 0 leaves the image empty) and reads the JPEG
  // header: EJpegError when it is not a JPEG, and the image stays empty.
  void LoadFromStream(TStream& stream, int64_t count);
  void LoadFromBytes(std::vector<uint8_t> bytes);
  // Writes the held JPEG bytes unchanged (nothing for an empty image).
  void SaveToStream(TStream& stream) const;

  const std::vector<uint8_t>& Bytes() const { return data_; }
  // Known from the header once loaded; 0 for an empty image.
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Decodes on first use (EJpegError on bad data); empty pixels when Empty().
  const TPixels24& Pixels() const;

private:
  std::vector<uint8_t> data_;
  int width_ = 0;
  int height_ = 0;
  mutable std::unique_ptr<TPixels24> pixels_;
};

}  // namespace zp
