#include "picture/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace zp {
namespace {

// Pictures are banners and splash screens; a header that claims more pixels
// than this is refused before anything is allocated.
constexpr uint64_t kMaxPixels = uint64_t(1) << 24;

// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours keeps the message and jumps back to RunDecoder, which owns no C++
// object between its setjmp and libjpeg's frames.
struct TErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<TErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

// Warnings (a missing end marker, say) are not ours to print.
void OutputMessage(j_common_ptr) {}

// One decoded row (RGB, gray expanded, or CMYK) into a B, G, R row.
void ConvertRow(const jpeg_decompress_struct& info, const JSAMPLE* in, uint8_t* out) {
  const JDIMENSION width = info.output_width;
  if (info.out_color_space == JCS_CMYK) {
    // Adobe writes CMYK inverted; plain CMYK has 0 for no ink.
    const bool inverted = info.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
      const unsigned k = inverted ? in[3] : 255u - in[3];
      for (int c = 0; c < 3; ++c) {
        const unsigned ink = inverted ? in[c] : 255u - in[c];
        out[2 - c] = static_cast<uint8_t>(ink * k / 255u);
      }
    }
    return;
  }
  for (JDIMENSION x = 0; x < width; ++x, in += 3, out += 3)
    out[0] = in[2], out[1] = in[1], out[2] = in[0];
}

// Reads the header and, when `pixels` is given, the whole picture. Returns
// false when libjpeg gave up; its message is then in manager.message.
bool RunDecoder(TErrorManager& manager, jpeg_decompress_struct& info, const std::vector<uint8_t>& data,
                TPixels24* pixels) {
  if (setjmp(manager.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  if (!pixels) return true;

  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);
  pixels->Width = static_cast<int>(info.output_width);
  pixels->Height = static_cast<int>(info.output_height);
  pixels->Stride = (pixels->Width * 3 + 3) & ~3;
  pixels->Bits.assign(static_cast<size_t>(pixels->Stride) * static_cast<size_t>(pixels->Height), 0);
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * static_cast<JDIMENSION>(info.output_components), 1);
  while (info.output_scanline < info.output_height) {
    const JDIMENSION y = info.output_scanline;
    if (jpeg_read_scanlines(&info, row, 1) != 1) break;
    ConvertRow(info, row[0], pixels->Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(pixels->Stride));
  }
  jpeg_finish_decompress(&info);
  return true;
}

struct THeader {
  int Width;
  int Height;
};

// Runs the decoder with a fresh libjpeg state and always releases it.
THeader Decode(const std::vector<uint8_t>& data, TPixels24* pixels) {
  TErrorManager manager;
  std::memset(&manager, 0, sizeof(manager));
  jpeg_decompress_struct info;
  std::memset(&info, 0, sizeof(info));
  info.err = jpeg_std_error(&manager.pub);
  manager.pub.error_exit = ErrorExit;
  manager.pub.output_message = OutputMessage;

  bool ok;
  try {
    ok = RunDecoder(manager, info, data, pixels);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  const THeader header{static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
  jpeg_destroy_decompress(&info);
  if (!ok) throw EJpegError(std::string("Invalid JPEG image: ") + manager.message);
  return header;
}

}  // namespace

void TJpegImage::Clear() {
  data_.clear();
  width_ = height_ = 0;
  pixels_.reset();
}

void TJpegImage::LoadFromStream(TStream& stream, int64_t count) {
  Clear();
  if (count < 0 || count > stream.Size() - stream.Position()) throw EStreamError("Stream read error");
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  stream.ReadBuffer(bytes.data(), count);
  LoadFromBytes(std::move(bytes));
}

void TJpegImage::LoadFromBytes(std::vector<uint8_t> bytes) {
  Clear();
  if (bytes.empty()) return;
  const THeader header = Decode(bytes, nullptr);
  data_ = std::move(bytes);
  width_ = header.Width;
  height_ = header.Height;
}

void TJpegImage::SaveToStream(TStream& stream) const {
  stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

const TPixels24& TJpegImage::Pixels() const {
  if (!pixels_) {
    auto pixels = std::make_unique<TPixels24>();
    if (!Empty()) {
      if (uint64_t(width_) * uint64_t(height_) > kMaxPixels)
        throw EJpegError("JPEG image too large: " + std::to_string(width_) + " x " + std::to_string(height_));
      Decode(data_, pixels.get());
    }
    pixels_ = std::move(pixels);
  }
  return *pixels_;
}

}  // namespace zp
