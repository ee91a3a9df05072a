// Decoding the same JPEG, PNG, WebP and GIF files through image sources and through the codec
// libraries called directly, both ending in premultiplied native ARGB (GIF frames composed on
// the canvas). The direct decoders here are written the plain way a caller would.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <unistd.h>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageSource.h"

namespace {

using Pixels = std::vector<uint32_t>;

// A photo-like picture: smooth colour fields, some noise, a soft alpha edge.
Ref<gfx::BitmapImage> picture(uint32_t w, uint32_t h, bool alpha, uint32_t seed) {
  Pixels px(size_t(w) * h);
  uint32_t noise = 12345 + seed;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      noise = noise * 1103515245u + 12345u;
      int n = int((noise >> 16) & 15) - 8;
      auto clamp = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
      uint32_t r = clamp(int(x * 255 / w) + n), g = clamp(int(y * 255 / h) + n), b = clamp(int(((x + y + seed * 9) / 3) % 256) + n);
      uint32_t a = alpha ? std::min<uint32_t>(255, (x + y) * 255 / (w / 2 + 1)) : 255;
      auto m = [a](uint32_t c) { return (c * a + 127) / 255; };
      px[size_t(y) * w + x] = (a << 24) | (m(r) << 16) | (m(g) << 8) | m(b);
    }
  gfx::PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = size_t(w) * 4;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::BitmapImage::createCopying(f, px.data());
}

Ref<fd::Data> encode(const char* type, const std::vector<Ref<gfx::BitmapImage>>& images, double quality) {
  auto out = fd::MutableData::create();
  auto dest = gfx::ImageDestination::createWithData(out, type, images.size());
  auto props = quality < 0 ? nullptr
                           : fd::Dictionary::withStrings({{gfx::kCGImageDestinationLossyCompressionQuality, fd::box(quality)}});
  for (const auto& i : images) dest->addImage(i, props);
  if (!dest->finalize()) std::abort();
  return fd::Data::create(out->vector());
}

struct Samples {
  Ref<fd::Data> jpeg, png, webp, gif;
  Samples() {
    jpeg = encode(gfx::kUTTypeJPEG, {picture(1024, 768, false, 0)}, 0.9);
    png = encode(gfx::kUTTypePNG, {picture(1024, 768, true, 0)}, -1);
    webp = encode(gfx::kUTTypeWebP, {picture(1024, 768, true, 0)}, 0.8);
    std::vector<Ref<gfx::BitmapImage>> frames;
    for (uint32_t i = 0; i < 8; ++i) frames.push_back(picture(320, 240, i % 2 == 1, i));
    gif = encode(gfx::kUTTypeGIF, frames, -1);
  }
};

const Samples& samples() {
  static Samples s;
  return s;
}

// Through image sources: every frame, uncached.
std::vector<Ref<gfx::BitmapImage>> viaSource(const Ref<fd::Data>& data) {
  auto noCache = fd::Dictionary::withStrings({{gfx::kCGImageSourceShouldCache, fd::box(false)}});
  auto source = gfx::ImageSource::createWithData(data, noCache);
  std::vector<Ref<gfx::BitmapImage>> out;
  for (size_t i = 0; i < source->count(); ++i) out.push_back(source->createImageAtIndex(i, noCache));
  return out;
}

std::vector<Pixels> pixelsOf(const std::vector<Ref<gfx::BitmapImage>>& images) {
  std::vector<Pixels> out;
  for (const auto& image : images) {
    auto* p = reinterpret_cast<const uint32_t*>(image->bytes());
    out.emplace_back(p, p + image->width() * image->height());
  }
  return out;
}

size_t pixelCount(const std::vector<Pixels>& frames) {
  size_t n = 0;
  for (const auto& f : frames) n += f.size();
  return n;
}
size_t pixelCount(const std::vector<Ref<gfx::BitmapImage>>& frames) {
  size_t n = 0;
  for (const auto& f : frames) n += f->width() * f->height();
  return n;
}

inline uint32_t premul(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  auto m = [a](uint32_t c) { uint32_t t = c * a + 128; return (t + (t >> 8)) >> 8; };
  return (a << 24) | (m(r) << 16) | (m(g) << 8) | m(b);
}

std::vector<Pixels> directJpeg(const fd::Data& d) {
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, d.bytes(), d.length());
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&c);
  Pixels px(size_t(c.output_width) * c.output_height);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(px.data() + size_t(c.output_scanline) * c.output_width);
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return {std::move(px)};
}

struct PngReader {
  const fd::Data* d;
  size_t pos = 0;
};
void pngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (r->pos + n > r->d->length()) png_error(png, "short");
  std::memcpy(out, r->d->bytes() + r->pos, n);
  r->pos += n;
}

std::vector<Pixels> directPng(const fd::Data& d) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  PngReader reader{&d};
  png_set_read_fn(png, &reader, pngRead);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  std::vector<uint8_t> row(size_t(w) * 4);
  Pixels px(size_t(w) * h);
  for (uint32_t y = 0; y < h; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = row.data() + 4 * x;
      px[size_t(y) * w + x] = premul(p[0], p[1], p[2], p[3]);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return {std::move(px)};
}

