#include "platform/graphics/PartialImages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/graphics/codecs/Codec.h"

namespace gfx {

namespace {

// A partial image's pixels and what they hold of the canvas.
struct Buffer {
  uint32_t* pixels = nullptr;
  size_t count = 0;      // words: the canvas's width times its height
  uint32_t rows = 0;     // rows copied from the canvas; the rest are clear
  uint32_t settled = 0;  // of those, rows that were settled when copied (the canvas still has them)
};

}  // namespace

struct PartialImages::Pool {
  std::mutex mutex;
  bool open = true;
  Buffer spare;  // the memory of the partial image let go last

  ~Pool() { std::free(spare.pixels); }

  // Keeps the buffer that holds more settled rows, for the next image.
  void giveBack(Buffer b) {
    {
      std::lock_guard lock(mutex);
      if (open && (!spare.pixels || spare.settled <= b.settled)) std::swap(spare, b);
    }
    std::free(b.pixels);
  }

  Buffer take(size_t count) {
    std::lock_guard lock(mutex);
    if (spare.count != count) return {};
    return std::exchange(spare, {});
  }

  void close() {
    Buffer b;
    {
      std::lock_guard lock(mutex);
      open = false;
      b = std::exchange(spare, {});
    }
    std::free(b.pixels);
  }
};

PartialImages::PartialImages() : pool_(std::make_shared<Pool>()) {}

PartialImages::~PartialImages() { pool_->close(); }

void PartialImages::reset() {
  pool_->close();
  pool_ = std::make_shared<Pool>();
}

Ref<BitmapImage> PartialImages::make(const codecs::Raster& canvas, uint32_t settled, bool opaque) {
  const size_t count = size_t(canvas.width) * canvas.height;
  Buffer b = pool_->take(count);
  if (!b.pixels) {
    // calloc: memory straight from the system comes clear without being written.
    b.pixels = static_cast<uint32_t*>(std::calloc(count, sizeof(uint32_t)));
    if (!b.pixels) return nullptr;
    b.count = count;
  }
  const size_t width = canvas.width;
  const uint32_t from = std::min(b.settled, canvas.rows);
  std::memcpy(b.pixels + from * width, canvas.pixels.data() + from * width,
              (canvas.rows - from) * width * sizeof(uint32_t));
  if (b.rows > canvas.rows)
    std::memset(b.pixels + canvas.rows * width, 0, (b.rows - canvas.rows) * width * sizeof(uint32_t));
  b.rows = canvas.rows;
  b.settled = std::min(settled, canvas.rows);

  PixelFormat f;
  f.width = canvas.width;
  f.height = canvas.height;
  f.bytesPerRow = width * 4;
  f.bitmapInfo = opaque ? BitmapInfoNativeOpaque : BitmapInfoNativePremultiplied;
  f.colorSpace = ColorSpace::deviceRGB();
  if (canvas.cmyk) {
    f.bitmapInfo = ImageAlphaNone;
    f.colorSpace = ColorSpace::deviceCMYK();
  }
  return BitmapImage::createWithBytesNoCopy(f, b.pixels, [pool = pool_, b](const void*) { pool->giveBack(b); });
}

}  // namespace gfx
