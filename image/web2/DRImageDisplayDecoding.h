#pragma once
// What the second pipeline needs of decoding: the file type of encoded bytes, images made from
// bytes (animated or first frame), and decoding for display with a mark on the result so that
// an image is never redrawn twice. Stateless; callable from any thread.
#include <cstdint>

#include "image/codec/DRImageCoderTypes.h"
#include "platform/runtime/Object.h"

namespace fd {
class Data;
}
namespace gfx {
class Image;
}

namespace image {

/// The platform's reading of the bytes: unknown, JPEG, TIFF, GIF, PNG, WebP or other.
DRImageFileType DRImageTypeFromData(const Ref<fd::Data>& data);
/// Null for bytes that decode to nothing (or to no pixels). `animated` false keeps frame 0 only.
Ref<gfx::Image> DRImageFromData(const Ref<fd::Data>& data, double scale, bool animated);
bool DRImageIsDecodedForDisplay(const Ref<gfx::Image>& image);
/// A copy redrawn into the drawing format and marked decoded (animated images are marked as
/// they are); the image itself when it already carries the mark.
Ref<gfx::Image> DRImageByDecoded(const Ref<gfx::Image>& image);
/// Encoded bytes for an image that came without them: PNG.
Ref<fd::Data> DRImageDataRepresentation(const Ref<gfx::Image>& image);
/// Height times bytes per row of the bitmap; 1 without a bitmap.
uint64_t DRImageCost(const Ref<gfx::Image>& image);

}  // namespace image
