#include "platform/ui/layout/LayoutEngine.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "platform/ui/layout/LayoutGuide.h"
#include "platform/ui/view/View.h"

namespace ui::layout {

namespace {

Ref<View> viewRef(View& v) { return std::static_pointer_cast<View>(v.self()); }

bool touchesLayout(const View& v) {
  if (auto* state = v.layoutStateIfAny())
    if (!state->constraints.empty() || state->engine || !state->memberOf.expired()) return true;
  for (const auto& s : v.subviews())
    if (touchesLayout(*s)) return true;
  return false;
}

Ref<View> rootOf(View& v) {
  Ref<View> cur = viewRef(v);
  while (auto s = cur->superview()) cur = std::move(s);
  return cur;
}

// A label that wraps without a preferred width: its height follows the width it is given.
bool isWidthDependent(const View& v) {
  auto* label = dynamic_cast<const Label*>(&v);
  return label && label->numberOfLines() != 1 && label->preferredMaxLayoutWidth() <= 0;
}

Ref<Label> baselineLabel(const rt::Id& item) {
  if (auto label = std::dynamic_pointer_cast<Label>(item)) return label;
  if (auto button = std::dynamic_pointer_cast<Button>(item))
    if (button->titleLabel() && !button->titleLabel()->text().isEmpty()) return button->titleLabel();
  return nullptr;
}

// Solver noise below a millionth of a point is not a layout.
double clean(double v) {
  double r = std::round(v);
  return std::abs(v - r) < 1e-6 ? r : v;
}

// Where the view's frame would be without its transform: its bounds' size about its centre.
gfx::Rect untransformedFrame(const View& v) {
  gfx::Size size = v.bounds().size;
  gfx::Point c = v.center();
  return {{c.x - size.width / 2, c.y - size.height / 2}, size};
}

bool differs(gfx::Rect a, gfx::Rect b) {
  return std::abs(a.origin.x - b.origin.x) > 1e-9 || std::abs(a.origin.y - b.origin.y) > 1e-9 ||
         std::abs(a.size.width - b.size.width) > 1e-9 || std::abs(a.size.height - b.size.height) > 1e-9;
}

SimplexSolver::Relation relationOf(LayoutRelation r) {
  if (r == LayoutRelationLessThanOrEqual) return SimplexSolver::Relation::LessOrEqual;
  if (r == LayoutRelationGreaterThanOrEqual) return SimplexSolver::Relation::GreaterOrEqual;
  return SimplexSolver::Relation::Equal;
}

}  // namespace

Ref<View> layoutItemView(const rt::Id& item) {
  if (auto v = std::dynamic_pointer_cast<View>(item)) return v;
  if (auto g = std::dynamic_pointer_cast<LayoutGuide>(item)) return g->owningView();
  return nullptr;
}

Ref<View> closestCommonAncestor(const View* a, const View* b) {
  if (!a || !b) return nullptr;
  for (const View* v = b; v; v = v->superview().get())
    if (a->isDescendantOfView(v)) return std::static_pointer_cast<View>(const_cast<View*>(v)->self());
  return nullptr;
}

LayoutEngine::LayoutEngine(const Ref<View>& root) : root_(root), solver_(std::make_unique<SimplexSolver>()) {}

// ---- what views and constraints report

std::shared_ptr<LayoutEngine> LayoutEngine::engineOf(View& view, bool create) {
  Ref<View> root = rootOf(view);
  if (!create) {
    auto* state = root->layoutStateIfAny();
    return state ? state->engine : nullptr;
  }
  auto& state = root->layoutState();
  if (!state.engine) state.engine = std::make_shared<LayoutEngine>(root);
  return state.engine;
}

void LayoutEngine::layoutPass(View& view) {
  View* cur = &view;
  while (auto s = cur->superview()) cur = s.get();
  auto* state = cur->layoutStateIfAny();
  // The root's own pass looks again at what is held in place (frames set by hand, guide
  // lengths that follow bars), which tells the engine nothing when it changes.
  if (state && state->engine && cur == &view && view.needsLayout()) state->engine->dirty_ = true;
  if (state && state->engine && state->engine->dirty_) {
    auto keep = state->engine;
    keep->update();
  }
}

void LayoutEngine::constraintsAdded(View& holder, bool onlyDuplicates) {
  auto e = engineOf(holder, true);
  e->membershipDirty_ = true;
  // A constraint that repeats one the view holds cannot change the layout: no new pass for it,
  // so that screens adding their constraints on every pass do not lay out for ever.
  if (onlyDuplicates)
    e->dirty_ = true;
  else
    e->markDirty();
}

void LayoutEngine::constraintsRemoved(View& holder) {
  if (auto e = engineOf(holder, false)) {
    e->membershipDirty_ = true;
    e->markDirty();
  }
}

void LayoutEngine::constraintChanged(View& holder, LayoutConstraint& c) {
  auto e = engineOf(holder, false);
  if (!e) return;
  auto it = e->entries_.find(&c);
  if (it != e->entries_.end() && it->second.constraint.lock().get() == &c) {
    if (!it->second.changed) {
      it->second.changed = true;
      e->changed_.push_back(&c);
    }
  } else {
    e->membershipDirty_ = true;
  }
  e->markDirty();
}

void LayoutEngine::viewMoved(View& moved, View* formerSuperview) {
  if (formerSuperview && formerSuperview == moved.superview().get()) return;  // reordered only
  // Subtrees that hold no constraints and take part in no solve (cells coming and going in a
  // list, say) change nothing for the engines around them.
  if (!touchesLayout(moved)) {
    // Unless constraints wait for views to come back under the view holding them.
    auto e = moved.superview() ? engineOf(moved, false) : nullptr;
    if (!e || !e->hasInvalid_) return;
  }
  std::shared_ptr<LayoutEngine> former;
  if (formerSuperview) {
    // Leaving a tree takes away the constraints of the views above that name the subtree, as
    // on the platform: coming back does not bring them back.
    for (Ref<View> a = viewRef(*formerSuperview); a; a = a->superview()) {
      std::vector<Ref<LayoutConstraint>> gone;
      for (const auto& c : a->constraints()) {
        Ref<View> v1 = layoutItemView(c->firstItem()), v2 = layoutItemView(c->secondItem());
        if ((v1 && v1->isDescendantOfView(&moved)) || (v2 && v2->isDescendantOfView(&moved))) gone.push_back(c);
      }
      a->removeConstraints(gone);
    }
    former = engineOf(*formerSuperview, false);
    if (former) {
      former->structureDirty_ = true;
      former->markDirty();
    }
  }
  auto* state = moved.layoutStateIfAny();
  std::shared_ptr<LayoutEngine> carried = state ? state->engine : nullptr;
  Ref<View> root = rootOf(moved);
  if (root.get() != &moved) {
    if (carried) state->engine.reset();
    if (carried || engineOf(*root, false)) {
      auto e = engineOf(*root, true);
      e->structureDirty_ = true;
      e->markDirty();
    }
  } else if (former && !carried) {
    // Left a tree that holds constraints: the new tree may hold some of them.
    auto e = engineOf(moved, true);
    e->markDirty();
  }
}

void LayoutEngine::geometryChanged(View& view) {
  auto* state = view.layoutStateIfAny();
  if (!state) return;
  auto e = state->memberOf.lock();
  if (e && !e->applying_) e->markDirty();
}

void LayoutEngine::intrinsicSizeChanged(View& view) {
  auto* state = view.layoutStateIfAny();
  auto e = state ? state->memberOf.lock() : nullptr;
  if (!e) return;
  auto it = e->items_.find(&view);
  if (it == e->items_.end()) return;
  it->second.intrinsicDirty = true;
  e->markDirty();
  view.setNeedsLayout();
}

void LayoutEngine::viewLayoutSettingsChanged(View& view, bool intrinsicOnly) {
  auto* state = view.layoutStateIfAny();
  auto e = state ? state->memberOf.lock() : nullptr;
  if (!e || !e->items_.count(&view)) return;
  if (intrinsicOnly)
    e->items_[&view].intrinsicDirty = true;
  else
    e->structureDirty_ = true;
  e->markDirty();
}

void LayoutEngine::markDirty() {
  if (dirty_) return;
  dirty_ = true;
  if (auto root = root_.lock()) root->setNeedsLayout();
}

// ---- counts

size_t LayoutEngine::activeConstraintCount() const {
  size_t n = 0;
  for (const auto& [k, e] : entries_) n += e.id ? 1 : 0;
  return n;
}

size_t LayoutEngine::brokenConstraintCount() const {
  size_t n = 0;
  for (const auto& [k, e] : entries_) n += e.broken ? 1 : 0;
  return n;
}

// ---- the solve

void LayoutEngine::reset() {
  for (auto& [key, item] : items_) {
    if (auto v = std::dynamic_pointer_cast<View>(item.object.lock()))
      if (auto* s = v->layoutStateIfAny()) s->memberOf.reset();
  }
  solver_ = std::make_unique<SimplexSolver>();
  items_.clear();
  entries_.clear();
  changed_.clear();
  membershipDirty_ = true;
}

void LayoutEngine::rebuild() {
  structureDirty_ = true;
  markDirty();
}

void LayoutEngine::update() {
  // A frame observer that lays out while frames are being written waits for the next pass.
  if (!dirty_ || updating_) return;
  auto root = root_.lock();
  if (!root) return;
  updating_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{updating_};
  dirty_ = false;
  relaxed_ = false;
  if (structureDirty_) {
    structureDirty_ = false;
    reset();
  }
  if (membershipDirty_) {
    membershipDirty_ = false;
    syncMembership();
  }
  auto changed = std::move(changed_);
  changed_.clear();
  for (const LayoutConstraint* key : changed) {
    auto it = entries_.find(key);
    if (it == entries_.end()) continue;
    Entry& e = it->second;
    e.changed = false;
    auto c = e.constraint.lock();
    if (!c || c.get() != key) continue;
    applyChange(e, *c);
  }
  for (auto& [key, item] : items_) {
    if (item.kind != ItemKind::Free || !item.intrinsicDirty) continue;
    if (auto v = std::dynamic_pointer_cast<View>(item.object.lock())) refreshIntrinsic(item, *v, v->bounds().size.width);
  }
  if (refreshFixed()) relaxed_ = true;
  if (relaxed_) retryBroken();
  hasInvalid_ = std::any_of(entries_.begin(), entries_.end(), [](const auto& kv) { return kv.second.invalid; });
  // Wrapping labels: measure again at the width the solve gave them, a few rounds at most.
  for (int round = 0; round < 3; ++round) {
    bool again = false;
    for (auto& [key, item] : items_) {
      if (item.kind != ItemKind::Free || !item.widthDependent) continue;
      double w = std::max(0.0, solver_->value(item.w));
      if (std::abs(w - item.measuredAtWidth) <= 0.5) continue;
      if (auto v = std::dynamic_pointer_cast<View>(item.object.lock())) {
        refreshIntrinsic(item, *v, w);
        again = true;
      }
    }
    if (!again) break;
  }
  // Writing frames resizes views whose autoresizing children may be held items: follow them.
  for (int pass = 0; pass < 3; ++pass) {
    writeFrames();
    if (!refreshFixed()) break;
  }
}

void LayoutEngine::applyChange(Entry& e, LayoutConstraint& c) {
  if (!e.id) {
    if (!e.invalid) solveEntry(e, c);
    return;
  }
  if (c.priority() != e.priorityUsed) {
    solver_->removeConstraint(*e.id);
    e.id.reset();
    relaxed_ = true;
    solveEntry(e, c);
    return;
  }
  double delta = c.constant() - e.constantUsed;
  if (delta == 0) return;
  if (solver_->changeConstant(*e.id, solver_->expressionConstant(*e.id) - delta)) {
    e.constantUsed = c.constant();
    relaxed_ = true;
    return;
  }
  solver_->removeConstraint(*e.id);
  e.id.reset();
  e.broken = true;
  relaxed_ = true;
  if (c.shouldLogProblem())
    fd::log(rt::String::format("Layout: breaking %@: its new constant contradicts the required constraints.",
                               c.description()));
}

void LayoutEngine::syncMembership() {
  auto root = root_.lock();
  ++generation_;
  std::vector<std::pair<Ref<LayoutConstraint>, Ref<View>>> fresh;
  std::vector<View*> stack{root.get()};
  while (!stack.empty()) {
    View* v = stack.back();
    stack.pop_back();
    if (auto* state = v->layoutStateIfAny()) {
      for (const auto& c : state->constraints) {
        auto it = entries_.find(c.get());
        if (it != entries_.end() && it->second.constraint.lock() == c) {
          it->second.seen = generation_;
        } else {
          if (it != entries_.end()) {  // a gone constraint's address, used again
            dropEntry(it->second);
            entries_.erase(it);
          }
          fresh.emplace_back(c, viewRef(*v));
        }
      }
    }
    const auto& subs = v->subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) stack.push_back(it->get());
  }
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.seen != generation_) {
      dropEntry(it->second);
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  // The newest by activation go in last, so that a contradiction breaks them.
  std::stable_sort(fresh.begin(), fresh.end(),
                   [](const auto& a, const auto& b) { return a.first->activationOrder() < b.first->activationOrder(); });
  for (auto& [c, holder] : fresh) {
    Entry& e = entries_[c.get()];
    e = Entry{};
    e.constraint = c;
    e.seen = generation_;
    solveEntry(e, *c);
  }
}

