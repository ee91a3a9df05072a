#pragma once
// One declared relation between an attribute of a view and a second item (another view's
// attribute, a layout guide's, or a constant alone). Installing creates the platform constraint
// on the closest common superview, or in update mode edits the constant of an equivalent one
// the language installed before. Main thread only.
#include <vector>

#include "widgets/constraints/LCConstraint.h"
#include "widgets/constraints/LCLayoutConstraint.h"
#include "widgets/constraints/LCViewAttribute.h"

namespace widgets {

class LCViewConstraint : public LCConstraint {
  RT_CLASS(LCViewConstraint, LCConstraint)
 public:
  /// Relation equal, priority 1000, multiplier 1, constant 0.
  void init(const Ref<LCViewAttribute>& firstViewAttribute);

  /// Same first view attribute, constant, relation, priority, multiplier and delegate; not the
  /// second item, key, update mode or installation.
  Ref<LCViewConstraint> copyConstraint() const;
  rt::Id copy() const override { return copyConstraint(); }

  /// A snapshot of the constraints installed with the view as first item.
  static std::vector<Ref<LCViewConstraint>> installedConstraintsForView(ui::View& view);

  const Ref<LCViewAttribute>& firstViewAttribute() const { return first_; }
  const Ref<LCViewAttribute>& secondViewAttribute() const { return second_; }
  /// A view becomes that view's attribute of the same kind as the first; an LCViewAttribute is
  /// kept; a boxed value sets the constant instead; anything else changes nothing.
  void setSecondViewAttribute(const rt::Id& item);

  Ref<ui::View> installedView() const { return installedView_.lock(); }
  Ref<LCLayoutConstraint> layoutConstraint() const { return layoutConstraint_.lock(); }
  ui::LayoutRelation layoutRelation() const { return relation_; }
  void setLayoutRelation(ui::LayoutRelation relation);
  bool hasLayoutRelation() const { return hasLayoutRelation_; }
  ui::LayoutPriority layoutPriority() const { return priority_; }
  void setLayoutPriority(ui::LayoutPriority p) { priority_ = p; }
  double layoutMultiplier() const { return multiplier_; }
  void setLayoutMultiplier(double m) { multiplier_ = m; }
  double layoutConstant() const { return constant_; }
  /// Also moves the installed platform constraint at once.
  void setLayoutConstant(double constant);
  const rt::Id& lc_key() const { return key_; }
  void setLc_key(const rt::Id& key) { key_ = key; }
  bool useAnimator() const { return useAnimator_; }
  void setUseAnimator(bool on) { useAnimator_ = on; }

  bool supportsActiveProperty() const { return layoutConstraint() != nullptr; }
  bool isActive() const;
  bool hasBeenInstalled() const;

  LCConstraint& addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute) override;
  LCConstraint& multipliedBy(double multiplier) override;
  LCConstraint& dividedBy(double divider) override;
  LCConstraint& priority(ui::LayoutPriority priority) override;
  LCConstraint& equalToWithRelation(const rt::Id& target, ui::LayoutRelation relation) override;
  LCConstraint& key(const rt::Id& key) override;
  void setInsets(gfx::EdgeInsets insets) override;
  void setSizeOffset(gfx::Size size) override;
  void setCenterOffset(gfx::Point point) override;
  void setOffset(double offset) override;
  void activate() override;
  void deactivate() override;
  /// Views without a common ancestor get no constraint: the problem is logged and the
  /// constraint does not count as installed.
  void install() override;
  void uninstall() override;

  /// The newest LCLayoutConstraint held by the installed view with the same items, attributes,
  /// relation, multiplier and priority as `constraint` (the constant is not compared).
  Ref<LCLayoutConstraint> layoutConstraintSimilarTo(const ui::LayoutConstraint& constraint) const;

 private:
  Ref<LCViewAttribute> first_;
  Ref<LCViewAttribute> second_;
  Weak<ui::View> installedView_;
  Weak<LCLayoutConstraint> layoutConstraint_;
  ui::LayoutRelation relation_ = ui::LayoutRelationEqual;
  ui::LayoutPriority priority_ = ui::LayoutPriorityRequired;
  double multiplier_ = 1;
  double constant_ = 0;
  bool hasLayoutRelation_ = false;
  bool useAnimator_ = false;
  rt::Id key_;
  // A composite that took this constraint's place (target given as an array): kept alive while
  // this one lives, so the chain that continues with it never outlives it.
  Ref<LCConstraint> replacement_;
};

}  // namespace widgets
