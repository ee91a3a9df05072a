#pragma once
// Small helpers shared by the layout engine's sources; not for use elsewhere.
#include <cmath>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layout/SimplexSolver.h"
#include "platform/ui/layout/ViewLayoutState.h"
#include "platform/ui/view/View.h"

namespace ui::layout::detail {

inline Ref<View> viewRef(View& v) { return std::static_pointer_cast<View>(v.self()); }

inline bool touchesLayout(const View& v) {
  if (auto* state = v.layoutStateIfAny())
    if (!state->constraints.empty() || state->engine || !state->memberOf.expired()) return true;
  for (const auto& s : v.subviews())
    if (touchesLayout(*s)) return true;
  return false;
}

inline Ref<View> rootOf(View& v) {
  Ref<View> cur = viewRef(v);
  while (auto s = cur->superview()) cur = std::move(s);
  return cur;
}

// A label that wraps without a preferred width: its height follows the width it is given.
inline bool isWidthDependent(const View& v) {
  auto* label = dynamic_cast<const Label*>(&v);
  return label && label->numberOfLines() != 1 && label->preferredMaxLayoutWidth() <= 0;
}

inline Ref<Label> baselineLabel(const rt::Id& item) {
  if (auto label = std::dynamic_pointer_cast<Label>(item)) return label;
  if (auto button = std::dynamic_pointer_cast<Button>(item))
    if (button->titleLabel() && !button->titleLabel()->text().isEmpty()) return button->titleLabel();
  return nullptr;
}

// Solver noise below a millionth of a point is not a layout.
inline double clean(double v) {
  double r = std::round(v);
  return std::abs(v - r) < 1e-6 ? r : v;
}

// Where the view's frame would be without its transform: its bounds' size about its centre.
inline gfx::Rect untransformedFrame(const View& v) {
  gfx::Size size = v.bounds().size;
  gfx::Point c = v.center();
  return {{c.x - size.width / 2, c.y - size.height / 2}, size};
}

inline bool differs(gfx::Rect a, gfx::Rect b) {
  return std::abs(a.origin.x - b.origin.x) > 1e-9 || std::abs(a.origin.y - b.origin.y) > 1e-9 ||
         std::abs(a.size.width - b.size.width) > 1e-9 || std::abs(a.size.height - b.size.height) > 1e-9;
}

inline SimplexSolver::Relation relationOf(LayoutRelation r) {
  if (r == LayoutRelationLessThanOrEqual) return SimplexSolver::Relation::LessOrEqual;
  if (r == LayoutRelationGreaterThanOrEqual) return SimplexSolver::Relation::GreaterOrEqual;
  return SimplexSolver::Relation::Equal;
}

}  // namespace ui::layout::detail
