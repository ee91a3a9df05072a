#include "widgets/channels/CBRootScrollViewManager.h"

#include "widgets/channels/CBRootScrollView.h"
#include "widgets/channels/CBRootScrollViewCell.h"

namespace widgets {

RT_IMPLEMENT(CBRootScrollViewManager) {}

void CBRootScrollViewManager::init(const Ref<CBRootScrollView>& rootScrollView) { rootScrollView_ = rootScrollView; }

void CBRootScrollViewManager::setPageViews(std::vector<Ref<ui::View>> pageViews) {
  pageViews_ = std::move(pageViews);
  if (auto container = rootScrollView_.lock()) container->reloadPageViews();
}

uint64_t CBRootScrollViewManager::numberOfCellInRootScrollView(CBRootScrollView&) { return pageViews_.size(); }

Ref<ui::View> CBRootScrollViewManager::rootScrollViewAtIndex(CBRootScrollView& rootScrollView, uint64_t index) {
  if (auto delegate = rootScrollView.rootScrollViewDelegate().lock())
    delegate->rootScrollViewDidSelectAtIndex(rootScrollView, index);
  auto cell = CBRootScrollViewCell::cellWithRootScrollView(rootScrollView);
  cell->setpageViewInCell(index < pageViews_.size() ? pageViews_[index] : nullptr);
  return cell;
}

std::optional<double> CBRootScrollViewManager::rootScrollViewMarginForType(CBRootScrollView&, int32_t) {
  return margin_;
}

}  // namespace widgets
