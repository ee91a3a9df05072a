#include "widgets/constraints/LCCompositeConstraint.h"

#include <algorithm>

#include "platform/foundation/text/StringObject.h"
#include "platform/runtime/Exception.h"

namespace widgets {

RT_IMPLEMENT(LCCompositeConstraint) {}

void LCCompositeConstraint::init(std::vector<Ref<LCConstraint>> children) {
  children_ = std::move(children);
  // Called from `make`, after the object is owned: the children can name it as delegate.
  for (auto& c : children_) c->setDelegate(me());
}

void LCCompositeConstraint::constraintShouldBeReplacedWithConstraint(LCConstraint& constraint,
                                                                     const Ref<LCConstraint>& replacement) {
  auto it = std::find_if(children_.begin(), children_.end(), [&](const auto& c) { return c.get() == &constraint; });
  if (it != children_.end()) *it = replacement;
}

Ref<LCConstraint> LCCompositeConstraint::constraintAddConstraintWithLayoutAttribute(LCConstraint*,
                                                                                   ui::LayoutAttribute attribute) {
  auto owner = delegate();
  if (!owner) {
    rt::raise(rt::InternalInconsistencyException,
              "A constraint's attributes can only be chained while its declaring block runs.");
  }
  Ref<LCConstraint> added = owner->constraintAddConstraintWithLayoutAttribute(this, attribute);
  added->setDelegate(me());
  children_.push_back(added);
  return added;
}

LCConstraint& LCCompositeConstraint::addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute) {
  constraintAddConstraintWithLayoutAttribute(this, attribute);
  return *this;
}

LCConstraint& LCCompositeConstraint::multipliedBy(double multiplier) {
  each([&](LCConstraint& c) { c.multipliedBy(multiplier); });
  return *this;
}

LCConstraint& LCCompositeConstraint::dividedBy(double divider) {
  each([&](LCConstraint& c) { c.dividedBy(divider); });
  return *this;
}

LCConstraint& LCCompositeConstraint::priority(ui::LayoutPriority priority) {
  each([&](LCConstraint& c) { c.priority(priority); });
  return *this;
}

LCConstraint& LCCompositeConstraint::equalToWithRelation(const rt::Id& target, ui::LayoutRelation relation) {
  // A child given an array replaces itself among the children: go through a snapshot.
  each([&](LCConstraint& c) { c.equalToWithRelation(target, relation); });
  return *this;
}

LCConstraint& LCCompositeConstraint::key(const rt::Id& key) {
  key_ = key;
  auto snapshot = children_;
  for (size_t i = 0; i < snapshot.size(); ++i) {
    snapshot[i]->key(fd::StringObject::create(rt::String::format("%@[%d]", key, static_cast<int64_t>(i))));
  }
  return *this;
}

void LCCompositeConstraint::setInsets(gfx::EdgeInsets insets) {
  each([&](LCConstraint& c) { c.setInsets(insets); });
}
void LCCompositeConstraint::setSizeOffset(gfx::Size size) {
  each([&](LCConstraint& c) { c.setSizeOffset(size); });
}
void LCCompositeConstraint::setCenterOffset(gfx::Point point) {
  each([&](LCConstraint& c) { c.setCenterOffset(point); });
}
void LCCompositeConstraint::setOffset(double offset) {
  each([&](LCConstraint& c) { c.setOffset(offset); });
}
void LCCompositeConstraint::activate() {
  each([](LCConstraint& c) { c.activate(); });
}
void LCCompositeConstraint::deactivate() {
  each([](LCConstraint& c) { c.deactivate(); });
}
void LCCompositeConstraint::uninstall() {
  each([](LCConstraint& c) { c.uninstall(); });
}

void LCCompositeConstraint::install() {
  each([this](LCConstraint& c) {
    c.setUpdateExisting(updateExisting());
    c.install();
  });
}

}  // namespace widgets
