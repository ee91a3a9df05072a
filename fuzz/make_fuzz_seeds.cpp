// Writes one small sample per format into <dir>/<format>/ as the fuzzers' starting corpus.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/ImageDestination.h"

namespace {

Ref<gfx::BitmapImage> sample(uint32_t w, uint32_t h, uint32_t seed) {
  std::vector<uint32_t> px(size_t(w) * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t a = (x * 255 / w) | 0x40;
      uint32_t r = (x * 7 + seed) % a, g = (y * 11) % a, b = ((x ^ y) * 5) % a;
      px[size_t(y) * w + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  gfx::PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = size_t(w) * 4;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::BitmapImage::createCopying(f, px.data());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
    return 2;
  }
  struct Kind {
    const char* dir;
    const char* type;
    uint32_t w, h;
    int frames;
  } kinds[] = {
      {"png", gfx::kUTTypePNG, 13, 7, 1},        {"jpeg", gfx::kUTTypeJPEG, 17, 9, 1},
      {"gif", gfx::kUTTypeGIF, 9, 6, 2},         {"webp", gfx::kUTTypeWebP, 11, 5, 2},
      {"bmp", gfx::kUTTypeBMP, 7, 3, 1},         {"ico", gfx::kUTTypeICO, 16, 16, 2},
      {"tiff", gfx::kUTTypeTIFF, 8, 8, 2},       {"jpeg2000", gfx::kUTTypeJPEG2000, 12, 10, 1},
      {"icns", gfx::kUTTypeAppleICNS, 16, 16, 1},
  };
  for (const auto& k : kinds) {
    auto out = fd::MutableData::create();
    auto dest = gfx::ImageDestination::createWithData(out, k.type, size_t(k.frames));
    for (int i = 0; i < k.frames; ++i) dest->addImage(sample(k.w, k.h, uint32_t(i * 40)));
    if (!dest->finalize()) {
      std::fprintf(stderr, "cannot encode %s\n", k.dir);
      return 1;
    }
    std::filesystem::path dir = std::filesystem::path(argv[1]) / k.dir;
    std::filesystem::create_directories(dir);
    std::ofstream((dir / "seed").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(out->bytes()), std::streamsize(out->length()));
  }
  return 0;
}
