#pragma once
// The channel bar's pictures, "icons.bundle" in the main bundle's resources.
#include "platform/graphics/Image.h"

namespace widgets {

/// The picture `file` of "icons.bundle" ("icon_more.png", "icon_delet.png"); null when missing.
Ref<gfx::Image> CBIconImage(const rt::String& file);

}  // namespace widgets
