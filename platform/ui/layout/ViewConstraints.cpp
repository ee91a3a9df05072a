// The view's side of constraint-based layout: the constraints it holds, its flags, priorities
// and margins. Kept apart from View.cpp so that the view's own file stays about views.
#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "platform/ui/layout/LayoutEngine.h"
#include "platform/ui/layout/ViewLayoutState.h"
#include "platform/ui/view/View.h"

namespace ui {

namespace {

bool sameConstraint(const LayoutConstraint& a, const LayoutConstraint& b) {
  return a.firstItem() == b.firstItem() && a.secondItem() == b.secondItem() &&
         a.firstAttribute() == b.firstAttribute() && a.secondAttribute() == b.secondAttribute() &&
         a.relation() == b.relation() && a.multiplier() == b.multiplier() && a.constant() == b.constant() &&
         a.priority() == b.priority();
}

bool within(const Ref<View>& item, const View* holder) { return item && item->isDescendantOfView(holder); }

}  // namespace

layout::ViewLayoutState& View::layoutState() {
  if (!layoutState_) layoutState_ = std::make_shared<layout::ViewLayoutState>();
  return *layoutState_;
}

const std::vector<Ref<LayoutConstraint>>& View::constraints() const {
  static const std::vector<Ref<LayoutConstraint>> none;
  return layoutState_ ? layoutState_->constraints : none;
}

void View::addConstraint(const Ref<LayoutConstraint>& c) {
  if (!c) return;
  auto me = std::static_pointer_cast<View>(self());
  if (c->owningView() == me) return;
  Ref<View> first = layout::layoutItemView(c->firstItem());
  Ref<View> second = c->secondItem() ? layout::layoutItemView(c->secondItem()) : first;
  if (!within(first, this) || !within(second, this)) {
    if (c->shouldLogProblem()) {
      bool common = first && second && layout::closestCommonAncestor(first.get(), second.get());
      fd::log(rt::String::format("Layout: %@ is refused: %s.", c->description(),
                                 common ? "the view it is added to does not contain its items"
                                        : "its items have no common ancestor"));
    }
    return;
  }
  if (auto old = c->owningView()) old->removeConstraint(c);
  auto& list = layoutState().constraints;
  bool duplicate = std::any_of(list.begin(), list.end(), [&](const auto& o) { return sameConstraint(*o, *c); });
  list.push_back(c);
  c->setOwningView(me);
  layout::LayoutEngine::constraintsAdded(*this, duplicate);
}

void View::addConstraints(const std::vector<Ref<LayoutConstraint>>& cs) {
  for (const auto& c : cs) addConstraint(c);
}

void View::removeConstraint(const Ref<LayoutConstraint>& c) {
  if (!c || !layoutState_) return;
  auto& list = layoutState_->constraints;
  auto it = std::find(list.begin(), list.end(), c);
  if (it == list.end()) return;
  Ref<LayoutConstraint> keep = c;
  list.erase(it);
  keep->setOwningView(nullptr);
  layout::LayoutEngine::constraintsRemoved(*this);
}

void View::removeConstraints(const std::vector<Ref<LayoutConstraint>>& cs) {
  for (const auto& c : cs) removeConstraint(c);
}

bool View::translatesAutoresizingMaskIntoConstraints() const {
  return !layoutState_ || layoutState_->translatesAutoresizingMask;
}

void View::setTranslatesAutoresizingMaskIntoConstraints(bool on) {
  if (on == translatesAutoresizingMaskIntoConstraints()) return;
  layoutState().translatesAutoresizingMask = on;
  layout::LayoutEngine::viewLayoutSettingsChanged(*this, false);
}

LayoutPriority View::contentHuggingPriorityForAxis(LayoutConstraintAxis axis) const {
  LayoutPriority p = layoutState_ ? layoutState_->hugging[int(axis)] : -1;
  if (p >= 0) return p;
  // Text and pictures hug a little harder than other views, so that they keep their size
  // beside a stretchable neighbour.
  bool hugs = dynamic_cast<const Label*>(this) || dynamic_cast<const ImageView*>(this);
  return hugs ? 251 : LayoutPriorityDefaultLow;
}

void View::setContentHuggingPriorityForAxis(LayoutPriority priority, LayoutConstraintAxis axis) {
  layoutState().hugging[int(axis)] = std::clamp(priority, 1.0f, LayoutPriorityRequired);
  layout::LayoutEngine::viewLayoutSettingsChanged(*this, true);
}

LayoutPriority View::contentCompressionResistancePriorityForAxis(LayoutConstraintAxis axis) const {
  LayoutPriority p = layoutState_ ? layoutState_->compression[int(axis)] : -1;
  return p >= 0 ? p : LayoutPriorityDefaultHigh;
}

void View::setContentCompressionResistancePriorityForAxis(LayoutPriority priority, LayoutConstraintAxis axis) {
  layoutState().compression[int(axis)] = std::clamp(priority, 1.0f, LayoutPriorityRequired);
  layout::LayoutEngine::viewLayoutSettingsChanged(*this, true);
}

gfx::EdgeInsets View::layoutMargins() const {
  return layoutState_ ? layoutState_->layoutMargins : gfx::EdgeInsets{8, 8, 8, 8};
}

void View::setLayoutMargins(gfx::EdgeInsets margins) {
  if (margins == layoutMargins()) return;
  layoutState().layoutMargins = margins;
  layout::LayoutEngine::viewLayoutSettingsChanged(*this, false);
  setNeedsLayout();
}

void View::invalidateIntrinsicContentSize() {
  if (layoutState_) layout::LayoutEngine::intrinsicSizeChanged(*this);
}

}  // namespace ui
