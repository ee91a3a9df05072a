#include "platform/graphics/codecs/PixelRows.h"

namespace gfx::codecs {

void rgbaToPremultipliedARGB(const uint8_t* p, uint32_t* out, size_t count) {
  for (size_t i = 0; i < count; ++i, p += 4) out[i] = packPremultiplied(p[0], p[1], p[2], p[3]);
}

void premultipliedARGBToRGBA(const uint32_t* in, uint8_t* out, size_t count, bool rgbOnly) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t v = in[i], a = v >> 24;
    uint32_t r = (v >> 16) & 0xff, g = (v >> 8) & 0xff, b = v & 0xff;
    if (a != 0 && a != 255) {
      r = (r * 255 + a / 2) / a;
      g = (g * 255 + a / 2) / a;
      b = (b * 255 + a / 2) / a;
      if (r > 255) r = 255;
      if (g > 255) g = 255;
      if (b > 255) b = 255;
    }
    *out++ = uint8_t(r);
    *out++ = uint8_t(g);
    *out++ = uint8_t(b);
    if (!rgbOnly) *out++ = uint8_t(a);
  }
}

bool allOpaque(const uint32_t* px, size_t count) {
  uint32_t acc = 0xffffffffu;
  for (size_t i = 0; i < count; ++i) acc &= px[i];
  return (acc >> 24) == 0xff;
}

}  // namespace gfx::codecs
