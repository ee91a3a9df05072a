#pragma once
// What a constraint asks of its owner (the maker, or a composite): to add a further attribute of
// the same view, or to put a replacement where the constraint stood. Owners are held weakly.
#include "platform/runtime/Ref.h"
#include "platform/ui/layout/LayoutTypes.h"

namespace widgets {

class LCConstraint;

class LCConstraintDelegate {
 public:
  virtual ~LCConstraintDelegate() = default;
  virtual void constraintShouldBeReplacedWithConstraint(LCConstraint& constraint,
                                                        const Ref<LCConstraint>& replacement) = 0;
  /// `constraint` is the asking one, or null when the attribute is named on the maker itself.
  virtual Ref<LCConstraint> constraintAddConstraintWithLayoutAttribute(LCConstraint* constraint,
                                                                       ui::LayoutAttribute attribute) = 0;
};

}  // namespace widgets
