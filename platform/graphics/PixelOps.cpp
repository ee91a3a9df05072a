#include "platform/graphics/PixelOps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/graphics/PixelLayout.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(vImageConverter) {}

namespace {

inline uint8_t div255(uint32_t v) {
  uint32_t t = v + 128;
  return uint8_t((t + (t >> 8)) >> 8);
}

bool valid(const vImage_Buffer* b) { return b && b->data && b->width && b->height && b->rowBytes >= b->width * 4; }

vImage_Error checkPair(const vImage_Buffer* src, const vImage_Buffer* dest) {
  if (!src || !dest || !src->data || !dest->data) return kvImageNullPointerArgument;
  if (!valid(src) || !valid(dest)) return kvImageInvalidParameter;
  if (dest->width > src->width || dest->height > src->height) return kvImageRoiLargerThanInputBuffer;
  return kvImageNoError;
}

uint8_t* rowOf(const vImage_Buffer* b, size_t y) { return static_cast<uint8_t*>(b->data) + y * b->rowBytes; }

// Applies `fn(srcPixel, destPixel)` to every pixel; rows may alias (in place).
template <class F> vImage_Error eachPixel(const vImage_Buffer* src, const vImage_Buffer* dest, F fn) {
  if (vImage_Error e = checkPair(src, dest)) return e;
  for (size_t y = 0; y < dest->height; ++y) {
    const uint8_t* s = rowOf(src, y);
    uint8_t* d = rowOf(dest, y);
    for (size_t x = 0; x < dest->width; ++x) fn(s + 4 * x, d + 4 * x);
  }
  return kvImageNoError;
}

template <int A> vImage_Error premultiply(const vImage_Buffer* src, const vImage_Buffer* dest) {
  return eachPixel(src, dest, [](const uint8_t* s, uint8_t* d) {
    uint32_t a = s[A];
    for (int i = 0; i < 4; ++i) d[i] = i == A ? s[i] : div255(s[i] * a);
  });
}

template <int A> vImage_Error unpremultiply(const vImage_Buffer* src, const vImage_Buffer* dest) {
  return eachPixel(src, dest, [](const uint8_t* s, uint8_t* d) {
    uint32_t a = s[A];
    for (int i = 0; i < 4; ++i) {
      if (i == A) d[i] = s[i];
      else d[i] = a == 0 ? 0 : uint8_t(std::min<uint32_t>(255, (s[i] * 255 + a / 2) / a));
    }
  });
}

PixelFormat asPixelFormat(const vImage_CGImageFormat& f, size_t width, size_t rowBytes) {
  PixelFormat p;
  p.width = width;
  p.height = 1;
  p.bitsPerComponent = f.bitsPerComponent;
  p.bitsPerPixel = f.bitsPerPixel;
  p.bytesPerRow = rowBytes;
  p.bitmapInfo = f.bitmapInfo;
  p.colorSpace = f.colorSpace ? f.colorSpace : ColorSpace::deviceRGB();
  return p;
}

bool layoutOf(const vImage_CGImageFormat& f, size_t width, PixelLayout* out) {
  return describeLayout(asPixelFormat(f, width, width * (f.bitsPerPixel / 8)), out);
}

}  // namespace

vImage_Error vImageBuffer_Init(vImage_Buffer* buffer, size_t height, size_t width, uint32_t bitsPerPixel,
                               vImage_Flags flags) {
  if (!buffer) return kvImageNullPointerArgument;
  if (width == 0 || height == 0 || bitsPerPixel == 0) return kvImageInvalidParameter;
  buffer->width = width;
  buffer->height = height;
  buffer->rowBytes = ((width * bitsPerPixel + 7) / 8 + 31) / 32 * 32;
  if (!(flags & kvImageNoAllocate)) {
    buffer->data = std::malloc(buffer->rowBytes * height);
    if (!buffer->data) return kvImageMemoryAllocationError;
  }
  return 32;
}

