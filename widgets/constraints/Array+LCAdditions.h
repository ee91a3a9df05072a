#pragma once
// The language over a list of views: the same declaring block for each view, the closest view
// containing them all, and a row or column with fixed spacing or fixed item length.
// Main thread only. Null entries are skipped.
#include <cstdint>
#include <vector>

#include "widgets/constraints/View+LCAdditions.h"

namespace widgets {

/// Axis 0 lays the views out horizontally, any other value vertically.
using LCAxisType = uint64_t;

/// The block runs once per view, each time with that view's maker; the results in one list.
std::vector<Ref<LCConstraint>> lc_makeConstraints(const std::vector<Ref<ui::View>>& views,
                                                  const ConstraintMakerBlock& block);
std::vector<Ref<LCConstraint>> lc_updateConstraints(const std::vector<Ref<ui::View>>& views,
                                                    const ConstraintMakerBlock& block);
std::vector<Ref<LCConstraint>> lc_remakeConstraints(const std::vector<Ref<ui::View>>& views,
                                                    const ConstraintMakerBlock& block);

/// Equal lengths sharing the space left after the lead, tail and fixed gaps. Needs 2 views.
void lc_distributeViewsAlongAxisWithFixedSpacing(const std::vector<Ref<ui::View>>& views, LCAxisType axis,
                                                 double fixedSpacing, double leadSpacing, double tailSpacing);
/// Fixed lengths with equal gaps between them. Needs 2 views.
void lc_distributeViewsAlongAxisWithFixedItemLength(const std::vector<Ref<ui::View>>& views, LCAxisType axis,
                                                    double fixedItemLength, double leadSpacing, double tailSpacing);

/// Null for no views or views in different trees.
Ref<ui::View> lc_commonSuperviewOfViews(const std::vector<Ref<ui::View>>& views);

}  // namespace widgets
