#pragma once
// A layout constraint: `first.attribute (relation) multiplier * second.attribute + constant`,
// or `first.attribute (relation) constant` for a width or height without a second item.
// Items are views or layout guides, held weakly (views hold their constraints). A constraint
// is active while a view holds it: activating adds it to the closest common ancestor of its
// items; a constraint whose items share no ancestor is refused with a logged reason. The
// constant and the priority may change while active; the next layout pass follows them
// incrementally. Main thread only.
#include <functional>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/layout/LayoutTypes.h"

namespace ui {

class View;

class LayoutConstraint : public rt::Object {
  RT_CLASS_NAMED(LayoutConstraint, rt::Object, "NSLayoutConstraint")
 public:
  /// The designated initialiser; subclasses are made with `rt::make<Subclass>(...)` and the
  /// same arguments. Nothing is checked here: a constraint that cannot be laid out is left out
  /// of the layout with a logged reason when it is activated or solved.
  void init(const rt::Id& firstItem, LayoutAttribute firstAttribute, LayoutRelation relation,
            const rt::Id& secondItem, LayoutAttribute secondAttribute, double multiplier, double constant);
  static Ref<LayoutConstraint> constraintWithItem(const rt::Id& firstItem, LayoutAttribute firstAttribute,
                                                  LayoutRelation relation, const rt::Id& secondItem,
                                                  LayoutAttribute secondAttribute, double multiplier,
                                                  double constant);

  rt::Id firstItem() const { return first_.lock(); }
  LayoutAttribute firstAttribute() const { return firstAttribute_; }
  LayoutRelation relation() const { return relation_; }
  /// Null for a constant alone.
  rt::Id secondItem() const { return second_.lock(); }
  LayoutAttribute secondAttribute() const { return secondAttribute_; }
  double multiplier() const { return multiplier_; }
  double constant() const { return constant_; }
  /// Takes effect at the next layout pass (or `layoutIfNeeded`, which inside a view-animation
  /// block animates the frames it changes).
  void setConstant(double constant);
  LayoutPriority priority() const { return priority_; }
  /// Clamped to 1...1000.
  void setPriority(LayoutPriority priority);
  rt::String identifier() const { return identifier_; }
  void setIdentifier(const rt::String& s) { identifier_ = s; }

  bool isActive() const { return !owner_.expired(); }
  void setActive(bool active);
  static void activateConstraints(const std::vector<Ref<LayoutConstraint>>& constraints);
  static void deactivateConstraints(const std::vector<Ref<LayoutConstraint>>& constraints);
  /// The view holding the constraint, null while inactive.
  Ref<View> owningView() const { return owner_.lock(); }

  /// The hook's text when one is set, else `defaultDescription()`.
  rt::String description() const override;
  /// "<Class:0x...> first.attribute == second.attribute * m + c ^priority" style text.
  rt::String defaultDescription() const;
  using DescriptionHook = std::function<rt::String(const LayoutConstraint&)>;
  /// Replaces the description of every constraint in the process (null restores the default).
  /// Set it once at start-up; it may be called from any thread.
  static void setDescriptionHook(DescriptionHook hook);

  // ---- for the view and the layout engine
  void setOwningView(const Ref<View>& view);
  /// Order of the last activation: the engine breaks the newest of conflicting constraints.
  uint64_t activationOrder() const { return activationOrder_; }
  /// True once: log a problem of this constraint only the first time it happens.
  bool shouldLogProblem();

 private:
  Weak<rt::Object> first_;
  Weak<rt::Object> second_;
  Weak<View> owner_;
  rt::String identifier_;
  LayoutAttribute firstAttribute_ = LayoutAttributeNotAnAttribute;
  LayoutAttribute secondAttribute_ = LayoutAttributeNotAnAttribute;
  LayoutRelation relation_ = LayoutRelationEqual;
  double multiplier_ = 1;
  double constant_ = 0;
  LayoutPriority priority_ = LayoutPriorityRequired;
  uint64_t activationOrder_ = 0;
  bool logged_ = false;
};

}  // namespace ui