vImage_Error vImageBuffer_InitWithCGImage(vImage_Buffer* buffer, vImage_CGImageFormat* format,
                                          const double* backgroundColor, const BitmapImage* image, vImage_Flags flags) {
  if (!buffer || !format || !image) return kvImageNullPointerArgument;
  PixelLayout layout;
  if (!layoutOf(*format, image->width(), &layout)) return kvImageInvalidImageFormat;
  vImage_Error e = vImageBuffer_Init(buffer, image->height(), image->width(), format->bitsPerPixel, flags);
  if (e < 0) return e;
  std::vector<uint32_t> native(image->width());
  for (size_t y = 0; y < image->height(); ++y) {
    for (size_t x = 0; x < image->width(); ++x) {
      uint32_t v = image->pixel(x, y);
      if (backgroundColor && (v >> 24) != 255 && !layout.premultiplied && layout.a < 0) {
        // Opaque destinations get the image over the background colour.
        uint32_t inv = 255 - (v >> 24), out = 0xff000000u;
        for (int c = 0; c < 3; ++c) {
          uint32_t bg = uint32_t(std::clamp(backgroundColor[c], 0.0, 1.0) * 255 + 0.5);
          out |= uint32_t(std::min<uint32_t>(255, ((v >> (16 - 8 * c)) & 0xff) + div255(bg * inv))) << (16 - 8 * c);
        }
        v = out;
      }
      native[x] = v;
    }
    rowFromNative(layout, native.data(), rowOf(buffer, y), image->width());
  }
  return kvImageNoError;
}

Ref<BitmapImage> vImageCreateCGImageFromBuffer(const vImage_Buffer* buffer, const vImage_CGImageFormat* format,
                                               std::function<void(void*, void*)> release, void* userData,
                                               vImage_Flags, vImage_Error* error) {
  auto fail = [error](vImage_Error e) -> Ref<BitmapImage> {
    if (error) *error = e;
    return nullptr;
  };
  if (!buffer || !buffer->data || !format) return fail(kvImageNullPointerArgument);
  PixelFormat pf = asPixelFormat(*format, buffer->width, buffer->rowBytes);
  pf.height = buffer->height;
  auto image = BitmapImage::createWithBytesNoCopy(pf, buffer->data, [release, userData](const void* bytes) {
    if (release) release(userData, const_cast<void*>(bytes));
  });
  if (!image) return fail(kvImageInvalidImageFormat);
  if (error) *error = kvImageNoError;
  return image;
}

Ref<vImageConverter> vImageConverterCreateWithCGImageFormat(const vImage_CGImageFormat* source,
                                                            const vImage_CGImageFormat* destination, const double*,
                                                            vImage_Flags, vImage_Error* error) {
  PixelLayout a, b;
  vImage_Error e = kvImageNoError;
  if (!source || !destination) e = kvImageNullPointerArgument;
  else if (!layoutOf(*source, 1, &a) || !layoutOf(*destination, 1, &b)) e = kvImageInvalidImageFormat;
  if (error) *error = e;
  if (e) return nullptr;
  auto c = rt::make<vImageConverter>();
  c->source = *source;
  c->destination = *destination;
  return c;
}

vImage_Error vImageConvert_AnyToAny(const vImageConverter* converter, const vImage_Buffer* sources,
                                    const vImage_Buffer* destinations, void*, vImage_Flags) {
  if (!converter || !sources || !destinations || !sources->data || !destinations->data) return kvImageNullPointerArgument;
  const vImage_Buffer& s = *sources;
  const vImage_Buffer& d = *destinations;
  if (d.width > s.width || d.height > s.height) return kvImageRoiLargerThanInputBuffer;
  PixelLayout from, to;
  if (!layoutOf(converter->source, s.width, &from) || !layoutOf(converter->destination, d.width, &to))
    return kvImageInvalidImageFormat;
  if (s.rowBytes < s.width * size_t(from.bytesPerPixel) || d.rowBytes < d.width * size_t(to.bytesPerPixel))
    return kvImageInvalidParameter;
  std::vector<uint32_t> native(d.width);
  for (size_t y = 0; y < d.height; ++y) {
    rowToNative(from, rowOf(&s, y), native.data(), d.width);
    rowFromNative(to, native.data(), rowOf(&d, y), d.width);
  }
  return kvImageNoError;
}

vImage_Error vImagePremultiplyData_ARGB8888(const vImage_Buffer* s, const vImage_Buffer* d, vImage_Flags) {
  return premultiply<0>(s, d);
}
vImage_Error vImagePremultiplyData_RGBA8888(const vImage_Buffer* s, const vImage_Buffer* d, vImage_Flags) {
  return premultiply<3>(s, d);
}
vImage_Error vImageUnpremultiplyData_ARGB8888(const vImage_Buffer* s, const vImage_Buffer* d, vImage_Flags) {
  return unpremultiply<0>(s, d);
}
vImage_Error vImageUnpremultiplyData_RGBA8888(const vImage_Buffer* s, const vImage_Buffer* d, vImage_Flags) {
  return unpremultiply<3>(s, d);
}

