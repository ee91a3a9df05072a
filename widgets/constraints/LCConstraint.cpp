#include "widgets/constraints/LCConstraint.h"

#include <cstring>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"

namespace widgets {

RT_IMPLEMENT(LCConstraint) {}

void LCConstraint::mustOverride(const char* selector) {
  rt::raiseFormat(rt::InternalInconsistencyException, "You must override %@ in a subclass.", rt::String(selector));
}

LCConstraint& LCConstraint::insets(gfx::EdgeInsets insets) {
  setInsets(insets);
  return *this;
}

LCConstraint& LCConstraint::sizeOffset(gfx::Size size) {
  setSizeOffset(size);
  return *this;
}

LCConstraint& LCConstraint::centerOffset(gfx::Point point) {
  setCenterOffset(point);
  return *this;
}

LCConstraint& LCConstraint::offset(double offset) {
  setOffset(offset);
  return *this;
}

LCConstraint& LCConstraint::valueOffset(const rt::Id& value) {
  setLayoutConstantWithValue(value);
  return *this;
}

void LCConstraint::setLayoutConstantWithValue(const rt::Id& value) {
  if (auto number = rt::as<fd::Number>(value)) {
    setOffset(number->doubleValue());
    return;
  }
  auto box = rt::as<fd::ValueBox>(value);
  if (!box) return;
  gfx::Point point;
  gfx::Size size;
  gfx::EdgeInsets insets;
  if (box->get(point)) setCenterOffset(point);
  else if (box->get(size)) setSizeOffset(size);
  else if (box->get(insets)) setInsets(insets);
}

LCConstraint& LCConstraint::addConstraintWithLayoutAttribute(ui::LayoutAttribute) {
  mustOverride("addConstraintWithLayoutAttribute:");
}
LCConstraint& LCConstraint::multipliedBy(double) { mustOverride("multipliedBy"); }
LCConstraint& LCConstraint::dividedBy(double) { mustOverride("dividedBy"); }
LCConstraint& LCConstraint::priority(ui::LayoutPriority) { mustOverride("priority"); }
LCConstraint& LCConstraint::equalToWithRelation(const rt::Id&, ui::LayoutRelation) {
  mustOverride("equalToWithRelation");
}
LCConstraint& LCConstraint::key(const rt::Id&) { mustOverride("key"); }
void LCConstraint::setInsets(gfx::EdgeInsets) { mustOverride("setInsets:"); }
void LCConstraint::setSizeOffset(gfx::Size) { mustOverride("setSizeOffset:"); }
void LCConstraint::setCenterOffset(gfx::Point) { mustOverride("setCenterOffset:"); }
void LCConstraint::setOffset(double) { mustOverride("setOffset:"); }
void LCConstraint::activate() { mustOverride("activate"); }
void LCConstraint::deactivate() { mustOverride("deactivate"); }
void LCConstraint::install() { mustOverride("install"); }
void LCConstraint::uninstall() { mustOverride("uninstall"); }

}  // namespace widgets
