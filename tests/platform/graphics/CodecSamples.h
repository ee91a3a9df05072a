#pragma once
// Sample images for the codec tests: pixel patterns, encoding through destinations, decoding
// through sources, temporary folders and the image libraries' command-line tools.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageSource.h"

namespace codec_samples {

/// Straight (not premultiplied) colour of the sample pattern at (x, y): a gradient in red and
/// green, blue bands, and a transparent-to-opaque ramp when `alpha`.
inline uint32_t patternRGBA(uint32_t x, uint32_t y, uint32_t w, uint32_t h, bool alpha) {
  uint32_t r = w > 1 ? x * 255 / (w - 1) : 0, g = h > 1 ? y * 255 / (h - 1) : 0, b = ((x / 4 + y / 4) & 1) ? 200 : 40;
  uint32_t a = alpha ? (x * 255 / (w > 1 ? w - 1 : 1)) : 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

inline uint32_t premultiply(uint32_t argb) {
  uint32_t a = argb >> 24;
  auto m = [a](uint32_t c) { uint32_t t = c * a + 128; return (t + (t >> 8)) >> 8; };
  return (a << 24) | (m((argb >> 16) & 0xff) << 16) | (m((argb >> 8) & 0xff) << 8) | m(argb & 0xff);
}

inline Ref<gfx::BitmapImage> bitmapFromPixels(const std::vector<uint32_t>& px, uint32_t w, uint32_t h) {
  gfx::PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = size_t(w) * 4;
  f.bitmapInfo = gfx::BitmapInfoNativePremultiplied;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::BitmapImage::createCopying(f, px.data());
}

/// Premultiplied native pixels of the pattern.
inline std::vector<uint32_t> patternPixels(uint32_t w, uint32_t h, bool alpha) {
  std::vector<uint32_t> px(size_t(w) * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) px[size_t(y) * w + x] = premultiply(patternRGBA(x, y, w, h, alpha));
  return px;
}

inline Ref<gfx::BitmapImage> patternBitmap(uint32_t w, uint32_t h, bool alpha) {
  return bitmapFromPixels(patternPixels(w, h, alpha), w, h);
}

/// A flat colour, premultiplied native.
inline Ref<gfx::BitmapImage> solidBitmap(uint32_t w, uint32_t h, uint32_t argb) {
  return bitmapFromPixels(std::vector<uint32_t>(size_t(w) * h, premultiply(argb)), w, h);
}

inline Ref<fd::Dictionary> props(std::vector<std::pair<rt::String, rt::Id>> entries) {
  return fd::Dictionary::withStrings(std::move(entries));
}

inline Ref<fd::Dictionary> gifFrameProps(double delay) {
  return props({{gfx::kCGImagePropertyGIFDictionary, props({{gfx::kCGImagePropertyGIFDelayTime, fd::box(delay)}})}});
}

/// Encodes images through a destination; null when it refuses.
inline Ref<fd::Data> encode(const char* type, const std::vector<Ref<gfx::BitmapImage>>& images,
                            const Ref<fd::Dictionary>& imageProps = nullptr,
                            const Ref<fd::Dictionary>& destProps = nullptr) {
  auto out = fd::MutableData::create();
  auto dest = gfx::ImageDestination::createWithData(out, type, images.size());
  if (!dest) return nullptr;
  if (destProps) dest->setProperties(destProps);
  for (const auto& i : images) dest->addImage(i, imageProps);
  if (!dest->finalize()) return nullptr;
  return fd::Data::create(out->vector());
}

inline Ref<fd::Data> prefix(const Ref<fd::Data>& d, size_t n) {
  return fd::Data::create(d->bytes(), std::min(n, d->length()));
}

/// Whether two bitmaps have the same size and the same bytes.
inline bool samePixels(const gfx::BitmapImage& a, const gfx::BitmapImage& b) {
  return a.width() == b.width() && a.height() == b.height() && a.bytesPerRow() == b.bytesPerRow() &&
         std::memcmp(a.bytes(), b.bytes(), a.byteLength()) == 0;
}

/// Feeds `data` to an incremental source `piece` bytes at a time and, after each update,
/// makes two partial images: one while no other is held, then one while that one is. They
/// must be alike however the source finds memory for them (a partial image let go may lend
/// its memory to the next). Answers the updates that gave images.
inline size_t expectPartialImagesAlike(const Ref<fd::Data>& data, size_t piece) {
  auto source = gfx::ImageSource::createIncremental();
  size_t updates = 0;
  for (size_t n = piece; n < data->length(); n += piece) {
    source->updateData(prefix(data, n), false);
    auto first = source->createImageAtIndex(0);
    if (!first) continue;
    auto second = source->createImageAtIndex(0);
    EXPECT_TRUE(second && samePixels(*first, *second)) << "after " << n << " bytes";
    ++updates;
  }
  return updates;
}

inline int channelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int s = 0; s < 32; s += 8) worst = std::max(worst, std::abs(int((a >> s) & 0xff) - int((b >> s) & 0xff)));
  return worst;
}

/// Largest per-channel difference between a bitmap and expected premultiplied pixels.
inline int maxDifference(const gfx::BitmapImage& image, const std::vector<uint32_t>& expected, uint32_t w) {
  int worst = 0;
  for (size_t y = 0; y < image.height(); ++y)
    for (size_t x = 0; x < image.width(); ++x)
      worst = std::max(worst, channelDistance(image.pixel(x, y), expected[y * w + x]));
  return worst;
}

/// Average per-channel difference.
inline double meanDifference(const gfx::BitmapImage& image, const std::vector<uint32_t>& expected, uint32_t w) {
  double sum = 0;
  for (size_t y = 0; y < image.height(); ++y)
    for (size_t x = 0; x < image.width(); ++x) {
      uint32_t a = image.pixel(x, y), b = expected[y * w + x];
      for (int s = 0; s < 32; s += 8) sum += std::abs(int((a >> s) & 0xff) - int((b >> s) & 0xff));
    }
  return sum / (4.0 * double(image.width() * image.height()));
}

/// A fresh temporary folder, removed with the object.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kd-codec-XXXXXX").string();
    path = mkdtemp(tmpl.data());
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string file(const std::string& name) const { return (path / name).string(); }
};

inline void writeFile(const std::string& path, const fd::Data& d) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(d.bytes()), std::streamsize(d.length()));
}

inline Ref<fd::Data> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return fd::Data::create(std::move(bytes));
}

/// True when `tool` is on the PATH.
inline bool haveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace codec_samples
