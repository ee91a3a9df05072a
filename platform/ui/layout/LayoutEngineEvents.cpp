// What views and constraints tell the engine of their tree.
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

void LayoutEngine::layoutPass(View& view, bool ownPass) {
  View* cur = &view;
  while (auto s = cur->superview()) cur = s.get();
  auto* state = cur->layoutStateIfAny();
  // The root's own pass looks again at what is held in place (frames set by hand, guide
  // lengths that follow bars), which tells the engine nothing when it changes.
  if (state && state->engine && cur == &view && (ownPass || view.needsLayout())) state->engine->dirty_ = true;
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

}  // namespace ui::layout
