#pragma once
// Row conversions between the codecs' byte layouts and premultiplied ARGB32 (native order).
#include <cstddef>
#include <cstdint>

namespace gfx::codecs {

/// Exact round(x * a / 255) for bytes.
inline uint32_t mulDiv255(uint32_t x, uint32_t a) {
  uint32_t t = x * a + 128;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t packPremultiplied(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if (a == 255) return 0xff000000u | (r << 16) | (g << 8) | b;
  return (a << 24) | (mulDiv255(r, a) << 16) | (mulDiv255(g, a) << 8) | mulDiv255(b, a);
}

void rgbaToPremultipliedARGB(const uint8_t* rgba, uint32_t* out, size_t count);
/// Straight RGBA bytes back out of premultiplied ARGB; `rgbOnly` drops alpha (3 bytes a pixel).
void premultipliedARGBToRGBA(const uint32_t* in, uint8_t* out, size_t count, bool rgbOnly);
bool allOpaque(const uint32_t* px, size_t count);

}  // namespace gfx::codecs
