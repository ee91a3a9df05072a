#include "platform/graphics/PixelLayout.h"

namespace gfx {

namespace {

inline uint8_t premul(uint32_t c, uint32_t a) {
  uint32_t t = c * a + 128;
  return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}
inline uint8_t unpremul(uint32_t c, uint32_t a) {
  if (a == 0) return 0;
  uint32_t v = (c * 255 + a / 2) / a;
  return static_cast<uint8_t>(v > 255 ? 255 : v);
}

// Memory order of the four bytes for "first"/"last" alpha, big (default) or little words.
void rgbOffsets(bool alphaFirst, bool little, PixelLayout* l) {
  int order[4];  // a r g b positions in big-endian word order
  if (alphaFirst) order[0] = 0, order[1] = 1, order[2] = 2, order[3] = 3;
  else order[1] = 0, order[2] = 1, order[3] = 2, order[0] = 3;
  for (int& o : order)
    if (little) o = 3 - o;
  l->a = order[0], l->r = order[1], l->g = order[2], l->b = order[3];
}

}  // namespace

bool describeLayout(const PixelFormat& f, PixelLayout* out) {
  if (f.bitsPerComponent != 8 || f.width == 0 || f.height == 0) return false;
  if (f.bitmapInfo & BitmapFloatComponents) return false;
  uint32_t alpha = f.alphaInfo(), order = f.byteOrder();
  PixelLayout l;
  l.bytesPerPixel = static_cast<int>(f.bitsPerPixel / 8);
  if (f.bitsPerPixel % 8 || f.bytesPerRow < f.width * l.bytesPerPixel) return false;
  l.premultiplied = alpha == ImageAlphaPremultipliedFirst || alpha == ImageAlphaPremultipliedLast;
  bool hasAlpha = alpha >= 1 && alpha <= 4;
  bool first = alpha == ImageAlphaPremultipliedFirst || alpha == ImageAlphaFirst || alpha == ImageAlphaNoneSkipFirst;
  ColorSpaceModel model = f.colorSpace ? f.colorSpace->model() : ColorSpaceModel::Unknown;
  if (alpha == ImageAlphaOnly) {
    if (f.bitsPerPixel != 8) return false;
    l.kind = PixelLayout::Kind::AlphaOnly;
    l.a = 0;
  } else if (model == ColorSpaceModel::RGB) {
    l.kind = PixelLayout::Kind::RGB;
    if (f.bitsPerPixel == 32) {
      if (alpha == ImageAlphaNone) return false;
      if (order != BitmapByteOrderDefault && order != BitmapByteOrder32Big && order != BitmapByteOrder32Little)
        return false;
      rgbOffsets(first, order == BitmapByteOrder32Little, &l);
      if (!hasAlpha) l.a = -1;
    } else if (f.bitsPerPixel == 24) {
      if (alpha != ImageAlphaNone) return false;
      l.r = 0, l.g = 1, l.b = 2;
    } else {
      return false;
    }
  } else if (model == ColorSpaceModel::Monochrome) {
    l.kind = PixelLayout::Kind::Gray;
    if (f.bitsPerPixel == 8) {
      if (alpha != ImageAlphaNone) return false;
      l.r = 0;
    } else if (f.bitsPerPixel == 16) {
      bool little = order == BitmapByteOrder16Little;
      int ga = first ? 1 : 0;  // grey position in big-endian order
      if (little) ga = 1 - ga;
      l.r = ga;
      if (hasAlpha) l.a = 1 - ga;
    } else {
      return false;
    }
  } else if (model == ColorSpaceModel::CMYK) {
    if (f.bitsPerPixel != 32 || alpha != ImageAlphaNone) return false;
    l.kind = PixelLayout::Kind::CMYK;
    l.r = 0, l.g = 1, l.b = 2, l.k = 3;
  } else {
    return false;
  }
  if (out) *out = l;
  return true;
}

void rowToNative(const PixelLayout& l, const uint8_t* src, uint32_t* dst, size_t width) {
  for (size_t x = 0; x < width; ++x, src += l.bytesPerPixel) {
    uint32_t a = l.a >= 0 ? src[l.a] : 255, r = 0, g = 0, b = 0;
    switch (l.kind) {
      case PixelLayout::Kind::RGB: r = src[l.r], g = src[l.g], b = src[l.b]; break;
      case PixelLayout::Kind::Gray: r = g = b = src[l.r]; break;
      case PixelLayout::Kind::AlphaOnly: break;
      case PixelLayout::Kind::CMYK: {
        uint32_t k = 255 - src[l.k];
        r = (255 - src[l.r]) * k / 255, g = (255 - src[l.g]) * k / 255, b = (255 - src[l.b]) * k / 255;
        break;
      }
    }
    if (!l.premultiplied && a != 255) r = premul(r, a), g = premul(g, a), b = premul(b, a);
    if (l.premultiplied) r = r > a ? a : r, g = g > a ? a : g, b = b > a ? a : b;
    dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
  }
}

void rowFromNative(const PixelLayout& l, const uint32_t* src, uint8_t* dst, size_t width) {
  for (size_t x = 0; x < width; ++x, dst += l.bytesPerPixel) {
    uint32_t p = src[x];
    uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (!l.premultiplied && a != 255) r = unpremul(r, a), g = unpremul(g, a), b = unpremul(b, a);
    switch (l.kind) {
      case PixelLayout::Kind::RGB:
        dst[l.r] = static_cast<uint8_t>(r), dst[l.g] = static_cast<uint8_t>(g), dst[l.b] = static_cast<uint8_t>(b);
        break;
      case PixelLayout::Kind::Gray: dst[l.r] = static_cast<uint8_t>((r * 77 + g * 150 + b * 29 + 128) >> 8); break;
      case PixelLayout::Kind::AlphaOnly: break;
      case PixelLayout::Kind::CMYK: {
        uint32_t mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
        dst[l.k] = static_cast<uint8_t>(255 - mx);
        dst[l.r] = static_cast<uint8_t>(mx ? (mx - r) * 255 / mx : 0);
        dst[l.g] = static_cast<uint8_t>(mx ? (mx - g) * 255 / mx : 0);
        dst[l.b] = static_cast<uint8_t>(mx ? (mx - b) * 255 / mx : 0);
        break;
      }
    }
    if (l.a >= 0) dst[l.a] = static_cast<uint8_t>(a);
    else if (l.kind == PixelLayout::Kind::RGB && l.bytesPerPixel == 4) dst[6 - l.r - l.g - l.b] = 0xFF;
  }
}

}  // namespace gfx
