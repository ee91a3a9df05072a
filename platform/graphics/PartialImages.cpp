#include "platform/graphics/PartialImages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include <sys/mman.h>

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

// Frames this large come straight from the system rather than the heap: clear without being
// written, in large pages where the system grants them (one fault per 2 MB rather than per
// 4 KB as the rows arrive: the faults, not the copies, were most of a partial image's cost),
// and given back whole, so that the heap keeps the memory the decoders' canvases reuse.
constexpr size_t kMappedBytes = size_t(1) << 21;

uint32_t* allocateClear(size_t count) {
  const size_t bytes = count * sizeof(uint32_t);
  if (bytes < kMappedBytes) return static_cast<uint32_t*>(std::calloc(count, sizeof(uint32_t)));
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  madvise(p, bytes, MADV_HUGEPAGE);  // a wish: small pages without it
  return static_cast<uint32_t*>(p);
}

void release(const Buffer& b) {
  if (!b.pixels) return;
  const size_t bytes = b.count * sizeof(uint32_t);
  if (bytes < kMappedBytes) std::free(b.pixels);
  else munmap(b.pixels, bytes);
}

}  // namespace

struct PartialImages::Pool {
  std::mutex mutex;
  bool open = true;
  Buffer spare;  // the memory of the partial image let go last

  ~Pool() { release(spare); }

  // Keeps the buffer that holds more settled rows, for the next image.
  void giveBack(Buffer b) {
    {
      std::lock_guard lock(mutex);
      if (open && (!spare.pixels || spare.settled <= b.settled)) std::swap(spare, b);
    }
    release(b);
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
    release(b);
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
    b.pixels = allocateClear(count);
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
