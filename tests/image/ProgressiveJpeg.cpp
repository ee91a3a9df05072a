#include "tests/image/ProgressiveJpeg.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

namespace imagetest {

std::string progressiveJPEG(int width, int height) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      row[size_t(x) * 3] = static_cast<unsigned char>(x * 255 / width);
      row[size_t(x) * 3 + 1] = static_cast<unsigned char>(y * 255 / height);
      row[size_t(x) * 3 + 2] = static_cast<unsigned char>((x ^ y) & 0xFF);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  free(buffer);
  return out;
}

}  // namespace imagetest
