#pragma once
// The family's resource in "KMRefresh.bundle" of the main bundle: the arrow picture. The state
// texts are the application's Chinese and no string table of the machine's language replaces
// them.
#include "platform/graphics/Image.h"

namespace widgets {

/// "KMRefresh.bundle/arrow.png", else the framework-embedded path; null when neither exists.
Ref<gfx::Image> KMRefreshArrowImage();

}  // namespace widgets