void LayoutEngine::dropEntry(Entry& e) {
  if (e.id) solver_->removeConstraint(*e.id);
  e.id.reset();
  for (const rt::Object* k : e.items) releaseItem(k);
  e.items.clear();
  relaxed_ = true;
}

bool LayoutEngine::solveEntry(Entry& e, LayoutConstraint& c) {
  std::vector<const rt::Object*> old = std::move(e.items);
  e.items.clear();
  building_ = &e;
  Expr expr;
  const char* problem = nullptr;
  bool built = buildExpression(c, expr, &problem);
  building_ = nullptr;
  // Release after building, so that items still in use keep their variables.
  for (const rt::Object* k : old) releaseItem(k);
  e.constantUsed = c.constant();
  e.priorityUsed = c.priority();
  if (!built) {
    for (const rt::Object* k : e.items) releaseItem(k);
    e.items.clear();
    e.invalid = true;
    e.broken = false;
    if (problem && c.shouldLogProblem())
      fd::log(rt::String::format("Layout: %@ is left out: %s.", c.description(), problem));
    return false;
  }
  e.invalid = false;
  e.id = solver_->addConstraint(expr, relationOf(c.relation()), c.priority());
  e.broken = !e.id;
  if (e.broken && c.shouldLogProblem())
    fd::log(rt::String::format(
        "Layout: breaking %@: it contradicts the required constraints added before it.", c.description()));
  return !e.broken;
}

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

