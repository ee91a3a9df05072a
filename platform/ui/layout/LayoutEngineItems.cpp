// Items (views and guides) as solver variables, and constraints as expressions over them.
#include "platform/ui/layout/LayoutEngine.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "platform/ui/layout/LayoutEngineSupport.h"
#include "platform/ui/layout/LayoutGuide.h"
#include "platform/ui/view/View.h"

namespace ui::layout {

using namespace detail;

bool LayoutEngine::buildExpression(const LayoutConstraint& c, Expr& out, const char** problem) {
  rt::Id first = c.firstItem(), second = c.secondItem();
  LayoutAttribute a1 = c.firstAttribute(), a2 = c.secondAttribute();
  if (!first) {
    *problem = "its first item is gone";
    return false;
  }
  if (!isLayoutAttribute(a1) || (second && !isLayoutAttribute(a2))) {
    *problem = "it names an attribute that does not exist";
    return false;
  }
  if (!second && !isSizeAttribute(a1)) {
    *problem = "a position needs a second item to be relative to";
    return false;
  }
  if (second && isSizeAttribute(a1) != isSizeAttribute(a2)) {
    *problem = "it relates a size to a position";
    return false;
  }
  if (second && !isSizeAttribute(a1) && isHorizontalAttribute(a1) != isHorizontalAttribute(a2)) {
    *problem = "it relates a horizontal position to a vertical one";
    return false;
  }
  Ref<View> v1 = layoutItemView(first);
  Ref<View> v2 = second ? layoutItemView(second) : v1;
  if (!v1 || !v2) {
    *problem = "an item is neither a view nor a layout guide";
    return false;
  }
  Ref<View> ancestor = closestCommonAncestor(v1.get(), v2.get());
  Ref<View> holder = c.owningView();
  // Items moved out from under the view holding the constraint: silently out until they return.
  if (!ancestor || !holder || !ancestor->isDescendantOfView(holder.get())) return false;
  if (!appendAttribute(out, first, a1, ancestor.get(), 1.0)) return false;
  if (second && !appendAttribute(out, second, a2, ancestor.get(), -c.multiplier())) return false;
  out.constant -= c.constant();
  return true;
}

bool LayoutEngine::appendOrigin(Expr& e, const rt::Id& item, const View* ancestor, bool horizontal, double k) {
  if (item.get() == ancestor) return true;
  Item* it = ensureItem(item);
  e.terms.push_back({horizontal ? it->x : it->y, k});
  Ref<View> p;
  if (auto g = std::dynamic_pointer_cast<LayoutGuide>(item))
    p = g->owningView();
  else
    p = std::static_pointer_cast<View>(item)->superview();
  while (p && p.get() != ancestor) {
    Item* pi = ensureItem(p);
    e.terms.push_back({horizontal ? pi->x : pi->y, k});
    p = p->superview();
  }
  return p != nullptr;
}

bool LayoutEngine::appendAttribute(Expr& e, const rt::Id& item, LayoutAttribute a, const View* ancestor, double k) {
  bool horizontal = isHorizontalAttribute(a);
  Item* it = ensureItem(item);
  Var length = horizontal ? it->w : it->h;
  if (isSizeAttribute(a)) {
    e.terms.push_back({length, k});
    return true;
  }
  if (!appendOrigin(e, item, ancestor, horizontal, k)) return false;
  gfx::EdgeInsets m;
  if (auto v = std::dynamic_pointer_cast<View>(item)) m = v->layoutMargins();
  switch (a) {
    case LayoutAttributeRight: case LayoutAttributeTrailing: case LayoutAttributeBottom:
      e.terms.push_back({length, k});
      break;
    case LayoutAttributeCenterX: case LayoutAttributeCenterY:
      e.terms.push_back({length, 0.5 * k});
      break;
    case LayoutAttributeBaseline:
      // The last baseline: a label centres its text vertically, so the baseline sits half the
      // text's height below the middle, less the font's descent; other views use the bottom.
      // A button's baseline is its title's, centred the same way.
      if (auto label = baselineLabel(item); label && label->font()) {
        double textHeight = label->sizeThatFits({label->bounds().size.width, 0}).height;
        e.terms.push_back({length, 0.5 * k});
        e.constant += k * (0.5 * textHeight - label->font()->descent());
      } else {
        e.terms.push_back({length, k});
      }
      break;
    case LayoutAttributeLeftMargin: case LayoutAttributeLeadingMargin:
      e.constant += k * m.left;
      break;
    case LayoutAttributeRightMargin: case LayoutAttributeTrailingMargin:
      e.terms.push_back({length, k});
      e.constant -= k * m.right;
      break;
    case LayoutAttributeTopMargin:
      e.constant += k * m.top;
      break;
    case LayoutAttributeBottomMargin:
      e.terms.push_back({length, k});
      e.constant -= k * m.bottom;
      break;
    case LayoutAttributeCenterXWithinMargins:
      e.terms.push_back({length, 0.5 * k});
      e.constant += k * 0.5 * (m.left - m.right);
      break;
    case LayoutAttributeCenterYWithinMargins:
      e.terms.push_back({length, 0.5 * k});
      e.constant += k * 0.5 * (m.top - m.bottom);
      break;
    default:  // left, leading, top: the origin itself
      break;
  }
  return true;
}

// ---- items

LayoutEngine::Item* LayoutEngine::ensureItem(const rt::Id& object) {
  auto [it, inserted] = items_.try_emplace(object.get());
  Item* item = &it->second;
  if (!inserted && item->object.lock() != object) {  // a gone item's address, used again
    for (auto& id : item->fix)
      if (id) solver_->removeConstraint(*id);
    for (auto& id : item->intrinsic)
      if (id) solver_->removeConstraint(*id);
    *item = Item{};
    inserted = true;
  }
  ++item->references;
  if (building_) building_->items.push_back(object.get());
  if (inserted) setUpItem(*item, object);
  return item;
}

void LayoutEngine::setUpItem(Item& item, const rt::Id& object) {
  item.object = object;
  item.x = solver_->newVariable();
  item.y = solver_->newVariable();
  item.w = solver_->newVariable();
  item.h = solver_->newVariable();
  if (auto guide = std::dynamic_pointer_cast<LayoutGuide>(object)) {
    item.kind = ItemKind::Guide;
    // The guide holds its owning view's item itself (released with the guide).
    Entry* building = building_;
    building_ = nullptr;
    Item* owner = ensureItem(guide->owningView());
    building_ = building;
    item.baseW = owner->w;
    item.baseH = owner->h;
    holdFixed(item, fixedValues(item, *object));
    return;
  }
  auto view = std::static_pointer_cast<View>(object);
  view->layoutState().memberOf = weak_from_this();
  auto root = root_.lock();
  if (view->translatesAutoresizingMaskIntoConstraints() || view == root || !view->superview()) {
    item.kind = ItemKind::Fixed;
    holdFixed(item, fixedValues(item, *object));
    return;
  }
  item.kind = ItemKind::Free;
  item.widthDependent = isWidthDependent(*view);
  refreshIntrinsic(item, *view, view->bounds().size.width);
}

// Held items: x, y, w, h each equal to a value, required. A guide's width follows its view's
// width and a bottom guide's y its view's height: `y = view.h - length`.
void LayoutEngine::holdFixed(Item& item, const std::array<double, 4>& values) {
  Var vars[4] = {item.x, item.y, item.w, item.h};
  for (int i = 0; i < 4; ++i) {
    Expr e;
    e.terms.push_back({vars[i], 1.0});
    if (item.kind == ItemKind::Guide && i == 2) e.terms.push_back({item.baseW, -1.0});
    if (item.kind == ItemKind::Guide && i == 1 && item.bottomGuide) e.terms.push_back({item.baseH, -1.0});
    e.constant = -values[i];
    item.fix[i] = solver_->addConstraint(e, SimplexSolver::Relation::Equal, LayoutPriorityRequired);
    item.fixedAt[i] = values[i];
  }
}

std::array<double, 4> LayoutEngine::fixedValues(Item& item, const rt::Object& object) const {
  if (auto* guide = dynamic_cast<const LayoutGuide*>(&object)) {
    double len = guide->length();
    item.bottomGuide = guide->edge() == LayoutGuide::Edge::Bottom;
    return {0, item.bottomGuide ? -len : 0, 0, len};
  }
  gfx::Rect f = untransformedFrame(static_cast<const View&>(object));
  return {f.origin.x, f.origin.y, f.size.width, f.size.height};
}

bool LayoutEngine::refreshFixed() {
  bool changed = false;
  for (auto& [key, item] : items_) {
    if (item.kind == ItemKind::Free) continue;
    auto object = item.object.lock();
    if (!object) continue;
    auto values = fixedValues(item, *object);
    for (int i = 0; i < 4; ++i) {
      if (values[i] == item.fixedAt[i] || !item.fix[i]) continue;
      if (solver_->changeConstant(*item.fix[i], -values[i])) {
        item.fixedAt[i] = values[i];
        changed = true;
      } else if (auto v = std::dynamic_pointer_cast<View>(object)) {
        fd::log(rt::String::format("Layout: the frame of %@ contradicts required constraints; it is kept as laid out.",
                                   v->description()));
        item.fixedAt[i] = values[i];
      }
    }
  }
  return changed;
}

void LayoutEngine::refreshIntrinsic(Item& item, View& view, double widthHint) {
  gfx::Size size;
  if (item.widthDependent) {
    auto& label = static_cast<Label&>(view);
    double w = widthHint > 0 ? widthHint : 0;
    size.width = label.sizeThatFits({0, 0}).width;
    size.height = label.sizeThatFits({w, 0}).height;
    item.measuredAtWidth = widthHint;
  } else {
    size = view.intrinsicContentSize();
  }
  item.intrinsicDirty = false;
  LayoutPriority hugW = view.contentHuggingPriorityForAxis(LayoutConstraintAxis::Horizontal);
  LayoutPriority hugH = view.contentHuggingPriorityForAxis(LayoutConstraintAxis::Vertical);
  LayoutPriority compW = view.contentCompressionResistancePriorityForAxis(LayoutConstraintAxis::Horizontal);
  LayoutPriority compH = view.contentCompressionResistancePriorityForAxis(LayoutConstraintAxis::Vertical);
  const double metrics[4] = {size.width, size.width, size.height, size.height};
  const LayoutPriority priorities[4] = {hugW, compW, hugH, compH};
  const Var vars[4] = {item.w, item.w, item.h, item.h};
  for (int i = 0; i < 4; ++i) {
    auto& id = item.intrinsic[i];
    if (metrics[i] < 0) {
      if (id) solver_->removeConstraint(*id);
      id.reset();
      continue;
    }
    if (id && item.intrinsicPriority[i] == priorities[i]) {
      if (item.intrinsicAt[i] == metrics[i]) continue;
      if (solver_->changeConstant(*id, -metrics[i])) {
        item.intrinsicAt[i] = metrics[i];
        continue;
      }
    }
    if (id) solver_->removeConstraint(*id);
    Expr e;
    e.terms.push_back({vars[i], 1.0});
    e.constant = -metrics[i];
    // Even entries hug (size <= intrinsic), odd ones resist compression (size >= intrinsic).
    auto rel = i % 2 == 0 ? SimplexSolver::Relation::LessOrEqual : SimplexSolver::Relation::GreaterOrEqual;
    id = solver_->addConstraint(e, rel, priorities[i]);
    item.intrinsicAt[i] = metrics[i];
    item.intrinsicPriority[i] = priorities[i];
  }
}

void LayoutEngine::releaseItem(const rt::Object* key) {
  auto it = items_.find(key);
  if (it == items_.end() || --it->second.references > 0) return;
  Item& item = it->second;
  for (auto& id : item.fix)
    if (id) solver_->removeConstraint(*id);
  for (auto& id : item.intrinsic)
    if (id) solver_->removeConstraint(*id);
  auto object = item.object.lock();
  if (auto v = std::dynamic_pointer_cast<View>(object))
    if (auto* s = v->layoutStateIfAny()) s->memberOf.reset();
  bool guide = item.kind == ItemKind::Guide;
  items_.erase(it);
  // A guide holds its owning view's item.
  if (guide && object)
    if (auto owner = std::static_pointer_cast<LayoutGuide>(object)->owningView()) releaseItem(owner.get());
  relaxed_ = true;
}

}  // namespace ui::layout
