#pragma once
// The language's entries on a view: declare its constraints in a block, name its attributes as
// second items, label it for constraint descriptions, find the closest common superview.
// Main thread only.
#include <functional>
#include <vector>

#include "platform/ui/view/View.h"
#include "widgets/constraints/LCConstraint.h"
#include "widgets/constraints/LCViewAttribute.h"

namespace widgets {

class LCConstraintMaker;
using ConstraintMakerBlock = std::function<void(LCConstraintMaker& make)>;

/// Turns the view's autoresizing translation off, runs the block once with a maker for the view
/// and installs what it declared. Answers the declared constraints, in order.
std::vector<Ref<LCConstraint>> lc_makeConstraints(ui::View& view, const ConstraintMakerBlock& block);
/// The same, but a declaration equal to an installed one (items, attributes, relation,
/// multiplier, priority) only changes that one's constant.
std::vector<Ref<LCConstraint>> lc_updateConstraints(ui::View& view, const ConstraintMakerBlock& block);
/// The same, after removing every constraint the language installed with the view first.
std::vector<Ref<LCConstraint>> lc_remakeConstraints(ui::View& view, const ConstraintMakerBlock& block);

/// A new attribute of the view on every call.
Ref<LCViewAttribute> lc_attribute(ui::View& view, ui::LayoutAttribute attribute);
Ref<LCViewAttribute> lc_left(ui::View& view);
Ref<LCViewAttribute> lc_top(ui::View& view);
Ref<LCViewAttribute> lc_right(ui::View& view);
Ref<LCViewAttribute> lc_bottom(ui::View& view);
Ref<LCViewAttribute> lc_leading(ui::View& view);
Ref<LCViewAttribute> lc_trailing(ui::View& view);
Ref<LCViewAttribute> lc_width(ui::View& view);
Ref<LCViewAttribute> lc_height(ui::View& view);
Ref<LCViewAttribute> lc_centerX(ui::View& view);
Ref<LCViewAttribute> lc_centerY(ui::View& view);
Ref<LCViewAttribute> lc_baseline(ui::View& view);
Ref<LCViewAttribute> lc_leftMargin(ui::View& view);
Ref<LCViewAttribute> lc_rightMargin(ui::View& view);
Ref<LCViewAttribute> lc_topMargin(ui::View& view);
Ref<LCViewAttribute> lc_bottomMargin(ui::View& view);
Ref<LCViewAttribute> lc_leadingMargin(ui::View& view);
Ref<LCViewAttribute> lc_trailingMargin(ui::View& view);
Ref<LCViewAttribute> lc_centerXWithinMargins(ui::View& view);
Ref<LCViewAttribute> lc_centerYWithinMargins(ui::View& view);

/// The view's debug label (any object), shown by constraint descriptions; null when unset.
rt::Id lc_key(const ui::View& view);
void setLc_key(ui::View& view, const rt::Id& key);

/// The nearest view containing both (either view itself when it contains the other); null for
/// a null argument or views in different trees.
Ref<ui::View> lc_closestCommonSuperview(ui::View& view, const Ref<ui::View>& other);

}  // namespace widgets
