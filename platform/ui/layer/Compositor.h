#pragma once
// Draws layer trees with Cairo: backing stores (contents) cached on the layers until they need
// display, transforms (3D projected to 2D), opacity, masks, clipping, rounded corners,
// borders and shadows. A compositor owns the frame image of one window.
#include <cairo.h>

#include <cstdint>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Context.h"
#include "platform/ui/layer/Layer.h"

namespace ui {

/// Draws `layer` and its sublayers into `context` in the layer's bounds coordinates (its own
/// position and transform are not applied; its look and opacity are).
void renderLayerTree(Layer& layer, gfx::Context& context);

class Compositor {
 public:
  /// A frame of `size` points at `scale` pixels per point.
  Compositor(gfx::Size size, double scale);

  /// Renders `root` (placed by its position and transform) when it changed since the last
  /// frame; answers whether it drew.
  bool render(Layer& root);
  /// Renders unconditionally.
  void renderAlways(Layer& root);
  /// Renders several roots back to front when any changed or the list differs from the last
  /// frame's; answers whether it drew.
  bool render(const std::vector<Ref<Layer>>& roots);

  gfx::Size size() const { return size_; }
  double scale() const { return scale_; }
  size_t pixelWidth() const;
  size_t pixelHeight() const;
  /// Non-premultiplied 0xAARRGGBB of the frame at pixel (x, y), row 0 at the top.
  uint32_t pixelAt(size_t x, size_t y) const;
  /// The frame's pixels (premultiplied native ARGB, rows top first).
  const uint8_t* pixels() const;
  size_t bytesPerRow() const;
  /// A copy of the frame.
  Ref<gfx::BitmapImage> image() const;
  /// `roots` drawn whole into a new picture the size of the frame, leaving what the frame
  /// recorded of them untouched: what the frame should hold after its next render.
  Ref<gfx::BitmapImage> redrawnWhole(const std::vector<Ref<Layer>>& roots) const;
  /// Writes the frame as a PNG file; false on failure.
  bool writePNG(const rt::String& path) const;
  /// The pixels the last frame drew (the damaged area's extents; the whole frame when it
  /// drew everything).
  gfx::Rect lastDrawnArea() const {
    return gfx::RectMake(lastDamage_.x, lastDamage_.y, lastDamage_.width, lastDamage_.height);
  }
  /// Frames actually drawn so far.
  uint64_t framesDrawn() const { return frames_; }
  /// The colour under everything (transparent when null).
  void setClearColor(Ref<gfx::Color> c) { clear_ = std::move(c); }

 private:
  gfx::Size size_;
  double scale_;
  Ref<gfx::Context> context_;
  Ref<gfx::Color> clear_;
  uint64_t frames_ = 0;
  std::vector<Layer*> lastRoots_;
  cairo_rectangle_int_t lastDamage_{0, 0, 0, 0};
};

}  // namespace ui
