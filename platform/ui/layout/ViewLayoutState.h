#pragma once
// What a view keeps for constraint-based layout: the constraints it holds, its flags and
// priorities, and (on the root of a view tree) the engine that solves the tree.
#include <memory>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Ref.h"
#include "platform/ui/layout/LayoutTypes.h"

namespace ui {
class LayoutConstraint;
}

namespace ui::layout {

class LayoutEngine;

struct ViewLayoutState {
  std::vector<Ref<LayoutConstraint>> constraints;
  /// Only on the root of a tree whose views hold (or held) constraints.
  std::shared_ptr<LayoutEngine> engine;
  /// The engine whose solve involves the view, while it does.
  std::weak_ptr<LayoutEngine> memberOf;
  /// Negative: the class's default.
  LayoutPriority hugging[2] = {-1, -1};
  LayoutPriority compression[2] = {-1, -1};
  gfx::EdgeInsets layoutMargins{8, 8, 8, 8};
  bool translatesAutoresizingMask = true;
};

}  // namespace ui::layout
