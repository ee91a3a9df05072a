#pragma once
// Encoded forms of platform images.
#include "platform/graphics/Image.h"

namespace fd {
class Data;
}

namespace gfx {

/// The image's bitmap as PNG (RGB when opaque, RGBA otherwise); null without a bitmap.
Ref<fd::Data> UIImagePNGRepresentation(const Ref<Image>& image);
/// The image's bitmap as JPEG at `quality` (0..1); null without a bitmap.
Ref<fd::Data> UIImageJPEGRepresentation(const Ref<Image>& image, double quality);

}  // namespace gfx
