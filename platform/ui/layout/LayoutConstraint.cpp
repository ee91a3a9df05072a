#include "platform/ui/layout/LayoutConstraint.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/foundation/Log.h"
#include "platform/ui/layout/LayoutEngine.h"
#include "platform/ui/layout/LayoutGuide.h"
#include "platform/ui/view/View.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(LayoutConstraint) {
  c.property("constant", &LayoutConstraint::constant, &LayoutConstraint::setConstant);
  c.property("multiplier", &LayoutConstraint::multiplier);
  c.property("priority", &LayoutConstraint::priority, &LayoutConstraint::setPriority);
  c.property("active", &LayoutConstraint::isActive, &LayoutConstraint::setActive).getterName("isActive");
  c.property("identifier", &LayoutConstraint::identifier, &LayoutConstraint::setIdentifier);
}

namespace {

// The process-wide description hook a component installs, and the activation counter that
// orders constraints for breaking the newest; both are the process's own, like the platform's.
struct Shared {
  std::mutex mutex;
  LayoutConstraint::DescriptionHook hook;
  std::atomic<uint64_t> activations{0};
};
Shared& shared() {
  static Shared s;
  return s;
}

const char* attributeName(int64_t a) {
  static const char* names[] = {"notAnAttribute", "left", "right", "top", "bottom", "leading", "trailing",
                                "width", "height", "centerX", "centerY", "baseline", "?", "leftMargin",
                                "rightMargin", "topMargin", "bottomMargin", "leadingMargin", "trailingMargin",
                                "centerXWithinMargins", "centerYWithinMargins"};
  return a >= 0 && a <= 20 ? names[a] : "?";
}

rt::String itemText(const rt::Id& item) {
  if (!item) return "(null)";
  return rt::String::format("%@:%p", item->className(), static_cast<const void*>(item.get()));
}

}  // namespace

void LayoutConstraint::init(const rt::Id& firstItem, LayoutAttribute firstAttribute, LayoutRelation relation,
                            const rt::Id& secondItem, LayoutAttribute secondAttribute, double multiplier,
                            double constant) {
  first_ = firstItem;
  second_ = secondItem;
  firstAttribute_ = firstAttribute;
  secondAttribute_ = secondItem ? secondAttribute : LayoutAttributeNotAnAttribute;
  relation_ = relation;
  multiplier_ = multiplier;
  constant_ = constant;
}

Ref<LayoutConstraint> LayoutConstraint::constraintWithItem(const rt::Id& firstItem, LayoutAttribute firstAttribute,
                                                           LayoutRelation relation, const rt::Id& secondItem,
                                                           LayoutAttribute secondAttribute, double multiplier,
                                                           double constant) {
  return rt::make<LayoutConstraint>(firstItem, firstAttribute, relation, secondItem, secondAttribute, multiplier,
                                    constant);
}

void LayoutConstraint::setConstant(double constant) {
  if (constant == constant_) return;
  setAndNotify("constant", constant_, constant);
  if (auto owner = owner_.lock()) {
    layout::LayoutEngine::constraintChanged(*owner, *this);
    owner->setNeedsLayout();
  }
}

void LayoutConstraint::setPriority(LayoutPriority priority) {
  priority = std::clamp(priority, 1.0f, LayoutPriorityRequired);
  if (priority == priority_) return;
  setAndNotify("priority", priority_, priority);
  if (auto owner = owner_.lock()) {
    layout::LayoutEngine::constraintChanged(*owner, *this);
    owner->setNeedsLayout();
  }
}

void LayoutConstraint::setActive(bool active) {
  if (active == isActive()) return;
  if (!active) {
    if (auto owner = owner_.lock()) owner->removeConstraint(std::static_pointer_cast<LayoutConstraint>(self()));
    return;
  }
  Ref<View> a = layout::layoutItemView(firstItem());
  Ref<View> b = secondItem() ? layout::layoutItemView(secondItem()) : a;
  Ref<View> holder = a && b ? layout::closestCommonAncestor(a.get(), b.get()) : nullptr;
  if (!holder) {
    if (shouldLogProblem())
      fd::log(rt::String::format("Layout: %@ is not activated: its items have no common ancestor.", description()));
    return;
  }
  holder->addConstraint(std::static_pointer_cast<LayoutConstraint>(self()));
}

void LayoutConstraint::activateConstraints(const std::vector<Ref<LayoutConstraint>>& constraints) {
  for (const auto& c : constraints) c->setActive(true);
}

void LayoutConstraint::deactivateConstraints(const std::vector<Ref<LayoutConstraint>>& constraints) {
  for (const auto& c : constraints) c->setActive(false);
}

void LayoutConstraint::setOwningView(const Ref<View>& view) {
  owner_ = view;
  if (view) activationOrder_ = ++shared().activations;
}

bool LayoutConstraint::shouldLogProblem() {
  if (logged_) return false;
  logged_ = true;
  return true;
}

rt::String LayoutConstraint::description() const {
  DescriptionHook hook;
  {
    std::lock_guard lock(shared().mutex);
    hook = shared().hook;
  }
  return hook ? hook(*this) : defaultDescription();
}

rt::String LayoutConstraint::defaultDescription() const {
  static const char* relations[] = {"<=", "==", ">="};
  rt::String s = rt::String::format("<%@:%p %@.%s %s", className(), static_cast<const void*>(this),
                                    itemText(firstItem()), attributeName(firstAttribute_),
                                    relations[std::clamp<int64_t>(relation_, -1, 1) + 1]);
  if (secondItem()) {
    s += rt::String::format(" %@.%s", itemText(secondItem()), attributeName(secondAttribute_));
    if (multiplier_ != 1) s += rt::String::format(" * %g", multiplier_);
    if (constant_ != 0) s += rt::String::format(" %s %g", constant_ < 0 ? "-" : "+", std::abs(constant_));
  } else {
    s += rt::String::format(" %g", constant_);
  }
  if (priority_ != LayoutPriorityRequired) s += rt::String::format(" ^%g", double(priority_));
  return s + ">";
}

void LayoutConstraint::setDescriptionHook(DescriptionHook hook) {
  std::lock_guard lock(shared().mutex);
  shared().hook = std::move(hook);
}

}  // namespace ui
