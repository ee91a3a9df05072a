#pragma once
// Several constraints acting as one in a declaration (edges, size, center, a group, two
// attributes chained together, a target given as an array): whatever is chained onto the
// composite is passed to each child. Main thread only.
#include <vector>

#include "widgets/constraints/LCConstraint.h"
#include "widgets/constraints/LCConstraintDelegate.h"

namespace widgets {

class LCCompositeConstraint : public LCConstraint, public LCConstraintDelegate {
  RT_CLASS(LCCompositeConstraint, LCConstraint)
 public:
  /// Makes itself the delegate of each child.
  void init(std::vector<Ref<LCConstraint>> children);

  const std::vector<Ref<LCConstraint>>& childConstraints() const { return children_; }
  const rt::Id& lc_key() const { return key_; }
  void setLc_key(const rt::Id& key) { key_ = key; }

  void constraintShouldBeReplacedWithConstraint(LCConstraint& constraint,
                                                const Ref<LCConstraint>& replacement) override;
  /// Asks its own delegate for the attribute, adopts the new constraint and answers it.
  Ref<LCConstraint> constraintAddConstraintWithLayoutAttribute(LCConstraint* constraint,
                                                               ui::LayoutAttribute attribute) override;

  /// Widens the composite and answers it.
  LCConstraint& addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute) override;
  LCConstraint& multipliedBy(double multiplier) override;
  LCConstraint& dividedBy(double divider) override;
  LCConstraint& priority(ui::LayoutPriority priority) override;
  LCConstraint& equalToWithRelation(const rt::Id& target, ui::LayoutRelation relation) override;
  /// The composite keeps the key; child i gets "key[i]".
  LCConstraint& key(const rt::Id& key) override;
  void setInsets(gfx::EdgeInsets insets) override;
  void setSizeOffset(gfx::Size size) override;
  void setCenterOffset(gfx::Point point) override;
  void setOffset(double offset) override;
  void activate() override;
  void deactivate() override;
  void install() override;
  void uninstall() override;

 private:
  Ref<LCCompositeConstraint> me() { return std::static_pointer_cast<LCCompositeConstraint>(self()); }
  template <class F> void each(F f) {
    auto snapshot = children_;
    for (auto& c : snapshot) f(*c);
  }

  std::vector<Ref<LCConstraint>> children_;
  rt::Id key_;
};

}  // namespace widgets
