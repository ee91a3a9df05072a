#pragma once
// The chained form of a constraint declaration: every member records something and answers the
// constraint again, so that `make.top.equalTo(view).offset(10)` reads as one statement. Single
// constraints (LCViewConstraint) and groups (LCCompositeConstraint) implement the primitives;
// this base raises for them. Main thread only. A chain call may answer a replacement (a target
// that is an array turns a constraint into a composite); its owner keeps it alive.
#include <functional>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/layout/LayoutTypes.h"
#include "widgets/constraints/LCConstraintDelegate.h"

namespace widgets {

class LCConstraint;
using ConstraintTargetBlock = std::function<LCConstraint&(const rt::Id&)>;
using ConstraintOffsetBlock = std::function<LCConstraint&(double)>;

class LCConstraint : public rt::Object {
  RT_CLASS(LCConstraint, rt::Object)
 public:
  /// The constraint as a strong reference, to keep it past its declaring block.
  Ref<LCConstraint> retained() { return std::static_pointer_cast<LCConstraint>(self()); }

  // ---- relations: the target is a view, an LCViewAttribute, an array of either, or a boxed
  // number, size, point or insets (fd::box(20), fd::ValueBox::valueWith(gfx::Size{...})).
  LCConstraint& equalTo(const rt::Id& target) { return equalToWithRelation(target, ui::LayoutRelationEqual); }
  LCConstraint& lc_equalTo(const rt::Id& target) { return equalTo(target); }
  LCConstraint& greaterThanOrEqualTo(const rt::Id& target) {
    return equalToWithRelation(target, ui::LayoutRelationGreaterThanOrEqual);
  }
  LCConstraint& lc_greaterThanOrEqualTo(const rt::Id& target) { return greaterThanOrEqualTo(target); }
  LCConstraint& lessThanOrEqualTo(const rt::Id& target) {
    return equalToWithRelation(target, ui::LayoutRelationLessThanOrEqual);
  }
  LCConstraint& lc_lessThanOrEqualTo(const rt::Id& target) { return lessThanOrEqualTo(target); }

  // ---- priorities (the last one set wins)
  LCConstraint& priorityLow() { return priority(ui::LayoutPriorityDefaultLow); }
  LCConstraint& priorityMedium() { return priority(ui::LayoutPriorityMedium); }
  LCConstraint& priorityHigh() { return priority(ui::LayoutPriorityDefaultHigh); }

  // ---- constants, applied by the attribute each constraint has (see LCViewConstraint)
  LCConstraint& insets(gfx::EdgeInsets insets);
  LCConstraint& sizeOffset(gfx::Size size);
  LCConstraint& centerOffset(gfx::Point point);
  LCConstraint& offset(double offset);
  LCConstraint& valueOffset(const rt::Id& value);
  /// A name only: answers no block (calling it is the caller's error).
  ConstraintOffsetBlock lc_offset() const { return nullptr; }
  /// A number sets the offset; a boxed point, size or insets sets those; anything else is ignored.
  void setLayoutConstantWithValue(const rt::Id& value);

  // ---- words that only make a chain read naturally (`and` is a C++ keyword)
  LCConstraint& with() { return *this; }
  LCConstraint& and_() { return *this; }

  // ---- a further attribute of the same view: the chain continues with a composite of both
  LCConstraint& left() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeLeft); }
  LCConstraint& top() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeTop); }
  LCConstraint& right() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeRight); }
  LCConstraint& bottom() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeBottom); }
  LCConstraint& leading() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeLeading); }
  LCConstraint& trailing() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeTrailing); }
  LCConstraint& width() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeWidth); }
  LCConstraint& height() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeHeight); }
  LCConstraint& centerX() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeCenterX); }
  LCConstraint& centerY() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeCenterY); }
  LCConstraint& baseline() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeBaseline); }
  LCConstraint& leftMargin() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeLeftMargin); }
  LCConstraint& rightMargin() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeRightMargin); }
  LCConstraint& topMargin() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeTopMargin); }
  LCConstraint& bottomMargin() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeBottomMargin); }
  LCConstraint& leadingMargin() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeLeadingMargin); }
  LCConstraint& trailingMargin() { return addConstraintWithLayoutAttribute(ui::LayoutAttributeTrailingMargin); }
  LCConstraint& centerXWithinMargins() {
    return addConstraintWithLayoutAttribute(ui::LayoutAttributeCenterXWithinMargins);
  }
  LCConstraint& centerYWithinMargins() {
    return addConstraintWithLayoutAttribute(ui::LayoutAttributeCenterYWithinMargins);
  }

  // ---- primitives: each raises NSInternalInconsistencyException here
  virtual LCConstraint& addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute);
  virtual LCConstraint& multipliedBy(double multiplier);
  virtual LCConstraint& dividedBy(double divider);
  virtual LCConstraint& priority(ui::LayoutPriority priority);
  virtual LCConstraint& equalToWithRelation(const rt::Id& target, ui::LayoutRelation relation);
  /// A debug label, shown by constraint descriptions.
  virtual LCConstraint& key(const rt::Id& key);
  virtual void setInsets(gfx::EdgeInsets insets);
  virtual void setSizeOffset(gfx::Size size);
  virtual void setCenterOffset(gfx::Point point);
  virtual void setOffset(double offset);
  virtual void activate();
  virtual void deactivate();
  virtual void install();
  virtual void uninstall();

  bool updateExisting() const { return updateExisting_; }
  void setUpdateExisting(bool on) { updateExisting_ = on; }
  Ref<LCConstraintDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const Ref<LCConstraintDelegate>& delegate) { delegate_ = delegate; }

 protected:
  [[noreturn]] static void mustOverride(const char* selector);

 private:
  bool updateExisting_ = false;
  Weak<LCConstraintDelegate> delegate_;
};

}  // namespace widgets
