#pragma once
// Byte layouts of the bitmap formats this layer reads and writes, and row conversion to and
// from the native premultiplied ARGB32 words Cairo uses.
#include <cstddef>
#include <cstdint>

#include "platform/graphics/Bitmap.h"

namespace gfx {

struct PixelLayout {
  enum class Kind : uint8_t { RGB, Gray, AlphaOnly, CMYK };
  Kind kind = Kind::RGB;
  int bytesPerPixel = 4;
  // Byte offsets inside a pixel; -1 when absent. Gray uses `r` for its grey byte, CMYK uses
  // r, g, b for c, m, y and `k` for black.
  int r = -1, g = -1, b = -1, a = -1, k = -1;
  bool premultiplied = false;
};

/// The layout of a format, or false when it is not supported (not 8 bits per component, an
/// impossible alpha setting for the colour space, rows too short).
bool describeLayout(const PixelFormat& format, PixelLayout* out);

/// One row of `width` pixels from `layout` into native premultiplied words.
void rowToNative(const PixelLayout& layout, const uint8_t* src, uint32_t* dst, size_t width);
/// One row of native premultiplied words into `layout` (skipped alpha bytes become 0xFF).
void rowFromNative(const PixelLayout& layout, const uint32_t* src, uint8_t* dst, size_t width);

}  // namespace gfx
