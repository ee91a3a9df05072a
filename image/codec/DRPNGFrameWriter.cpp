#include "image/codec/DRPNGFrameWriter.h"

#include <png.h>

#include <cstdlib>

#include "image/codec/DRImageCoderHelpers.h"

namespace image {

std::optional<std::vector<uint8_t>> DRPNGEncodeRGBA(const Ref<gfx::BitmapImage>& image) {
  DRBitmapBuffer buffer;
  if (!DRConvertImageToBitmapBuffer(image, &buffer, gfx::ImageAlphaLast)) return std::nullopt;
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = false;  // survives the error jump
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep bytes, png_size_t n) {
          auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
          v->insert(v->end(), bytes, bytes + n);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(buffer.width), png_uint_32(buffer.height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (size_t y = 0; y < buffer.height; ++y)
      png_write_row(png, static_cast<png_bytep>(buffer.data) + y * buffer.rowBytes);
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  std::free(buffer.data);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace image