vImage_Error vImagePermuteChannels_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest,
                                            const uint8_t permuteMap[4], vImage_Flags) {
  if (!permuteMap) return kvImageNullPointerArgument;
  for (int i = 0; i < 4; ++i)
    if (permuteMap[i] > 3) return kvImageInvalidParameter;
  const uint8_t m0 = permuteMap[0], m1 = permuteMap[1], m2 = permuteMap[2], m3 = permuteMap[3];
  return eachPixel(src, dest, [=](const uint8_t* s, uint8_t* d) {
    uint8_t p[4] = {s[m0], s[m1], s[m2], s[m3]};
    std::memcpy(d, p, 4);
  });
}

vImage_Error vImageConvert_RGB888toARGB8888(const vImage_Buffer* rgbSrc, const vImage_Buffer* alphaSrc, uint8_t alpha,
                                            const vImage_Buffer* dest, bool premultiplyColour, vImage_Flags) {
  if (!rgbSrc || !dest || !rgbSrc->data || !dest->data) return kvImageNullPointerArgument;
  if (!valid(dest) || rgbSrc->rowBytes < rgbSrc->width * 3) return kvImageInvalidParameter;
  if (dest->width > rgbSrc->width || dest->height > rgbSrc->height) return kvImageRoiLargerThanInputBuffer;
  if (alphaSrc && (!alphaSrc->data || alphaSrc->width < dest->width || alphaSrc->height < dest->height))
    return kvImageInvalidParameter;
  for (size_t y = 0; y < dest->height; ++y) {
    const uint8_t* s = rowOf(rgbSrc, y);
    const uint8_t* as = alphaSrc ? rowOf(alphaSrc, y) : nullptr;
    uint8_t* d = rowOf(dest, y);
    for (size_t x = 0; x < dest->width; ++x) {
      uint32_t a = as ? as[x] : alpha;
      d[4 * x] = uint8_t(a);
      for (int c = 0; c < 3; ++c) d[4 * x + 1 + c] = premultiplyColour ? div255(s[3 * x + c] * a) : s[3 * x + c];
    }
  }
  return kvImageNoError;
}

