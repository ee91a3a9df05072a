#include "widgets/constraints/LCViewConstraint.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"
#include "widgets/constraints/LCCompositeConstraint.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/constraints/View+LCConstraints.h"

namespace widgets {

RT_IMPLEMENT(LCViewConstraint) {}

void LCViewConstraint::init(const Ref<LCViewAttribute>& firstViewAttribute) { first_ = firstViewAttribute; }

Ref<LCViewConstraint> LCViewConstraint::copyConstraint() const {
  auto copy = rt::make<LCViewConstraint>(first_);
  copy->constant_ = constant_;
  copy->setLayoutRelation(relation_);
  copy->priority_ = priority_;
  copy->multiplier_ = multiplier_;
  copy->setDelegate(delegate());
  return copy;
}

std::vector<Ref<LCViewConstraint>> LCViewConstraint::installedConstraintsForView(ui::View& view) {
  std::vector<Ref<LCViewConstraint>> out;
  for (const auto& o : lc_installedConstraints(view)->objects()) {
    if (auto c = rt::as<LCViewConstraint>(o)) out.push_back(c);
  }
  return out;
}

void LCViewConstraint::setSecondViewAttribute(const rt::Id& item) {
  if (rt::as<fd::ValueBox>(item)) {
    setLayoutConstantWithValue(item);
  } else if (auto view = rt::as<ui::View>(item)) {
    second_ = rt::make<LCViewAttribute>(view, first_->layoutAttribute());
  } else if (auto attribute = rt::as<LCViewAttribute>(item)) {
    second_ = attribute;
  }
}

void LCViewConstraint::setLayoutRelation(ui::LayoutRelation relation) {
  relation_ = relation;
  hasLayoutRelation_ = true;
}

void LCViewConstraint::setLayoutConstant(double constant) {
  constant_ = constant;
  if (auto c = layoutConstraint()) c->setConstant(constant);
}

bool LCViewConstraint::isActive() const {
  auto c = layoutConstraint();
  return c ? c->isActive() : true;
}

bool LCViewConstraint::hasBeenInstalled() const { return layoutConstraint() && isActive(); }

LCConstraint& LCViewConstraint::addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute) {
  auto owner = delegate();
  if (!owner) {
    rt::raise(rt::InternalInconsistencyException,
              "A constraint's attributes can only be chained while its declaring block runs.");
  }
  return *owner->constraintAddConstraintWithLayoutAttribute(this, attribute);
}

LCConstraint& LCViewConstraint::multipliedBy(double multiplier) {
  multiplier_ = multiplier;
  return *this;
}

LCConstraint& LCViewConstraint::dividedBy(double divider) {
  multiplier_ = 1.0 / divider;
  return *this;
}

LCConstraint& LCViewConstraint::priority(ui::LayoutPriority priority) {
  priority_ = priority;
  return *this;
}

LCConstraint& LCViewConstraint::key(const rt::Id& key) {
  key_ = key;
  return *this;
}

LCConstraint& LCViewConstraint::equalToWithRelation(const rt::Id& target, ui::LayoutRelation relation) {
  auto array = rt::as<fd::Array>(target);
  if (!array) {
    setLayoutRelation(relation);
    setSecondViewAttribute(target);
    return *this;
  }
  // The owner's list may hold the only reference to this constraint.
  auto keepSelf = self();
  std::vector<Ref<LCConstraint>> copies;
  for (const rt::Id& attribute : array->objects()) {
    auto copy = copyConstraint();
    copy->setLayoutRelation(relation);
    copy->setSecondViewAttribute(attribute);
    copies.push_back(copy);
  }
  auto composite = rt::make<LCCompositeConstraint>(std::move(copies));
  auto owner = delegate();
  composite->setDelegate(owner);
  replacement_ = composite;
  if (owner) owner->constraintShouldBeReplacedWithConstraint(*this, composite);
  return *composite;
}

void LCViewConstraint::setInsets(gfx::EdgeInsets insets) {
  switch (first_->layoutAttribute()) {
    case ui::LayoutAttributeLeft:
    case ui::LayoutAttributeLeading:
      setLayoutConstant(insets.left);
      break;
    case ui::LayoutAttributeRight:
    case ui::LayoutAttributeTrailing:
      setLayoutConstant(-insets.right);
      break;
    case ui::LayoutAttributeTop:
      setLayoutConstant(insets.top);
      break;
    case ui::LayoutAttributeBottom:
      setLayoutConstant(-insets.bottom);
      break;
    default:
      break;
  }
}

