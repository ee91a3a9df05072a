#include "widgets/constraints/LCConstraintMaker.h"

#include <algorithm>

#include "widgets/constraints/LCCompositeConstraint.h"
#include "widgets/constraints/LCViewConstraint.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace widgets {

RT_IMPLEMENT(LCConstraintMaker) {}

LCConstraint& LCMakerAttribute::operator()() const {
  return mask_ ? maker_.addConstraintWithAttributes(mask_) : maker_.addConstraintWithLayoutAttribute(single_);
}

void LCConstraintMaker::init(const Ref<ui::View>& view) { view_ = view; }

Ref<LCConstraintDelegate> LCConstraintMaker::asDelegate() {
  return std::static_pointer_cast<LCConstraintMaker>(self());
}

LCConstraint& LCConstraintMaker::keep(const Ref<LCConstraint>& constraint) {
  handedOut_.push_back(constraint);
  return *constraint;
}

std::vector<Ref<LCConstraint>> LCConstraintMaker::install() {
  if (removeExisting_) {
    if (auto v = view()) {
      for (const auto& c : LCViewConstraint::installedConstraintsForView(*v)) c->uninstall();
    }
  }
  std::vector<Ref<LCConstraint>> snapshot = constraints_;
  for (const auto& c : snapshot) {
    c->setUpdateExisting(updateExisting_);
    c->install();
  }
  constraints_.clear();
  return snapshot;
}

void LCConstraintMaker::constraintShouldBeReplacedWithConstraint(LCConstraint& constraint,
                                                                 const Ref<LCConstraint>& replacement) {
  auto it =
      std::find_if(constraints_.begin(), constraints_.end(), [&](const auto& c) { return c.get() == &constraint; });
  if (it != constraints_.end()) *it = replacement;
  keep(replacement);
}

Ref<LCConstraint> LCConstraintMaker::constraintAddConstraintWithLayoutAttribute(LCConstraint* constraint,
                                                                               ui::LayoutAttribute attribute) {
  auto v = view();
  auto added = rt::make<LCViewConstraint>(rt::make<LCViewAttribute>(v, attribute));
  keep(added);
  if (auto single = dynamic_cast<LCViewConstraint*>(constraint)) {
    auto composite =
        rt::make<LCCompositeConstraint>(std::vector<Ref<LCConstraint>>{single->retained(), added});
    composite->setDelegate(asDelegate());
    constraintShouldBeReplacedWithConstraint(*single, composite);
    return composite;
  }
  if (!constraint) {
    added->setDelegate(asDelegate());
    constraints_.push_back(added);
  }
  return added;
}

LCConstraint& LCConstraintMaker::addConstraintWithAttributes(LCAttributeMask mask) {
  static constexpr ui::LayoutAttribute kOrder[] = {
      ui::LayoutAttributeLeft,         ui::LayoutAttributeRight,          ui::LayoutAttributeTop,
      ui::LayoutAttributeBottom,       ui::LayoutAttributeLeading,        ui::LayoutAttributeTrailing,
      ui::LayoutAttributeWidth,        ui::LayoutAttributeHeight,         ui::LayoutAttributeCenterX,
      ui::LayoutAttributeCenterY,      ui::LayoutAttributeBaseline,       ui::LayoutAttributeLeftMargin,
      ui::LayoutAttributeRightMargin,  ui::LayoutAttributeTopMargin,      ui::LayoutAttributeBottomMargin,
      ui::LayoutAttributeLeadingMargin, ui::LayoutAttributeTrailingMargin, ui::LayoutAttributeCenterXWithinMargins,
      ui::LayoutAttributeCenterYWithinMargins};
  auto v = view();
  std::vector<Ref<LCConstraint>> children;
  for (auto a : kOrder) {
    if (mask & (LCAttributeMask{1} << a)) children.push_back(rt::make<LCViewConstraint>(rt::make<LCViewAttribute>(v, a)));
  }
  auto composite = rt::make<LCCompositeConstraint>(std::move(children));
  composite->setDelegate(asDelegate());
  constraints_.push_back(composite);
  return keep(composite);
}

LCConstraint& LCConstraintMaker::addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute) {
  return *constraintAddConstraintWithLayoutAttribute(nullptr, attribute);
}

LCConstraint& LCConstraintMaker::group(const std::function<void()>& declarations) {
  size_t start = constraints_.size();
  if (declarations) declarations();
  std::vector<Ref<LCConstraint>> members(constraints_.begin() + static_cast<std::ptrdiff_t>(std::min(start, constraints_.size())),
                                         constraints_.end());
  auto composite = rt::make<LCCompositeConstraint>(std::move(members));
  composite->setDelegate(asDelegate());
  return keep(composite);
}

}  // namespace widgets
