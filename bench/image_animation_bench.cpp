// Animated images: decoding every frame of 60-frame GIF, APNG and WebP files through the
// coder's decoder and through the codec libraries called directly (giflib, libpng fed chunk
// by chunk, libwebp's demuxing animation decoder), all ending in premultiplied native ARGB
// frames composed on the canvas; and the animated image view's work per display frame against
// a full-screen redraw.
#include <benchmark/benchmark.h>

#include <gif_lib.h>
#include <png.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/codec/DRImage.h"
#include "image/codec/DRImageDecoder.h"
#include "image/codec/DRImageEncoder.h"
#include "image/codec/DRPNGChunkTable.h"
#include "image/views/DRAnimatedImageView.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/View.h"

namespace {

using Pixels = std::vector<uint32_t>;
constexpr uint32_t kSide = 300;
constexpr int kFrames = 60;

// A moving picture: colour fields that drift from frame to frame, some noise, opaque.
Ref<gfx::BitmapImage> frameBitmap(uint32_t w, uint32_t h, int frame) {
  Pixels px(size_t(w) * h);
  uint32_t noise = 777u + uint32_t(frame);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      noise = noise * 1103515245u + 12345u;
      int n = int((noise >> 16) & 7) - 4;
      auto clamp = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
      uint32_t r = clamp(int((x + uint32_t(frame) * 5) % w * 255 / w) + n), g = clamp(int(y * 255 / h) + n),
               b = clamp(int((x + y + uint32_t(frame) * 7) / 3 % 256) + n);
      px[size_t(y) * w + x] = 0xff000000u | r << 16 | g << 8 | b;
    }
  gfx::PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = size_t(w) * 4;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::BitmapImage::createCopying(f, px.data());
}

Ref<fd::Data> animation(image::DRImageFileType type, double delay) {
  auto encoder = image::DRImageEncoder::create(type);
  encoder->lossless = type != image::DRImageFileTypeWebP;
  encoder->setQuality(0.8);
  for (int i = 0; i < kFrames; ++i) encoder->addImage(gfx::Image::imageWithCGImage(frameBitmap(kSide, kSide, i)), delay);
  auto data = encoder->encode();
  if (!data) std::abort();
  return fd::Data::create(data->vector());
}

struct Samples {
  Ref<fd::Data> gif = animation(image::DRImageFileTypeGIF, 0.02);
  Ref<fd::Data> apng = animation(image::DRImageFileTypePNG, 1.0 / 60);
  Ref<fd::Data> webp = animation(image::DRImageFileTypeWebP, 1.0 / 60);
};

const Samples& samples() {
  static Samples s;
  return s;
}

std::vector<Pixels> viaDecoder(const Ref<fd::Data>& data) {
  auto decoder = image::DRImageDecoder::decoderWithData(data, 1);
  std::vector<Pixels> out;
  for (uint64_t i = 0; i < decoder->frameCount(); ++i) {
    auto bitmap = decoder->frameAtIndex(i, true)->image->CGImage();
    Pixels px(bitmap->width() * bitmap->height());
    for (size_t y = 0; y < bitmap->height(); ++y)
      std::memcpy(px.data() + y * bitmap->width(), bitmap->bytes() + y * bitmap->bytesPerRow(), bitmap->width() * 4);
    out.push_back(std::move(px));
  }
  return out;
}

// The decoder hands out images; the direct decoders write plain pixel vectors. Timing the
// decoder alone keeps the copy above out of its figure.
size_t decodeOnly(const Ref<fd::Data>& data) {
  auto decoder = image::DRImageDecoder::decoderWithData(data, 1);
  size_t pixels = 0;
  for (uint64_t i = 0; i < decoder->frameCount(); ++i) {
    auto frame = decoder->frameAtIndex(i, true);
    pixels += frame->image->CGImage()->width() * frame->image->CGImage()->height();
  }
  return pixels;
}

inline uint32_t premul(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  auto m = [a](uint32_t c) { uint32_t t = c * a + 128; return (t + (t >> 8)) >> 8; };
  return (a << 24) | (m(r) << 16) | (m(g) << 8) | m(b);
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
      for (int y = 0; y < r.Height; ++y) std::fill_n(canvas.begin() + long(size_t(r.Top + y) * W + r.Left), r.Width, 0u);
    else if (gcb.DisposalMode == DISPOSE_PREVIOUS)
      canvas = saved;
  }
  DGifCloseFile(gif, &err);
  return frames;
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// libpng's push reader fed one frame at a time: the signature, a header of the frame's size,
// the shared chunks and the frame's data chunks (fdAT payloads handed over as IDAT).
struct ApngFrameRows {
  Pixels* canvas;
  uint32_t canvasW, x, y, w;
};