void LCViewConstraint::setSizeOffset(gfx::Size size) {
  if (first_->layoutAttribute() == ui::LayoutAttributeWidth) setLayoutConstant(size.width);
  else if (first_->layoutAttribute() == ui::LayoutAttributeHeight) setLayoutConstant(size.height);
}

void LCViewConstraint::setCenterOffset(gfx::Point point) {
  if (first_->layoutAttribute() == ui::LayoutAttributeCenterX) setLayoutConstant(point.x);
  else if (first_->layoutAttribute() == ui::LayoutAttributeCenterY) setLayoutConstant(point.y);
}

void LCViewConstraint::setOffset(double offset) { setLayoutConstant(offset); }

void LCViewConstraint::install() {
  if (hasBeenInstalled()) return;
  Ref<ui::View> firstView = first_->view();
  if (!firstView) return;
  rt::Id firstItem = first_->item();
  ui::LayoutAttribute firstAttribute = first_->layoutAttribute();
  rt::Id secondItem = second_ ? second_->item() : nullptr;
  ui::LayoutAttribute secondAttribute = second_ ? second_->layoutAttribute() : ui::LayoutAttributeNotAnAttribute;
  // An alignment declared with only a constant is relative to the same edge of the superview.
  if (!first_->isSizeAttribute() && !second_) {
    secondItem = firstView->superview();
    secondAttribute = firstAttribute;
  }
  auto constraint = rt::make<LCLayoutConstraint>(firstItem, firstAttribute, relation_, secondItem, secondAttribute,
                                                 multiplier_, constant_);
  constraint->setPriority(priority_);
  constraint->setLc_key(key_);

  Ref<ui::View> holder;
  if (second_ && second_->view()) holder = lc_closestCommonSuperview(*firstView, second_->view());
  else if (first_->isSizeAttribute()) holder = firstView;
  else holder = firstView->superview();
  installedView_ = holder;

  if (updateExisting() && holder) {
    if (auto existing = layoutConstraintSimilarTo(*constraint)) {
      existing->setConstant(constraint->constant());
      layoutConstraint_ = existing;
      return;
    }
  }
  if (!holder) {
    fd::log(rt::String::format("Constraint language: %@ is not installed: %s.", constraint->description(),
                               second_ ? "its views share no ancestor" : "its view has no superview"));
    return;
  }
  holder->addConstraint(constraint);
  // The platform refuses (and logs) a constraint whose items the holder does not contain.
  if (constraint->owningView() != holder) return;
  layoutConstraint_ = constraint;
  lc_installedConstraints(*firstView)->addObject(self());
}

Ref<LCLayoutConstraint> LCViewConstraint::layoutConstraintSimilarTo(const ui::LayoutConstraint& n) const {
  auto holder = installedView();
  if (!holder) return nullptr;
  const auto& held = holder->constraints();
  for (auto it = held.rbegin(); it != held.rend(); ++it) {
    auto c = rt::as<LCLayoutConstraint>(*it);
    if (!c) continue;
    if (c->firstItem() != n.firstItem() || c->secondItem() != n.secondItem()) continue;
    if (c->firstAttribute() != n.firstAttribute() || c->secondAttribute() != n.secondAttribute()) continue;
    if (c->relation() != n.relation() || c->multiplier() != n.multiplier() || c->priority() != n.priority()) continue;
    return c;
  }
  return nullptr;
}

void LCViewConstraint::uninstall() {
  if (auto holder = installedView()) {
    if (auto c = layoutConstraint()) holder->removeConstraint(c);
  }
  layoutConstraint_.reset();
  installedView_.reset();
  if (auto view = first_->view()) lc_installedConstraints(*view)->removeObject(self());
}

void LCViewConstraint::activate() {
  auto c = layoutConstraint();
  if (!c) {
    install();
    return;
  }
  if (hasBeenInstalled()) return;
  c->setActive(true);
  if (auto view = first_->view()) lc_installedConstraints(*view)->addObject(self());
}

void LCViewConstraint::deactivate() {
  auto c = layoutConstraint();
  if (!c) {
    uninstall();
    return;
  }
  auto keepSelf = self();
  c->setActive(false);
  if (auto view = first_->view()) lc_installedConstraints(*view)->removeObject(self());
}

}  // namespace widgets
