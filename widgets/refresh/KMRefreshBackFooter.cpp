#include "widgets/refresh/KMRefreshBackFooter.h"

#include <algorithm>

#include "platform/dispatch/Queue.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/view/ViewAnimation.h"
#include "widgets/refresh/ScrollView+KMExtension.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshBackFooter) {}

using S = KMRefreshComponentState;

void KMRefreshBackFooter::willMoveToSuperview(ui::View* newSuperview) {
  KMRefreshFooter::willMoveToSuperview(newSuperview);
  scrollViewContentSizeDidChange(nullptr);
}

double KMRefreshBackFooter::heightForContentBreakView() const {
  auto scroll = scrollView();
  if (!scroll) return 0;
  gfx::EdgeInsets original = scrollViewOriginalInset();
  return km_contentH(*scroll) - (km_h(*scroll) - original.bottom - original.top);
}

double KMRefreshBackFooter::happenOffsetY() const {
  double breakHeight = heightForContentBreakView();
  double top = scrollViewOriginalInset().top;
  return breakHeight > 0 ? breakHeight - top : -top;
}

void KMRefreshBackFooter::scrollViewContentSizeDidChange(const rt::KeyValueChange* change) {
  KMRefreshFooter::scrollViewContentSizeDidChange(change);
  auto scroll = scrollView();
  if (!scroll) return;
  gfx::EdgeInsets original = scrollViewOriginalInset();
  double ignored = ignoredScrollViewContentInsetBottom();
  double below = km_contentH(*scroll) + ignored;
  double atEdge = km_h(*scroll) - original.top - original.bottom + ignored;
  setKm_y(*this, std::max(below, atEdge));
}

void KMRefreshBackFooter::scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) {
  KMRefreshFooter::scrollViewContentOffsetDidChange(change);
  auto scroll = scrollView();
  if (!scroll || state() == S::refreshing) return;
  setScrollViewOriginalInset(scroll->contentInset());
  double y = km_offsetY(*scroll);
  double happen = happenOffsetY();
  if (y <= happen) return;
  double h = km_h(*this);
  double percent = (y - happen) / h;
  if (state() == S::noMoreData) {
    setPullingPercent(percent);
    return;
  }
  if (scroll->isDragging()) {
    setPullingPercent(percent);
    double threshold = happen + h;
    if (state() == S::idle && y > threshold) {
      setState(S::pulling);
    } else if (state() == S::pulling && y <= threshold) {
      setState(S::idle);
    }
  } else if (state() == S::pulling) {
    beginRefreshing();
  } else if (percent < 1) {
    setPullingPercent(percent);
  }
}

void KMRefreshBackFooter::setState(KMRefreshComponentState state) {
  S old = this->state();
  if (state == old) return;
  KMRefreshFooter::setState(state);
  auto scroll = scrollView();
  if (!scroll) return;
  auto keep = std::static_pointer_cast<KMRefreshBackFooter>(self());
  if (state == S::idle || state == S::noMoreData) {
    if (old != S::refreshing) return;
    ui::ViewAnimation::animate(
        KMRefreshSlowAnimationDuration,
        [this, scroll] {
          setKm_insetB(*scroll, km_insetB(*scroll) - lastBottomDelta_);
          if (isAutomaticallyChangeAlpha()) setAlpha(0.0);
        },
        [keep](bool) { keep->setPullingPercent(0.0); });
    // New rows arrived: assigning the offset again settles it against the grown content.
    if (heightForContentBreakView() > 0 && km_totalDataCount(*scroll) != lastRefreshCount_)
      setKm_offsetY(*scroll, km_offsetY(*scroll));
  } else if (state == S::refreshing) {
    lastRefreshCount_ = km_totalDataCount(*scroll);
    ui::ViewAnimation::animate(
        KMRefreshFastAnimationDuration,
        [this, scroll] {
          double bottom = km_h(*this) + scrollViewOriginalInset().bottom;
          double breakHeight = heightForContentBreakView();
          // Short content keeps the footer, at the bottom edge of the visible area, in view.
          if (breakHeight < 0) bottom -= breakHeight;
          lastBottomDelta_ = bottom - km_insetB(*scroll);
          setKm_insetB(*scroll, bottom);
          setKm_offsetY(*scroll, happenOffsetY() + km_h(*this));
        },
        [keep](bool) { keep->executeRefreshingCallback(); });
  }
}

void KMRefreshBackFooter::endRefreshing() {
  if (dynamic_cast<ui::CollectionView*>(scrollView().get())) {
    auto keep = std::static_pointer_cast<KMRefreshBackFooter>(self());
    dispatch::mainQueue()->after(KMRefreshCollectionViewEndDelay, [keep] { keep->KMRefreshFooter::endRefreshing(); });
  } else {
    KMRefreshFooter::endRefreshing();
  }
}

void KMRefreshBackFooter::noticeNoMoreData() {
  if (dynamic_cast<ui::CollectionView*>(scrollView().get())) {
    auto keep = std::static_pointer_cast<KMRefreshBackFooter>(self());
    dispatch::mainQueue()->after(KMRefreshCollectionViewEndDelay, [keep] { keep->KMRefreshFooter::noticeNoMoreData(); });
  } else {
    KMRefreshFooter::noticeNoMoreData();
  }
}

}  // namespace widgets