std::vector<Pixels> directWebP(const fd::Data& d) {
  int w = 0, h = 0;
  WebPGetInfo(d.bytes(), d.length(), &w, &h);
  Pixels px(size_t(w) * h);
  WebPDecoderConfig config;
  WebPInitDecoderConfig(&config);
  config.output.colorspace = MODE_bgrA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(px.data());
  config.output.u.RGBA.stride = w * 4;
  config.output.u.RGBA.size = px.size() * 4;
  WebPDecode(d.bytes(), d.length(), &config);
  return {std::move(px)};
}

struct GifReader {
  const fd::Data* d;
  size_t pos = 0;
};
int gifRead(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<GifReader*>(gif->UserData);
  size_t take = std::min(size_t(n), r->d->length() - r->pos);
  std::memcpy(out, r->d->bytes() + r->pos, take);
  r->pos += take;
  return int(take);
}

std::vector<Pixels> directGif(const fd::Data& d) {
  GifReader reader{&d};
  int err = 0;
  GifFileType* gif = DGifOpen(&reader, gifRead, &err);
  DGifSlurp(gif);
  const uint32_t W = uint32_t(gif->SWidth), H = uint32_t(gif->SHeight);
  Pixels canvas(size_t(W) * H, 0), saved;
  std::vector<Pixels> frames;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& im = gif->SavedImages[i];
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    if (gcb.DisposalMode == DISPOSE_PREVIOUS) saved = canvas;
    const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : gif->SColorMap;
    uint32_t palette[256] = {};
    for (int c = 0; c < map->ColorCount; ++c)
      palette[c] = 0xff000000u | uint32_t(map->Colors[c].Red) << 16 | uint32_t(map->Colors[c].Green) << 8 | map->Colors[c].Blue;
    if (gcb.TransparentColor >= 0) palette[gcb.TransparentColor] = 0;
    const GifImageDesc& r = im.ImageDesc;
    for (int y = 0; y < r.Height; ++y)
      for (int x = 0; x < r.Width; ++x) {
        uint32_t c = palette[im.RasterBits[size_t(y) * r.Width + x]];
        if (c && uint32_t(r.Top + y) < H && uint32_t(r.Left + x) < W) canvas[size_t(r.Top + y) * W + r.Left + x] = c;
      }
    frames.push_back(canvas);
    if (gcb.DisposalMode == DISPOSE_BACKGROUND)
      for (int y = 0; y < r.Height; ++y)
        std::fill_n(canvas.begin() + long(size_t(r.Top + y) * W + r.Left), r.Width, 0u);
    else if (gcb.DisposalMode == DISPOSE_PREVIOUS)
      canvas = saved;
  }
  DGifCloseFile(gif, &err);
  return frames;
}

// Both sides must agree before anything is timed.
void checkSame(const char* what, const std::vector<Pixels>& a, const std::vector<Pixels>& b) {
  if (a != b) {
    std::fprintf(stderr, "%s: image source and direct decoding differ\n", what);
    std::abort();
  }
}

template <class F> void run(benchmark::State& state, const Ref<fd::Data>& data, F decode) {
  size_t pixels = 0;
  for (auto _ : state) {
    auto frames = decode(data);
    benchmark::DoNotOptimize(frames.data());
    pixels = pixelCount(frames);
  }
  state.SetItemsProcessed(int64_t(state.iterations() * pixels));
}

#define KD_IMAGE_BENCH(Name, field, direct)                                                                      \
  void BM_##Name##_ImageSource(benchmark::State& s) {                                                            \
    checkSame(#Name, pixelsOf(viaSource(samples().field)), direct(*samples().field));                                    \
    run(s, samples().field, [](const Ref<fd::Data>& d) { return viaSource(d); });                              \
  }                                                                                                              \
  void BM_##Name##_Direct(benchmark::State& s) {                                                                 \
    run(s, samples().field, [](const Ref<fd::Data>& d) { return direct(*d); });                                \
  }                                                                                                              \
  BENCHMARK(BM_##Name##_ImageSource)->Unit(benchmark::kMillisecond);                                            \
  BENCHMARK(BM_##Name##_Direct)->Unit(benchmark::kMillisecond);

KD_IMAGE_BENCH(JPEG, jpeg, directJpeg)
KD_IMAGE_BENCH(PNG, png, directPng)
KD_IMAGE_BENCH(WebP, webp, directWebP)
KD_IMAGE_BENCH(GIF, gif, directGif)

}  // namespace

// The GIF sample is quantised by a library that runs OpenMP threads; by default they spin for
// a while after each job and steal the processor from whatever benchmark runs next. The
// policy is read when that runtime loads, so the program restarts itself with it set.
int main(int argc, char** argv) {
  if (!std::getenv("OMP_WAIT_POLICY")) {
    setenv("OMP_WAIT_POLICY", "passive", 1);
    execv("/proc/self/exe", argv);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
