#pragma once
// Lays views out in a line with equal gaps before, between and after them, by constraints on
// invisible spacer views.
#include <vector>

#include "platform/ui/view/View.h"

namespace widgets {

/// `views` are already subviews of `container`; they keep their own sizes.
void qp_distributeSpacingHorizontallyWith(ui::View& container, const std::vector<Ref<ui::View>>& views);
void qp_distributeSpacingVerticallyWith(ui::View& container, const std::vector<Ref<ui::View>>& views);

}  // namespace widgets
