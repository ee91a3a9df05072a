#pragma once
// Bitmap plumbing of the coder: display-ready copies, 32-bit pixel buffers in a chosen layout,
// transformed and upright copies, and encoding (WebP through libwebp, the rest through the
// platform's image destinations). Reentrant; any thread.
#include <cstddef>
#include <cstdint>

#include "image/codec/DRImageCoderTypes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace fd {
class Data;
}

namespace image {

/// A caller-owned pixel buffer; `data` comes from malloc and is the caller's to free.
struct DRBitmapBuffer {
  void* data = nullptr;
  size_t height = 0;
  size_t width = 0;
  size_t rowBytes = 0;
};

/// The one device RGB colour space of the coder.
const Ref<gfx::ColorSpace>& DRDeviceRGBColorSpace();
/// True when the alpha field is 1 to 4.
bool DRBitmapInfoHasAlpha(uint32_t bitmapInfo);

/// For display: 32-bit little-endian, alpha first (premultiplied, or skipped without alpha).
/// Otherwise a copy of the pixels in the source's own layout. Null for an empty image.
Ref<gfx::BitmapImage> DRCopyDecodedImage(const Ref<gfx::BitmapImage>& image, bool decodeForDisplay);
/// Fills `buffer` with 8-bit, 32-bit-per-pixel RGB in `bitmapInfo`; false (and null data) on failure.
bool DRConvertImageToBitmapBuffer(const Ref<gfx::BitmapImage>& image, DRBitmapBuffer* buffer, uint32_t bitmapInfo);
/// `size` in pixels; the transform maps source pixels (y up) into the destination.
Ref<gfx::BitmapImage> DRCopyAffineTransformedImage(const Ref<gfx::BitmapImage>& image, const gfx::AffineTransform& transform,
                                                   gfx::Size size, uint32_t bitmapInfo);
/// The upright bitmap of an image shown with `orientation`; the same image for up.
Ref<gfx::BitmapImage> DRCopyImageWithOrientation(const Ref<gfx::BitmapImage>& image, gfx::ImageOrientation orientation,
                                                 uint32_t bitmapInfo);
/// Quality is clamped to 0..1; WebP goes to DREncodeImageAsWebP (lossless at quality 1).
Ref<fd::Data> DREncodeImageWithImageIO(const Ref<gfx::BitmapImage>& image, DRImageFileType type, double quality);
/// Width and height 1 to 16383; compress level 0-6; preset 0-5 (else 0).
Ref<fd::Data> DREncodeImageAsWebP(const Ref<gfx::BitmapImage>& image, bool lossless, double quality, int compressLevel,
                                  int preset);

}  // namespace image
