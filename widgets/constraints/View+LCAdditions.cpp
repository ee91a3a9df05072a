#include "widgets/constraints/View+LCAdditions.h"

#include "widgets/constraints/LCConstraintMaker.h"

namespace widgets {

namespace {

const char kKeyKey = 0;

enum class Mode { Make, Update, Remake };

std::vector<Ref<LCConstraint>> declare(ui::View& view, const ConstraintMakerBlock& block, Mode mode) {
  view.setTranslatesAutoresizingMaskIntoConstraints(false);
  auto maker = rt::make<LCConstraintMaker>(std::static_pointer_cast<ui::View>(view.self()));
  maker->setUpdateExisting(mode == Mode::Update);
  maker->setRemoveExisting(mode == Mode::Remake);
  if (block) block(*maker);
  return maker->install();
}

Ref<ui::View> viewRef(ui::View& view) { return std::static_pointer_cast<ui::View>(view.self()); }

}  // namespace

std::vector<Ref<LCConstraint>> lc_makeConstraints(ui::View& view, const ConstraintMakerBlock& block) {
  return declare(view, block, Mode::Make);
}

std::vector<Ref<LCConstraint>> lc_updateConstraints(ui::View& view, const ConstraintMakerBlock& block) {
  return declare(view, block, Mode::Update);
}

std::vector<Ref<LCConstraint>> lc_remakeConstraints(ui::View& view, const ConstraintMakerBlock& block) {
  return declare(view, block, Mode::Remake);
}

Ref<LCViewAttribute> lc_attribute(ui::View& view, ui::LayoutAttribute attribute) {
  return rt::make<LCViewAttribute>(viewRef(view), attribute);
}

Ref<LCViewAttribute> lc_left(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeLeft); }
Ref<LCViewAttribute> lc_top(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeTop); }
Ref<LCViewAttribute> lc_right(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeRight); }
Ref<LCViewAttribute> lc_bottom(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeBottom); }
Ref<LCViewAttribute> lc_leading(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeLeading); }
Ref<LCViewAttribute> lc_trailing(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeTrailing); }
Ref<LCViewAttribute> lc_width(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeWidth); }
Ref<LCViewAttribute> lc_height(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeHeight); }
Ref<LCViewAttribute> lc_centerX(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeCenterX); }
Ref<LCViewAttribute> lc_centerY(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeCenterY); }
Ref<LCViewAttribute> lc_baseline(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeBaseline); }
Ref<LCViewAttribute> lc_leftMargin(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeLeftMargin); }
Ref<LCViewAttribute> lc_rightMargin(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeRightMargin); }
Ref<LCViewAttribute> lc_topMargin(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeTopMargin); }
Ref<LCViewAttribute> lc_bottomMargin(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeBottomMargin); }
Ref<LCViewAttribute> lc_leadingMargin(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeLeadingMargin); }
Ref<LCViewAttribute> lc_trailingMargin(ui::View& v) { return lc_attribute(v, ui::LayoutAttributeTrailingMargin); }
Ref<LCViewAttribute> lc_centerXWithinMargins(ui::View& v) {
  return lc_attribute(v, ui::LayoutAttributeCenterXWithinMargins);
}
Ref<LCViewAttribute> lc_centerYWithinMargins(ui::View& v) {
  return lc_attribute(v, ui::LayoutAttributeCenterYWithinMargins);
}

rt::Id lc_key(const ui::View& view) { return view.associatedObject(&kKeyKey); }

void setLc_key(ui::View& view, const rt::Id& key) {
  view.setAssociatedObject(&kKeyKey, key, rt::AssociationPolicy::RetainNonatomic);
}

Ref<ui::View> lc_closestCommonSuperview(ui::View& view, const Ref<ui::View>& other) {
  for (Ref<ui::View> w = other; w; w = w->superview()) {
    for (Ref<ui::View> mine = viewRef(view); mine; mine = mine->superview()) {
      if (mine == w) return w;
    }
  }
  return nullptr;
}

}  // namespace widgets
