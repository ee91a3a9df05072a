#pragma once
// Pictures of the progress display, kept in the "PHProgressHUD.bundle" folder of the bundle
// that holds the display's classes.
#include "platform/graphics/Image.h"

namespace widgets {

/// "<name>.png" of the display's resource bundle; null when the bundle or the file is missing.
Ref<gfx::Image> PHProgressHUDBundleImage(const rt::String& name);

}  // namespace widgets
