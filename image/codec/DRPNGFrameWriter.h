#pragma once
// Writes a bitmap as a PNG of one fixed layout (8-bit RGBA, not interlaced), so that frames
// written for one animation always agree with the header of the first.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/graphics/Bitmap.h"

namespace image {

std::optional<std::vector<uint8_t>> DRPNGEncodeRGBA(const Ref<gfx::BitmapImage>& image);

}  // namespace image
