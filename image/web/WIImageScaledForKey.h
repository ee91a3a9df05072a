#pragma once
// The scale written into a cache key: "@2x." gives 2, "@3x." gives 3, anything else 1.
#include <optional>

#include "platform/graphics/Image.h"

namespace image {

/// A new image (every frame of an animated one) over the same bitmap at the key's scale.
Ref<gfx::Image> WIImageScaledForKey(const std::optional<fd::String>& key, const Ref<gfx::Image>& image);
/// The scale alone.
double WIScaleForKey(const std::optional<fd::String>& key);

}  // namespace image