vImage_Error vImageBoxConvolve_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, void* tempBuffer,
                                        size_t offX, size_t offY, uint32_t kh, uint32_t kw,
                                        const uint8_t* backgroundColor, vImage_Flags flags) {
  if (kw == 0 || kh == 0 || !(kw & 1) || !(kh & 1)) return kvImageInvalidKernelSize;
  const vImage_Flags edge = flags & (kvImageEdgeExtend | kvImageBackgroundColorFill | kvImageTruncateKernel | kvImageCopyInPlace);
  if (edge == 0 || (edge & (edge - 1))) return kvImageInvalidEdgeStyle;
  if (flags & ~vImage_Flags(0x3ff)) return kvImageUnknownFlagsBit;
  if (!dest) return kvImageNullPointerArgument;
  const size_t W = dest->width, H = dest->height;
  const size_t rowsNeeded = H + kh - 1;
  const size_t tempSize = W * rowsNeeded * 4 * sizeof(uint32_t) + rowsNeeded * W * sizeof(uint16_t);
  if (flags & kvImageGetTempBufferSize) return vImage_Error(tempSize);
  if (!src || !src->data || !dest->data) return kvImageNullPointerArgument;
  if (!valid(src) || !valid(dest)) return kvImageInvalidParameter;
  if (offX >= src->width && W) return kvImageInvalidOffset_X;
  if (offY >= src->height && H) return kvImageInvalidOffset_Y;
  if (offX + W > src->width || offY + H > src->height) return kvImageRoiLargerThanInputBuffer;
  if (edge == kvImageBackgroundColorFill && !backgroundColor) return kvImageNullPointerArgument;

  std::vector<uint8_t> own;
  if (!tempBuffer) {
    own.resize(tempSize);
    tempBuffer = own.data();
  }
  // Horizontal sums (per channel) and in-range counts for each row the vertical pass needs.
  auto* sums = static_cast<uint32_t*>(tempBuffer);
  auto* counts = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(tempBuffer) + W * rowsNeeded * 4 * sizeof(uint32_t));
  const int64_t rx = kw / 2, ry = kh / 2, SW = int64_t(src->width), SH = int64_t(src->height);
  const uint8_t bg[4] = {backgroundColor ? backgroundColor[0] : uint8_t(0), backgroundColor ? backgroundColor[1] : uint8_t(0),
                         backgroundColor ? backgroundColor[2] : uint8_t(0), backgroundColor ? backgroundColor[3] : uint8_t(0)};
  const bool extend = edge == kvImageEdgeExtend || edge == kvImageCopyInPlace;
  for (size_t r = 0; r < rowsNeeded; ++r) {
    int64_t sy = int64_t(offY + r) - ry;
    uint32_t* out = sums + r * W * 4;
    uint16_t* cnt = counts + r * W;
    const bool rowInside = sy >= 0 && sy < SH;
    if (!rowInside && !extend) {
      // Whole row outside: background (fill) or nothing (truncate).
      for (size_t x = 0; x < W; ++x) {
        for (int c = 0; c < 4; ++c) out[4 * x + c] = edge == kvImageBackgroundColorFill ? bg[c] * kw : 0;
        cnt[x] = 0;
      }
      continue;
    }
    const uint8_t* row = rowOf(src, size_t(std::clamp<int64_t>(sy, 0, SH - 1)));
    auto sample = [&](int64_t sx, int c) -> uint32_t {
      if (sx >= 0 && sx < SW) return row[4 * sx + c];
      if (extend) return row[4 * std::clamp<int64_t>(sx, 0, SW - 1) + c];
      return edge == kvImageBackgroundColorFill ? bg[c] : 0;
    };
    uint32_t acc[4] = {0, 0, 0, 0};
    int64_t first = int64_t(offX) - rx;
    uint32_t inCount = 0;
    for (int64_t k = 0; k < int64_t(kw); ++k) {
      for (int c = 0; c < 4; ++c) acc[c] += sample(first + k, c);
      inCount += (first + k >= 0 && first + k < SW);
    }
    for (size_t x = 0; x < W; ++x) {
      for (int c = 0; c < 4; ++c) out[4 * x + c] = acc[c];
      cnt[x] = uint16_t(inCount);
      int64_t leaving = first + int64_t(x), entering = leaving + kw;
      for (int c = 0; c < 4; ++c) acc[c] += sample(entering, c) - sample(leaving, c);
      inCount += (entering >= 0 && entering < SW);
      inCount -= (leaving >= 0 && leaving < SW);
    }
  }
  // Vertical sums of the horizontal ones, then the average.
  std::vector<uint32_t> acc(W * 4, 0), area(W, 0);
  for (size_t r = 0; r < kh; ++r) {
    int64_t sy = int64_t(offY + r) - ry;
    bool rowIn = sy >= 0 && sy < SH;
    for (size_t i = 0; i < W * 4; ++i) acc[i] += sums[r * W * 4 + i];
    for (size_t x = 0; x < W; ++x) area[x] += rowIn ? counts[r * W + x] : 0;
  }
  const uint32_t full = kw * kh;
  for (size_t y = 0; y < H; ++y) {
    uint8_t* d = rowOf(dest, y);
    for (size_t x = 0; x < W; ++x) {
      uint32_t n = edge == kvImageTruncateKernel ? std::max<uint32_t>(area[x], 1) : full;
      for (int c = 0; c < 4; ++c) d[4 * x + c] = uint8_t((acc[4 * x + c] + n / 2) / n);
    }
    if (edge == kvImageCopyInPlace) {
      // Where the kernel does not fit inside the source the source pixel is kept.
      const int64_t sy = int64_t(offY + y);
      const uint8_t* s = rowOf(src, size_t(sy));
      for (size_t x = 0; x < W; ++x) {
        int64_t sx = int64_t(offX + x);
        if (sx - rx < 0 || sx + rx >= SW || sy - ry < 0 || sy + ry >= SH) std::memcpy(d + 4 * x, s + 4 * sx, 4);
      }
    }
    if (y + 1 == H) break;
    size_t out = y, in = y + kh;
    int64_t syOut = int64_t(offY + out) - ry, syIn = int64_t(offY + in) - ry;
    for (size_t i = 0; i < W * 4; ++i) acc[i] += sums[in * W * 4 + i] - sums[out * W * 4 + i];
    for (size_t x = 0; x < W; ++x) {
      area[x] += (syIn >= 0 && syIn < SH) ? counts[in * W + x] : 0;
      area[x] -= (syOut >= 0 && syOut < SH) ? counts[out * W + x] : 0;
    }
  }
  return kvImageNoError;
}

