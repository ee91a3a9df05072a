#include "widgets/channels/CBRootScrollViewCell.h"

#include "widgets/channels/CBRootScrollView.h"

namespace widgets {

RT_IMPLEMENT(CBRootScrollViewCell) {}

Ref<CBRootScrollViewCell> CBRootScrollViewCell::cellWithRootScrollView(CBRootScrollView& rootScrollView) {
  if (auto cell = rootScrollView.dequeueReusableCellWithIdentifier(kIdentifier)) return cell;
  auto cell = rt::make<CBRootScrollViewCell>();
  cell->setIdentifier(kIdentifier);
  cell->setBackgroundColor(gfx::Color::yellowColor());
  return cell;
}

void CBRootScrollViewCell::setpageViewInCell(const Ref<ui::View>& pageView) {
  auto current = subviews();  // removal changes the list
  for (const auto& view : current) view->removeFromSuperview();
  if (pageView) addSubview(pageView);
  setNeedsLayout();
  layoutIfNeeded();
}

void CBRootScrollViewCell::layoutSubviews() {
  if (!subviews().empty()) subviews().front()->setFrame(bounds());
}

}  // namespace widgets
