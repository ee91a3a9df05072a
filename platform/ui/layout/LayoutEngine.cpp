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
