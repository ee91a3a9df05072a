#include "tools/sample-service/service/PictureEncoders.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/encode.h>

namespace sample {

std::vector<uint8_t> IndexedPicture::rgb() const {
  std::vector<uint8_t> out(pixels.size() * 3);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint8_t* c = &palette[pixels[i] * 3u];
    out[i * 3] = c[0];
    out[i * 3 + 1] = c[1];
    out[i * 3 + 2] = c[2];
  }
  return out;
}

namespace {

void appendPNG(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void flushPNG(png_structp) {}

// libjpeg reports errors by a callback that must not return.
struct JPEGError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<JPEGError*>(info->err)->jump, 1); }

int appendPictureGIF(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

}  // namespace

std::vector<uint8_t> encodePNG(const IndexedPicture& picture) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendPNG, flushPNG);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
               PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color colours[16];
  for (int i = 0; i < 16; ++i) {
    colours[i] = {picture.palette[i * 3u], picture.palette[i * 3u + 1], picture.palette[i * 3u + 2]};
  }
  png_set_PLTE(png, info, colours, 16);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(&picture.pixels[static_cast<size_t>(y) * picture.width]));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> encodeJPEG(const IndexedPicture& picture, int quality) {
  auto rgb = picture.rgb();
  jpeg_compress_struct info{};
  JPEGError error{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = &rgb[static_cast<size_t>(info.next_scanline) * picture.width * 3];
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

std::vector<uint8_t> encodeGIF(const IndexedPicture& picture) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendPictureGIF, &error);
  if (!gif) return {};
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) {
    colours[i] = {picture.palette[i * 3u], picture.palette[i * 3u + 1], picture.palette[i * 3u + 2]};
  }
  ColorMapObject* map = GifMakeMapObject(16, colours);
  bool ok = map && EGifPutScreenDesc(gif, picture.width, picture.height, 4, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < picture.height; ++y) {
    auto* row = const_cast<GifPixelType*>(&picture.pixels[static_cast<size_t>(y) * picture.width]);
    ok = EGifPutLine(gif, row, picture.width) == GIF_OK;
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok ? out : std::vector<uint8_t>();
}

std::vector<uint8_t> encodeWebP(const IndexedPicture& picture, float quality) {
  auto rgb = picture.rgb();
  uint8_t* output = nullptr;
  size_t size = WebPEncodeRGB(rgb.data(), picture.width, picture.height, picture.width * 3, quality, &output);
  std::vector<uint8_t> out;
  if (size > 0 && output) out.assign(output, output + size);
  WebPFree(output);
  return out;
}

}  // namespace sample