vImage_Error vImageAffineWarpCG_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, void*,
                                         const AffineTransform* t, const uint8_t backColor[4], vImage_Flags flags) {
  if (!src || !dest || !t || !src->data || !dest->data) return kvImageNullPointerArgument;
  if (!valid(src) || !valid(dest)) return kvImageInvalidParameter;
  if ((flags & kvImageBackgroundColorFill) && !backColor) return kvImageNullPointerArgument;
  const double det = t->a * t->d - t->b * t->c;
  if (det == 0 || !std::isfinite(det)) return kvImageInvalidParameter;
  // Inverse: destination point to source point.
  const double ia = t->d / det, ib = -t->b / det, ic = -t->c / det, id = t->a / det;
  const double itx = -(t->tx * ia + t->ty * ic), ity = -(t->tx * ib + t->ty * id);
  const bool extend = (flags & kvImageEdgeExtend) != 0;
  const uint8_t zero[4] = {0, 0, 0, 0};
  const uint8_t* back = (flags & kvImageBackgroundColorFill) ? backColor : zero;
  const int64_t SW = int64_t(src->width), SH = int64_t(src->height);
  auto at = [&](int64_t x, int64_t y) -> const uint8_t* {
    if (x < 0 || y < 0 || x >= SW || y >= SH) {
      if (!extend) return back;
      x = std::clamp<int64_t>(x, 0, SW - 1);
      y = std::clamp<int64_t>(y, 0, SH - 1);
    }
    return rowOf(src, size_t(y)) + 4 * x;
  };
  for (size_t y = 0; y < dest->height; ++y) {
    uint8_t* d = rowOf(dest, y);
    for (size_t x = 0; x < dest->width; ++x) {
      // Pixel centres map to pixel centres.
      double px = x + 0.5, py = y + 0.5;
      double sx = ia * px + ic * py + itx - 0.5, sy = ib * px + id * py + ity - 0.5;
      double fx = std::floor(sx), fy = std::floor(sy);
      int64_t x0 = int64_t(fx), y0 = int64_t(fy);
      double wx = sx - fx, wy = sy - fy;
      const uint8_t *p00 = at(x0, y0), *p10 = at(x0 + 1, y0), *p01 = at(x0, y0 + 1), *p11 = at(x0 + 1, y0 + 1);
      for (int c = 0; c < 4; ++c) {
        double v = (p00[c] * (1 - wx) + p10[c] * wx) * (1 - wy) + (p01[c] * (1 - wx) + p11[c] * wx) * wy;
        d[4 * x + c] = uint8_t(std::clamp(v + 0.5, 0.0, 255.0));
      }
    }
  }
  return kvImageNoError;
}

vImage_Error vImageHorizontalReflect_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags) {
  if (vImage_Error e = checkPair(src, dest)) return e;
  if (src->width != dest->width || src->height != dest->height) return kvImageBufferSizeMismatch;
  std::vector<uint32_t> row(src->width);
  for (size_t y = 0; y < src->height; ++y) {
    std::memcpy(row.data(), rowOf(src, y), src->width * 4);
    std::reverse(row.begin(), row.end());
    std::memcpy(rowOf(dest, y), row.data(), src->width * 4);
  }
  return kvImageNoError;
}

vImage_Error vImageVerticalReflect_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags) {
  if (vImage_Error e = checkPair(src, dest)) return e;
  if (src->width != dest->width || src->height != dest->height) return kvImageBufferSizeMismatch;
  std::vector<uint8_t> a(src->width * 4), b(src->width * 4);
  const size_t H = src->height;
  for (size_t y = 0; y < (H + 1) / 2; ++y) {
    std::memcpy(a.data(), rowOf(src, y), a.size());
    std::memcpy(b.data(), rowOf(src, H - 1 - y), b.size());
    std::memcpy(rowOf(dest, y), b.data(), b.size());
    std::memcpy(rowOf(dest, H - 1 - y), a.data(), a.size());
  }
  return kvImageNoError;
}

vImage_Error vImageMatrixMultiply_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, const int16_t matrix[16],
                                           int32_t divisor, const int16_t* preBias, const int32_t* postBias,
                                           vImage_Flags) {
  if (!matrix) return kvImageNullPointerArgument;
  if (divisor == 0) return kvImageInvalidParameter;
  int32_t m[16], pre[4] = {0, 0, 0, 0}, post[4] = {0, 0, 0, 0};
  for (int i = 0; i < 16; ++i) m[i] = matrix[i];
  for (int i = 0; i < 4; ++i) {
    if (preBias) pre[i] = preBias[i];
    if (postBias) post[i] = postBias[i];
  }
  return eachPixel(src, dest, [&](const uint8_t* s, uint8_t* d) {
    int32_t in[4] = {s[0] + pre[0], s[1] + pre[1], s[2] + pre[2], s[3] + pre[3]};
    uint8_t out[4];
    for (int j = 0; j < 4; ++j) {
      int32_t v = in[0] * m[j] + in[1] * m[4 + j] + in[2] * m[8 + j] + in[3] * m[12 + j] + post[j];
      out[j] = uint8_t(std::clamp(v / divisor, 0, 255));
    }
    std::memcpy(d, out, 4);
  });
}

}  // namespace gfx
