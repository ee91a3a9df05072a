#pragma once
// The label every titled header and footer uses for its state and time texts.
#include "platform/ui/controls/Label.h"

namespace widgets {

/// System font 12, grey text (120/255), centred, clear background, flexible width.
Ref<ui::Label> km_refreshLabel();

}  // namespace widgets
