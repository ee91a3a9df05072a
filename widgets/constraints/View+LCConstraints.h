#pragma once
// The constraints the language installed with a view as their first item, kept on the view
// itself: what a remake removes.
#include "platform/foundation/values/Set.h"
#include "platform/ui/view/View.h"

namespace widgets {

/// Created empty on first read; lives as long as the view.
Ref<fd::MutableSet> lc_installedConstraints(ui::View& view);

}  // namespace widgets
