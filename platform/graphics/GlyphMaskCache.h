#pragma once
// Glyph outlines rasterised once into 8-bit coverage masks in device space, so that filling
// the same glyph again at the same size, angle and subpixel phase is one mask composite
// instead of a path fill. One shared instance for the process, bounded by bytes (least
// recently used masks go first); safe to use from any thread.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/graphics/Path.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gfx {

/// A rasterised glyph: coverage rows (A8) placed at (x, y) device pixels from the whole
/// pixel the glyph's origin falls in. The bytes never change once made, so a mask can be
/// drawn on one thread while the cache evicts it on another.
class GlyphMask {
 public:
  GlyphMask() = default;
  GlyphMask(std::shared_ptr<const std::vector<uint8_t>> bytes, int x, int y, int width, int height, int stride)
      : bytes_(std::move(bytes)), x_(x), y_(y), width_(width), height_(height), stride_(stride) {}
  explicit operator bool() const { return bytes_ != nullptr; }
  int x() const { return x_; }
  int y() const { return y_; }
  int width() const { return width_; }
  int height() const { return height_; }
  /// Row `y` of the coverage, `width()` bytes.
  const uint8_t* row(int y) const { return bytes_->data() + static_cast<size_t>(y) * static_cast<size_t>(stride_); }
  /// A new A8 surface over the mask's bytes, for one drawing; the caller destroys it while
  /// still holding this mask.
  cairo_surface_t* createSurface() const;

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
  int x_ = 0, y_ = 0, width_ = 0, height_ = 0, stride_ = 0;
};

class GlyphMaskCache {
 public:
  /// What a mask depends on besides the outline: the linear part of the outline-units to
  /// device-pixels transform, the origin's subpixel phase in quarters of a pixel, and the
  /// rasteriser's antialiasing mode and curve tolerance.
  struct Key {
    const Path* outline = nullptr;
    double xx = 1, yx = 0, xy = 0, yy = 1;
    uint8_t phaseX = 0, phaseY = 0;
    int antialias = 0;
    double tolerance = 0.1;
    bool operator==(const Key& o) const = default;
  };
  struct Stats {
    size_t hits = 0;
    size_t misses = 0;
    size_t evictions = 0;
  };
  static constexpr size_t kDefaultByteLimit = 4 * 1024 * 1024;

  static GlyphMaskCache& shared();
  explicit GlyphMaskCache(size_t byteLimit = kDefaultByteLimit);
  GlyphMaskCache(const GlyphMaskCache&) = delete;
  GlyphMaskCache& operator=(const GlyphMaskCache&) = delete;

  /// The mask of `outline` for `key` (whose outline must be `outline`), rasterised on a miss.
  /// Empty when no mask fits: a glyph too large to be worth keeping, a transform that is not
  /// invertible or finite. The outline is held while its mask is kept, so its identity
  /// stays a sound key.
  GlyphMask mask(const Ref<Path>& outline, const Key& key);

  size_t byteLimit() const;
  /// Evicts down to the new limit at once.
  void setByteLimit(size_t bytes);
  /// Bytes held by the kept masks, their bookkeeping included.
  size_t bytes() const;
  size_t count() const;
  Stats stats() const;
  void removeAll();

 private:
  struct KeyHash {
    size_t operator()(const Key& k) const;
  };
  struct Entry {
    Key key;
    Ref<Path> outline;  // keeps the key's outline alive
    GlyphMask mask;
    size_t bytes = 0;
  };
  void trimLocked();

  mutable std::mutex mutex_;
  size_t byteLimit_;
  size_t bytes_ = 0;
  Stats stats_;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

}  // namespace gfx