void LayoutEngine::retryBroken() {
  std::vector<std::pair<Ref<LayoutConstraint>, Entry*>> broken;
  for (auto& [key, e] : entries_)
    if (e.broken)
      if (auto c = e.constraint.lock()) broken.emplace_back(c, &e);
  std::sort(broken.begin(), broken.end(),
            [](const auto& a, const auto& b) { return a.first->activationOrder() < b.first->activationOrder(); });
  for (auto& [c, e] : broken) solveEntry(*e, *c);
}

// Frames are written as bounds size and centre, as the platform does, so that a transform on
// the view (a popup scaled while it appears) leaves its laid-out size alone.
void LayoutEngine::writeFrames() {
  applying_ = true;
  for (auto& [key, item] : items_) {
    if (item.kind != ItemKind::Free) continue;
    auto view = std::dynamic_pointer_cast<View>(item.object.lock());
    if (!view) continue;
    gfx::Rect f{{clean(solver_->value(item.x)), clean(solver_->value(item.y))},
                {std::max(0.0, clean(solver_->value(item.w))), std::max(0.0, clean(solver_->value(item.h)))}};
    if (differs(untransformedFrame(*view), f)) {
      gfx::Rect b = view->bounds();
      if (b.size != f.size) view->setBounds({b.origin, f.size});
      view->setCenter({f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2});
    }
  }
  applying_ = false;
}

}  // namespace ui::layout
