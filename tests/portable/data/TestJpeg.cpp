#include "TestJpeg.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace zp::test {

std::vector<uint8_t> MakeJpeg(int width, int height, const std::function<TRgb(int x, int y)>& colour, bool gray,
                              const TJpegCoding& coding) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = gray ? 1 : 3;
  info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (!gray) info.comp_info[0].h_samp_factor = coding.H, info.comp_info[0].v_samp_factor = coding.V;
  if (coding.Progressive) jpeg_simple_progression(&info);
  info.arith_code = coding.Arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
      const TRgb c = colour(static_cast<int>(x), y);
      if (gray) {
        row[x] = c.R;
      } else {
        row[x * 3] = c.R, row[x * 3 + 1] = c.G, row[x * 3 + 2] = c.B;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&info);
  std::free(out);
  return bytes;
}

}  // namespace zp::test
