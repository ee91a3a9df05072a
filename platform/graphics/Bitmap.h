#pragma once
// Bitmap images: immutable pixel grids with their format facts (bits per component and
// pixel, bytes per row, bitmap info, colour space), drawable through Cairo.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"

typedef struct _cairo_surface cairo_surface_t;

namespace fd {
class Data;
}

namespace gfx {

/// Where alpha is and whether colour is premultiplied: the low five bits of bitmap info.
/// Plain constants, so that they combine with the byte orders as the platform's do.
using ImageAlphaInfo = uint32_t;
inline constexpr uint32_t ImageAlphaNone = 0;
inline constexpr uint32_t ImageAlphaPremultipliedLast = 1;
inline constexpr uint32_t ImageAlphaPremultipliedFirst = 2;
inline constexpr uint32_t ImageAlphaLast = 3;
inline constexpr uint32_t ImageAlphaFirst = 4;
inline constexpr uint32_t ImageAlphaNoneSkipLast = 5;
inline constexpr uint32_t ImageAlphaNoneSkipFirst = 6;
inline constexpr uint32_t ImageAlphaOnly = 7;

using BitmapInfo = uint32_t;
inline constexpr uint32_t BitmapAlphaInfoMask = 0x1F;
inline constexpr uint32_t BitmapFloatComponents = 0x100;
inline constexpr uint32_t BitmapByteOrderMask = 0x7000;
inline constexpr uint32_t BitmapByteOrderDefault = 0;
inline constexpr uint32_t BitmapByteOrder16Little = 0x1000;
inline constexpr uint32_t BitmapByteOrder32Little = 0x2000;
inline constexpr uint32_t BitmapByteOrder16Big = 0x3000;
inline constexpr uint32_t BitmapByteOrder32Big = 0x4000;

/// Premultiplied ARGB in native 32-bit words on a little-endian host (bytes B, G, R, A):
/// what Cairo draws into and what every decoder produces.
inline constexpr uint32_t BitmapInfoNativePremultiplied = BitmapByteOrder32Little | ImageAlphaPremultipliedFirst;
/// The same without alpha (the top byte ignored).
inline constexpr uint32_t BitmapInfoNativeOpaque = BitmapByteOrder32Little | ImageAlphaNoneSkipFirst;

/// The layout facts of a bitmap.
struct PixelFormat {
  size_t width = 0;
  size_t height = 0;
  size_t bitsPerComponent = 8;
  size_t bitsPerPixel = 32;
  size_t bytesPerRow = 0;
  uint32_t bitmapInfo = BitmapInfoNativePremultiplied;
  Ref<ColorSpace> colorSpace;  // null only for alpha-only bitmaps

  uint32_t alphaInfo() const { return bitmapInfo & BitmapAlphaInfoMask; }
  uint32_t byteOrder() const { return bitmapInfo & BitmapByteOrderMask; }
  /// 8 bits per component, 32 per pixel, RGB, native premultiplied or opaque: Cairo's own.
  bool isNative() const;
};

class BitmapImage : public rt::Object {
  RT_CLASS_NAMED(BitmapImage, rt::Object, "CGImage")
 public:
  ~BitmapImage() override;

  /// A zeroed native bitmap (transparent, or black when opaque).
  static Ref<BitmapImage> createNative(size_t width, size_t height, bool opaque = false);
  /// Takes over a Cairo image surface (ARGB32 or RGB24); the caller's reference moves here.
  static Ref<BitmapImage> createWithSurface(cairo_surface_t* surface);
  /// Over the bytes of `data` (shared, not copied); null when the format is unusable or the
  /// data too short. `shouldInterpolate` is kept for drawing.
  static Ref<BitmapImage> create(const PixelFormat& format, Ref<fd::Data> data, bool shouldInterpolate = true);
  /// Over caller-owned bytes without copying; `release` runs when the image goes away.
  static Ref<BitmapImage> createWithBytesNoCopy(const PixelFormat& format, const void* bytes,
                                                std::function<void(const void*)> release,
                                                bool shouldInterpolate = true);
  /// Copies the bytes.
  static Ref<BitmapImage> createCopying(const PixelFormat& format, const void* bytes);

  size_t width() const { return format_.width; }
  size_t height() const { return format_.height; }
  size_t bitsPerComponent() const { return format_.bitsPerComponent; }
  size_t bitsPerPixel() const { return format_.bitsPerPixel; }
  size_t bytesPerRow() const { return format_.bytesPerRow; }
  uint32_t bitmapInfo() const { return format_.bitmapInfo; }
  uint32_t alphaInfo() const { return format_.alphaInfo(); }
  uint32_t byteOrder() const { return format_.byteOrder(); }
  const Ref<ColorSpace>& colorSpace() const { return format_.colorSpace; }
  const PixelFormat& format() const { return format_; }
  bool shouldInterpolate() const { return interpolate_; }
  bool isOpaque() const;

  /// The pixel bytes as laid out by the format (bytesPerRow * height).
  const uint8_t* bytes() const { return bytes_; }
  size_t byteLength() const { return format_.bytesPerRow * format_.height; }
  /// A copy of the provider bytes.
  Ref<fd::Data> copyData() const;

  /// Premultiplied native pixel at (x, y), row 0 at the top; 0 outside.
  uint32_t pixel(size_t x, size_t y) const;
  /// A Cairo surface showing this bitmap as premultiplied ARGB32/RGB24, converted once when
  /// the format is not native. Owned by the image.
  cairo_surface_t* cairoSurface() const;

  /// The part inside `rect` (pixels, top-left origin, made integral and clipped to the
  /// bounds); null when nothing remains. Shares nothing with this image.
  Ref<BitmapImage> createWithImageInRect(const Rect& rect) const;
  /// This bitmap converted to the native premultiplied format (itself when already so).
  Ref<BitmapImage> nativeCopy() const;

  rt::String description() const override;

 private:
  PixelFormat format_;
  const uint8_t* bytes_ = nullptr;
  std::shared_ptr<const void> owner_;  // keeps the bytes alive
  bool interpolate_ = true;
  mutable std::once_flag surfaceOnce_;
  mutable cairo_surface_t* surface_ = nullptr;
  mutable std::vector<uint8_t> converted_;
};

/// Bytes per row a bitmap of `width` pixels gets when the caller leaves the choice: rows
/// rounded up to 32 bytes.
size_t chosenBytesPerRow(size_t width, size_t bitsPerPixel);

}  // namespace gfx
