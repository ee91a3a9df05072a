#pragma once
// The height a label's text needs in the system font of a size, within a maximum size.
#include "platform/ui/controls/Label.h"

namespace app {

double boundingRectWithSize(const ui::Label& label, gfx::Size size, float fontSize);

}  // namespace app
