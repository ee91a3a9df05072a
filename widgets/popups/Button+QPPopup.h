#pragma once
// The standard popup button.
#include "platform/ui/controls/Button.h"

namespace widgets {

/// A custom-type button that runs `action` on touch-up-inside and takes touches exclusively.
Ref<ui::Button> qp_buttonWithTarget(const rt::Id& target, ui::Control::Action action);

}  // namespace widgets
