#include "platform/graphics/GlyphMaskCache.h"

#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>

namespace gfx {

namespace {

// What an entry costs beyond its rows: the entry, its index slot and the shared buffer.
constexpr size_t kEntryOverhead = 160;

// Rasterises the outline as the context's path fill would, translated so that the glyph's
// ink lands inside the mask; empty when the mask would be too large to keep.
GlyphMask rasterise(const Path& outline, const GlyphMaskCache::Key& key, size_t maxBytes) {
  cairo_matrix_t m = {key.xx, key.yx, key.xy, key.yy, key.phaseX / 4.0, key.phaseY / 4.0};
  for (double v : {m.xx, m.yx, m.xy, m.yy})
    if (!std::isfinite(v)) return {};
  if (cairo_matrix_t inverse = m; cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS) return {};
  // Control points bound the curves; a pixel of margin takes the antialiased edge.
  const Rect box = outline.boundingBox();
  if (RectIsNull(box)) return {};
  double x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
  for (double px : {RectGetMinX(box), RectGetMaxX(box)}) {
    for (double py : {RectGetMinY(box), RectGetMaxY(box)}) {
      double dx = px, dy = py;
      cairo_matrix_transform_point(&m, &dx, &dy);
      x1 = std::min(x1, dx), x2 = std::max(x2, dx), y1 = std::min(y1, dy), y2 = std::max(y2, dy);
    }
  }
  if (!(x2 - x1 < 4096 && y2 - y1 < 4096)) return {};  // also false for NaN
  const int left = static_cast<int>(std::floor(x1)) - 1, top = static_cast<int>(std::floor(y1)) - 1;
  const int width = static_cast<int>(std::ceil(x2)) + 1 - left, height = static_cast<int>(std::ceil(y2)) + 1 - top;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width);
  if (stride <= 0 || static_cast<size_t>(stride) * static_cast<size_t>(height) > maxBytes) return {};
  auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(bytes->data(), CAIRO_FORMAT_A8, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  m.x0 -= left;
  m.y0 -= top;
  cairo_set_matrix(cr, &m);
  cairo_set_antialias(cr, static_cast<cairo_antialias_t>(key.antialias));
  cairo_set_tolerance(cr, key.tolerance);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  outline.appendToCairo(cr);
  cairo_fill(cr);
  const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  if (!ok) return {};
  return GlyphMask(std::move(bytes), left, top, width, height, stride);
}

}  // namespace

cairo_surface_t* GlyphMask::createSurface() const {
  // Cairo never writes to a surface it only reads from as a mask.
  auto* data = const_cast<uint8_t*>(bytes_->data());
  return cairo_image_surface_create_for_data(data, CAIRO_FORMAT_A8, width_, height_, stride_);
}

size_t GlyphMaskCache::KeyHash::operator()(const Key& k) const {
  size_t h = std::hash<const void*>()(k.outline);
  auto mix = [&h](uint64_t v) { h ^= std::hash<uint64_t>()(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
  for (double v : {k.xx, k.yx, k.xy, k.yy, k.tolerance}) mix(std::bit_cast<uint64_t>(v));
  mix(uint64_t(k.phaseX) | uint64_t(k.phaseY) << 8 | uint64_t(static_cast<uint32_t>(k.antialias)) << 16);
  return h;
}

GlyphMaskCache& GlyphMaskCache::shared() {
  static GlyphMaskCache cache;
  return cache;
}

GlyphMaskCache::GlyphMaskCache(size_t byteLimit) : byteLimit_(byteLimit) {}

GlyphMask GlyphMaskCache::mask(const Ref<Path>& outline, const Key& key) {
  if (!outline || key.outline != outline.get()) return {};
  size_t maxBytes = 0;
  {
    std::lock_guard lock(mutex_);
    if (auto it = index_.find(key); it != index_.end()) {
      entries_.splice(entries_.begin(), entries_, it->second);
      ++stats_.hits;
      return it->second->mask;
    }
    ++stats_.misses;
    // A mask that would crowd out many others is not worth keeping: the caller fills the
    // outline directly.
    maxBytes = byteLimit_ / 16;
  }
  // Rasterised unlocked: other threads' glyphs need not wait for this one.
  GlyphMask made = rasterise(*outline, key, maxBytes);
  if (!made) return {};
  std::lock_guard lock(mutex_);
  if (auto it = index_.find(key); it != index_.end()) return it->second->mask;  // another thread won
  Entry e{key, outline, made, static_cast<size_t>(made.height()) *
                                  static_cast<size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_A8, made.width())) +
                                  kEntryOverhead};
  bytes_ += e.bytes;
  entries_.push_front(std::move(e));
  index_.emplace(key, entries_.begin());
  trimLocked();
  return made;
}

void GlyphMaskCache::trimLocked() {
  while (bytes_ > byteLimit_ && !entries_.empty()) {
    const Entry& last = entries_.back();
    bytes_ -= last.bytes;
    index_.erase(last.key);
    entries_.pop_back();
    ++stats_.evictions;
  }
}

size_t GlyphMaskCache::byteLimit() const {
  std::lock_guard lock(mutex_);
  return byteLimit_;
}

void GlyphMaskCache::setByteLimit(size_t bytes) {
  std::lock_guard lock(mutex_);
  byteLimit_ = bytes;
  trimLocked();
}

size_t GlyphMaskCache::bytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

size_t GlyphMaskCache::count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

GlyphMaskCache::Stats GlyphMaskCache::stats() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

void GlyphMaskCache::removeAll() {
  std::lock_guard lock(mutex_);
  index_.clear();
  entries_.clear();
  bytes_ = 0;
}

}  // namespace gfx
