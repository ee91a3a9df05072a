#include "widgets/refresh/KMRefreshHeader.h"

#include <algorithm>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/files/UserDefaults.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/view/ViewAnimation.h"
#include "widgets/refresh/ScrollView+KMExtension.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshHeader) {
  c.property("ignoredScrollViewContentInsetTop", &KMRefreshHeader::ignoredScrollViewContentInsetTop,
             &KMRefreshHeader::setIgnoredScrollViewContentInsetTop);
}

using S = KMRefreshComponentState;

void KMRefreshHeader::prepare() {
  KMRefreshComponent::prepare();
  setLastUpdatedTimeKey(KMRefreshHeaderLastUpdatedTimeKey);
  setKm_h(*this, KMRefreshHeaderHeight);
}

void KMRefreshHeader::placeSubviews() {
  KMRefreshComponent::placeSubviews();
  setKm_y(*this, -(km_h(*this) + ignoredScrollViewContentInsetTop_));
}

Ref<fd::Date> KMRefreshHeader::lastUpdatedTime() const {
  return rt::as<fd::Date>(fd::UserDefaults::standardUserDefaults()->objectForKey(lastUpdatedTimeKey_));
}

void KMRefreshHeader::scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) {
  KMRefreshComponent::scrollViewContentOffsetDidChange(change);
  auto scroll = scrollView();
  if (!scroll) return;
  double h = km_h(*this);
  if (state() == S::refreshing) {
    if (!window()) return;
    double t = scrollViewOriginalInset().top;
    // Scrolling up while refreshing lets the header go; scrolling back reveals it again.
    double insetT = std::min(std::max(-km_offsetY(*scroll), t), t + h);
    setKm_insetT(*scroll, insetT);
    insetTDelta_ = t - insetT;
    return;
  }
  setScrollViewOriginalInset(scroll->contentInset());
  double y = km_offsetY(*scroll);
  double happen = -scrollViewOriginalInset().top;
  if (y > happen) return;
  double pulling = happen - h;
  double percent = (happen - y) / h;
  if (scroll->isDragging()) {
    setPullingPercent(percent);
    if (state() == S::idle && y < pulling) {
      setState(S::pulling);
    } else if (state() == S::pulling && y >= pulling) {
      setState(S::idle);
    }
  } else if (state() == S::pulling) {
    beginRefreshing();
  } else if (percent < 1) {
    setPullingPercent(percent);
  }
}

void KMRefreshHeader::setState(KMRefreshComponentState state) {
  S old = this->state();
  if (state == old) return;
  KMRefreshComponent::setState(state);
  auto scroll = scrollView();
  if (state == S::refreshing) {
    auto keep = std::static_pointer_cast<KMRefreshHeader>(self());
    ui::ViewAnimation::animate(
        KMRefreshFastAnimationDuration,
        [this, scroll] {
          if (!scroll) return;
          double top = scrollViewOriginalInset().top + km_h(*this);
          setKm_insetT(*scroll, top);
          setKm_offsetY(*scroll, -top);
        },
        [keep](bool) { keep->executeRefreshingCallback(); });
  } else if (state == S::idle && old == S::refreshing) {
    auto defaults = fd::UserDefaults::standardUserDefaults();
    defaults->setObject(fd::Date::date(), lastUpdatedTimeKey_);
    defaults->synchronize();
    auto keep = std::static_pointer_cast<KMRefreshHeader>(self());
    ui::ViewAnimation::animate(
        KMRefreshSlowAnimationDuration,
        [this, scroll] {
          if (scroll) setKm_insetT(*scroll, km_insetT(*scroll) + insetTDelta_);
          if (isAutomaticallyChangeAlpha()) setAlpha(0.0);
        },
        [keep](bool) { keep->setPullingPercent(0.0); });
  }
}

void KMRefreshHeader::endRefreshing() {
  if (dynamic_cast<ui::CollectionView*>(scrollView().get())) {
    auto keep = std::static_pointer_cast<KMRefreshHeader>(self());
    dispatch::mainQueue()->after(KMRefreshCollectionViewEndDelay, [keep] { keep->KMRefreshComponent::endRefreshing(); });
  } else {
    KMRefreshComponent::endRefreshing();
  }
}

}  // namespace widgets