std::vector<Pixels> directApng(const fd::Data& d) {
  const uint8_t* b = d.bytes();
  struct ChunkRef {
    size_t at;
    uint32_t length, type;
  };
  std::vector<ChunkRef> chunks;
  for (size_t at = 8; at + 12 <= d.length();) {
    ChunkRef c{at, be32(b + at), be32(b + at + 4)};
    chunks.push_back(c);
    at += size_t(c.length) + 12;
    if (c.type == image::DRPNGChunkIEND) break;
  }
  const uint32_t W = be32(b + chunks[0].at + 8), H = be32(b + chunks[0].at + 12);
  Pixels canvas(size_t(W) * H, 0);
  std::vector<Pixels> frames;
  std::vector<uint8_t> header(b, b + 8 + 25);
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (chunks[i].type != image::DRPNGChunkfcTL) continue;
    const uint8_t* fc = b + chunks[i].at + 8;
    const uint32_t w = be32(fc + 4), h = be32(fc + 8), x = be32(fc + 12), y = be32(fc + 16);
    const uint8_t dispose = fc[24];
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ApngFrameRows rows{&canvas, W, x, y, w};
    png_set_progressive_read_fn(
        png, &rows,
        [](png_structp p, png_infop in) {
          png_set_expand(p);
          png_set_strip_16(p);
          png_set_gray_to_rgb(p);
          png_set_add_alpha(p, 0xff, PNG_FILLER_AFTER);
          png_read_update_info(p, in);
        },
        [](png_structp p, png_bytep row, png_uint_32 rowNumber, int) {
          if (!row) return;
          auto* r = static_cast<ApngFrameRows*>(png_get_progressive_ptr(p));
          uint32_t* out = r->canvas->data() + size_t(r->y + rowNumber) * r->canvasW + r->x;
          const size_t width = r->w;
          for (size_t k = 0; k < width; ++k) out[k] = premul(row[4 * k], row[4 * k + 1], row[4 * k + 2], row[4 * k + 3]);
        },
        nullptr);
    // The header with the frame's own size.
    uint8_t ihdr[25];
    std::memcpy(ihdr, b + chunks[0].at, 25);
    for (int k = 0; k < 4; ++k) ihdr[8 + k] = uint8_t(w >> (24 - 8 * k)), ihdr[12 + k] = uint8_t(h >> (24 - 8 * k));
    const uint32_t crc = image::DRPNGChunkCRC(image::DRPNGChunkIHDR, ihdr + 8, 13);
    for (int k = 0; k < 4; ++k) ihdr[21 + k] = uint8_t(crc >> (24 - 8 * k));
    png_process_data(png, info, const_cast<png_bytep>(b), 8);
    png_process_data(png, info, ihdr, 25);
    for (size_t j = i + 1; j < chunks.size() && (chunks[j].type == image::DRPNGChunkfdAT || chunks[j].type == image::DRPNGChunkIDAT); ++j) {
      const ChunkRef& c = chunks[j];
      if (c.type == image::DRPNGChunkIDAT) {
        png_process_data(png, info, const_cast<png_bytep>(b + c.at), c.length + 12);
        continue;
      }
      uint8_t head[8];
      const uint32_t n = c.length - 4;
      for (int k = 0; k < 4; ++k) head[k] = uint8_t(n >> (24 - 8 * k));
      std::memcpy(head + 4, "IDAT", 4);
      png_process_data(png, info, head, 8);
      png_process_data(png, info, const_cast<png_bytep>(b + c.at + 12), n);
      uint8_t crcBytes[4];
      const uint32_t fresh = image::DRPNGChunkCRC(image::DRPNGChunkIDAT, b + c.at + 12, n);
      for (int k = 0; k < 4; ++k) crcBytes[k] = uint8_t(fresh >> (24 - 8 * k));
      png_process_data(png, info, crcBytes, 4);
    }
    static const uint8_t iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    png_process_data(png, info, const_cast<png_bytep>(iend), 12);
    png_destroy_read_struct(&png, &info, nullptr);
    frames.push_back(canvas);
    if (dispose == 1)
      for (uint32_t r = 0; r < h; ++r) std::fill_n(canvas.begin() + long(size_t(y + r) * W + x), w, 0u);
  }
  return frames;
}

std::vector<Pixels> directWebP(const fd::Data& d) {
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_bgrA;
  options.use_threads = 0;
  WebPData data{d.bytes(), d.length()};
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(decoder, &info);
  std::vector<Pixels> frames;
  while (WebPAnimDecoderHasMoreFrames(decoder)) {
    uint8_t* buffer = nullptr;
    int timestamp = 0;
    WebPAnimDecoderGetNext(decoder, &buffer, &timestamp);
    const auto* px = reinterpret_cast<const uint32_t*>(buffer);
    frames.emplace_back(px, px + size_t(info.canvas_width) * info.canvas_height);
  }
  WebPAnimDecoderDelete(decoder);
  return frames;
}

