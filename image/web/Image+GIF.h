#pragma once
// GIF support of the pipeline's decoder: animated images with the frame delays as browsers
// clamp them, GIFs from the application bundle, and scaling an animated image to a size.
#include "platform/graphics/Image.h"

namespace fd {
class Data;
}
namespace gfx {
class ImageSource;
}

namespace image {

/// A still image for GIFs of at most one frame, else an animated image whose duration is the
/// sum of the frame delays; each frame at the main screen's scale. Null for null or bad bytes.
Ref<gfx::Image> wi_animatedGIFWithData(const Ref<fd::Data>& data);
/// The frame's delay in seconds; a missing delay, or one below 0.011, is 0.1.
float wi_frameDurationAtIndex(size_t index, const Ref<gfx::ImageSource>& source);
/// From the main bundle, the "@2x" file first on a screen of scale above 1.
Ref<gfx::Image> wi_animatedGIFNamed(const fd::String& name);
/// Every frame scaled to fill `size` (aspect fill, centred) on a cleared canvas of its own;
/// the receiver itself for its own size or a zero size.
Ref<gfx::Image> wi_animatedImageByScalingAndCroppingToSize(const Ref<gfx::Image>& receiver, gfx::Size size);

}  // namespace image
