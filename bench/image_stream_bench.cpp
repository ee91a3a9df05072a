// Large WebP, PNG and JPEG files decoded by an image source whole, and fed to an incremental
// source in 20 KB pieces (everything so far each time, as a download hands it over); the WebP
// and the PNG also with a partial image after every piece, and, as the measure of what a
// partial image may cost, with a plain copy of the rows decoded so far after every piece
// instead (into memory kept from piece to piece). The closing lines give pieces / whole and
// the partial images' own cost against the copies' in CPU time: decoding runs on the
// benchmark's thread, and the wall clock of a loaded machine says more about its other work.
//
// Building each piece's bytes is the caller's copy, not the source's work: it runs with the
// timer paused. The pictures are made here, once, and never written to disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageSource.h"

namespace {

constexpr size_t kPiece = 20 * 1024;

// A photo-like picture: smooth colour fields with noise, which keeps lossy files large.
Ref<gfx::BitmapImage> picture(uint32_t w, uint32_t h, int noiseBits) {
  std::vector<uint32_t> px(size_t(w) * h);
  uint32_t noise = 12345;
  const int mask = (1 << noiseBits) - 1;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      noise = noise * 1103515245u + 12345u;
      int n = int((noise >> 16) & uint32_t(mask)) - mask / 2;
      auto clamp = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
      uint32_t r = clamp(int(uint64_t(x) * 255 / w) + n), g = clamp(int(uint64_t(y) * 255 / h) + n),
               b = clamp(int(((x / 7 + y / 5) * 3) % 256) + n);
      px[size_t(y) * w + x] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
  gfx::PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = size_t(w) * 4;
  f.bitmapInfo = gfx::BitmapInfoNativeOpaque;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::BitmapImage::createCopying(f, px.data());
}

Ref<fd::Data> encode(const char* type, const Ref<gfx::BitmapImage>& image, double quality) {
  auto out = fd::MutableData::create();
  auto dest = gfx::ImageDestination::createWithData(out, type, 1);
  auto props = quality < 0 ? nullptr
                           : fd::Dictionary::withStrings({{gfx::kCGImageDestinationLossyCompressionQuality, fd::box(quality)}});
  dest->addImage(image, props);
  if (!dest->finalize()) std::abort();
  return fd::Data::create(out->vector());
}

struct Sample {
  const char* name;
  const char* type;
  uint32_t width, height;
  int noiseBits;
  double quality;
  bool partials;  // also fed with a partial image, or a copy of the rows, after every piece
};

// The WebP has the size of the file that showed the fault (11158 x 2156, about 3.5 MB).
const Sample kSamples[] = {
    {"WebP", gfx::kUTTypeWebP, 11158, 2156, 5, 0.75, true},
    {"PNG", gfx::kUTTypePNG, 3000, 2000, 3, -1, true},
    {"JPEG", gfx::kUTTypeJPEG, 11158, 2156, 5, 0.85, false},
};

const Ref<fd::Data>& fileFor(const Sample& s) {
  static std::map<std::string, Ref<fd::Data>> files;
  auto& f = files[s.name];
  if (!f) {
    f = encode(s.type, picture(s.width, s.height, s.noiseBits), s.quality);
    std::printf("%s %ux%u: %.2f MB, %zu pieces of 20 KB\n", s.name, s.width, s.height, f->length() / 1048576.0,
                (f->length() + kPiece - 1) / kPiece);
  }
  return f;
}

// The whole file's image, and the rows an incremental source has decoded after each piece
// (the opaque pictures' decoded rows are the ones with alpha), found once before timing.
struct Decoded {
  Ref<gfx::BitmapImage> whole;
  std::vector<size_t> rowsAfterPiece;
};

const Decoded& decodedFor(const Sample& s) {
  static std::map<std::string, Decoded> decoded;
  Decoded& d = decoded[s.name];
  if (d.whole) return d;
  const auto& file = fileFor(s);
  d.whole = gfx::ImageSource::createWithData(file)->createImageAtIndex(0);
  if (!d.whole) std::abort();
  auto source = gfx::ImageSource::createIncremental();
  for (size_t n = kPiece; n < file->length(); n += kPiece) {
    source->updateData(fd::Data::create(file->bytes(), n), false);
    auto image = source->createImageAtIndex(0);
    size_t rows = 0;
    if (image) {
      size_t clear = image->height();
      while (rows < clear) {
        size_t mid = (rows + clear) / 2;
        if (image->pixel(0, mid) >> 24) rows = mid + 1;
        else clear = mid;
      }
    }
    d.rowsAfterPiece.push_back(rows);
  }
  return d;
}

void BM_Whole(benchmark::State& state, const Sample* s) {
  const auto& file = fileFor(*s);
  for (auto _ : state) {
    auto image = gfx::ImageSource::createWithData(file)->createImageAtIndex(0);
    if (!image) state.SkipWithError("no image");
    benchmark::DoNotOptimize(image.get());
  }
}

void BM_Pieces(benchmark::State& state, const Sample* s, bool partials) {
  const auto& file = fileFor(*s);
  for (auto _ : state) {
    auto source = gfx::ImageSource::createIncremental();
    for (size_t n = kPiece; n < file->length(); n += kPiece) {
      state.PauseTiming();
      auto grown = fd::Data::create(file->bytes(), n);
      state.ResumeTiming();
      source->updateData(grown, false);
      if (partials) benchmark::DoNotOptimize(source->createImageAtIndex(0).get());
    }
    source->updateData(file, true);
    auto image = source->createImageAtIndex(0);
    if (!image) state.SkipWithError("no image");
    benchmark::DoNotOptimize(image.get());
  }
}

// What a partial image is measured against: the rows decoded so far copied once.
void BM_PiecesWithRowCopies(benchmark::State& state, const Sample* s) {
  const auto& file = fileFor(*s);
  const Decoded& decoded = decodedFor(*s);
  const size_t rowBytes = decoded.whole->bytesPerRow();
  std::vector<uint8_t> copy(decoded.whole->byteLength());
  for (auto _ : state) {
    auto source = gfx::ImageSource::createIncremental();
    size_t piece = 0;
    for (size_t n = kPiece; n < file->length(); n += kPiece) {
      state.PauseTiming();
      auto grown = fd::Data::create(file->bytes(), n);
      state.ResumeTiming();
      source->updateData(grown, false);
      std::memcpy(copy.data(), decoded.whole->bytes(), decoded.rowsAfterPiece[piece++] * rowBytes);
      benchmark::ClobberMemory();
    }
    source->updateData(file, true);
    auto image = source->createImageAtIndex(0);
    if (!image) state.SkipWithError("no image");
    benchmark::DoNotOptimize(image.get());
  }
}

void registerAll() {
  for (const Sample& s : kSamples) {
    auto name = std::string(s.name);
    benchmark::RegisterBenchmark(("BM_Whole/" + name).c_str(), BM_Whole, &s)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Pieces/" + name).c_str(), BM_Pieces, &s, false)->Unit(benchmark::kMillisecond);
    if (s.partials) {
      benchmark::RegisterBenchmark(("BM_PiecesWithPartials/" + name).c_str(), BM_Pieces, &s, true)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("BM_PiecesWithRowCopies/" + name).c_str(), BM_PiecesWithRowCopies, &s)
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerAll();
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Sample& s : kSamples) {
    auto name = std::string(s.name);
    double whole = reporter.secondsFor("BM_Whole/" + name);
    double pieces = reporter.secondsFor("BM_Pieces/" + name);
    double partials = reporter.secondsFor("BM_PiecesWithPartials/" + name);
    double copies = reporter.secondsFor("BM_PiecesWithRowCopies/" + name);
    if (whole > 0 && pieces > 0)
      std::printf("%s: whole %.0f ms, in 20 KB pieces %.0f ms (%.2fx)\n", s.name, whole * 1e3, pieces * 1e3,
                  pieces / whole);
    if (whole > 0 && partials > 0 && copies > 0) {
      std::printf("%s: with a partial image after every piece %.0f ms (%.2fx whole), with a copy of the decoded "
                  "rows instead %.0f ms (%.2fx whole)\n",
                  s.name, partials * 1e3, partials / whole, copies * 1e3, copies / whole);
      // Each run less the pieces alone: what the partial images and the copies cost by themselves.
      std::printf("%s: the partial images cost %.0f ms, %.2fx the copies of their rows (%.0f ms)\n", s.name,
                  (partials - pieces) * 1e3, (partials - pieces) / (copies - pieces), (copies - pieces) * 1e3);
    }
  }
  benchmark::Shutdown();
  return 0;
}