// Both sides must agree before anything is timed (within one step of rounding per channel).
void checkSame(const char* what, const std::vector<Pixels>& a, const std::vector<Pixels>& b) {
  bool same = a.size() == b.size() && a.size() == size_t(kFrames);
  for (size_t i = 0; same && i < a.size(); ++i) {
    same = a[i].size() == b[i].size();
    for (size_t k = 0; same && k < a[i].size(); ++k)
      for (int s = 0; s < 32 && same; s += 8) same = std::abs(int((a[i][k] >> s) & 0xff) - int((b[i][k] >> s) & 0xff)) <= 1;
  }
  if (!same) {
    std::fprintf(stderr, "%s: the decoder and direct decoding differ\n", what);
    std::abort();
  }
}

template <class F> void run(benchmark::State& state, F decode) {
  size_t pixels = 0;
  for (auto _ : state) {
    pixels = decode();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations() * pixels));
}

size_t count(const std::vector<Pixels>& frames) {
  size_t n = 0;
  for (const auto& f : frames) n += f.size();
  return n;
}

#define KD_ANIMATION_BENCH(Name, field, direct)                                                       \
  void BM_##Name##_Decoder(benchmark::State& s) {                                                     \
    checkSame(#Name, viaDecoder(samples().field), direct(*samples().field));                          \
    run(s, [] { return decodeOnly(samples().field); });                                               \
  }                                                                                                   \
  void BM_##Name##_Direct(benchmark::State& s) { run(s, [] { return count(direct(*samples().field)); }); } \
  BENCHMARK(BM_##Name##_Decoder)->Unit(benchmark::kMillisecond);                                      \
  BENCHMARK(BM_##Name##_Direct)->Unit(benchmark::kMillisecond);

KD_ANIMATION_BENCH(GIF60, gif, directGif)
KD_ANIMATION_BENCH(APNG60, apng, directApng)
KD_ANIMATION_BENCH(WebP60, webp, directWebP)

// A phone screen (375x667 points at 2x) with a 150x150-point view playing the 300x300 APNG
// at 60 frames a second, every frame already decoded in the view's buffer.
struct Screen {
  Ref<ui::View> window = rt::make<ui::View>(gfx::RectMake(0, 0, 375, 667));
  Ref<image::DRAnimatedImageView> view;
  double now = 0;
  Screen() {
    window->setBackgroundColor(gfx::Color::whiteColor());
    for (int i = 0; i < 12; ++i) {
      auto tile = rt::make<ui::View>(gfx::RectMake(10 + (i % 3) * 120, 200 + (i / 3) * 110, 110, 100));
      tile->setBackgroundColor(gfx::Color::colorWithRed(0.2 + 0.05 * i, 0.4, 0.7, 1));
      window->addSubview(tile);
    }
    auto image = image::DRImage::imageWithData(samples().apng, 2);
    image->setPreloadAllAnimatedImageFrames(true);
    view = rt::make<image::DRAnimatedImageView>(image);
    view->setFrame(gfx::RectMake(20, 20, 150, 150));
    window->addSubview(view);
    view->startAnimating();  // no window here, so no auto-play
    // Warm up until the buffer holds every frame.
    for (int i = 0; i < 400; ++i) frame();
  }
  void frame() {
    now += 1.0 / 60;
    view->displayLink()->tick(now, 1.0 / 60);
    view->waitForFetches();
  }
};

void markAll(ui::Layer& layer) {
  layer.setNeedsDisplay();
  for (const auto& sub : layer.sublayers()) markAll(*sub);
}

void BM_AnimatedViewFrame(benchmark::State& state) {
  Screen s;
  ui::Compositor compositor({375, 667}, 2);
  compositor.render(*s.window->layer());
  uint64_t last = s.view->currentAnimatedImageIndex(), changes = 0;
  for (auto _ : state) {
    s.now += 1.0 / 60;
    s.view->displayLink()->tick(s.now, 1.0 / 60);
    compositor.render(*s.window->layer());
    benchmark::DoNotOptimize(compositor.pixels());
    if (s.view->currentAnimatedImageIndex() != last) ++changes, last = s.view->currentAnimatedImageIndex();
  }
  state.counters["frames_changed"] = benchmark::Counter(double(changes) / double(state.iterations()));
  ui::Transaction::flush();
}
BENCHMARK(BM_AnimatedViewFrame)->Unit(benchmark::kMicrosecond);

void BM_FullScreenRedraw(benchmark::State& state) {
  Screen s;
  ui::Compositor compositor({375, 667}, 2);
  for (auto _ : state) {
    markAll(*s.window->layer());
    compositor.renderAlways(*s.window->layer());
    benchmark::DoNotOptimize(compositor.pixels());
  }
  ui::Transaction::flush();
}
BENCHMARK(BM_FullScreenRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
