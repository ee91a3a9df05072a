#pragma once
// Redraws a still image into a bitmap of the drawing format, so that the main thread never
// pays for decoding when the image is first shown. Callable from any thread.
#include "platform/graphics/Image.h"

namespace image {

/// The input itself for null, animated or undrawable images; else a new image of the same
/// scale and orientation over the redrawn bitmap.
Ref<gfx::Image> decodedImageWithImage(const Ref<gfx::Image>& image);
/// The bitmap info the redraw uses for a bitmap of `alphaInfo`-`byteOrder` with `components`
/// colour components.
uint32_t decodedBitmapInfo(uint32_t bitmapInfo, size_t components);

}  // namespace image
