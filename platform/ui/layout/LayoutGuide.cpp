#include "platform/ui/layout/LayoutGuide.h"

#include "platform/ui/view/View.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(LayoutGuide) {
  c.property("length", &LayoutGuide::length);
}

void LayoutGuide::init(const Ref<View>& owningView, Edge edge, LengthProvider length) {
  owningView_ = owningView;
  edge_ = edge;
  length_ = std::move(length);
}

gfx::Rect LayoutGuide::layoutFrame() const {
  auto view = owningView();
  gfx::Size size = view ? view->bounds().size : gfx::Size{0, 0};
  double len = length();
  double y = edge_ == Edge::Top ? 0 : size.height - len;
  return {{0, y}, {size.width, len}};
}

}  // namespace ui
