#include "widgets/refresh/KMRefreshBackNormalFooter.h"

#include "platform/ui/view/ViewAnimation.h"
#include "widgets/refresh/KMRefreshResources.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshBackNormalFooter) {}

using S = KMRefreshComponentState;

Ref<ui::ImageView> KMRefreshBackNormalFooter::arrowView() {
  if (auto arrow = arrowView_.lock()) return arrow;
  auto arrow = rt::make<ui::ImageView>(KMRefreshArrowImage());
  addSubview(arrow);
  arrowView_ = arrow;
  return arrow;
}

Ref<ui::ActivityIndicatorView> KMRefreshBackNormalFooter::loadingView() {
  if (auto loading = loadingView_.lock()) return loading;
  auto loading = rt::make<ui::ActivityIndicatorView>(style_);
  loading->setHidesWhenStopped(true);
  addSubview(loading);
  loadingView_ = loading;
  return loading;
}

void KMRefreshBackNormalFooter::setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle style) {
  style_ = style;
  loadingView_.reset();
  setNeedsLayout();
}

void KMRefreshBackNormalFooter::prepare() {
  KMRefreshBackStateFooter::prepare();
  setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle::Gray);
}

void KMRefreshBackNormalFooter::placeSubviews() {
  KMRefreshBackStateFooter::placeSubviews();
  km_placeArrowAndIndicator(*arrowView(), *loadingView(), bounds(), !stateLabel()->isHidden());
}

void KMRefreshBackNormalFooter::setState(KMRefreshComponentState state) {
  S old = this->state();
  if (state == old) return;
  KMRefreshBackStateFooter::setState(state);
  auto arrow = arrowView();
  auto loading = loadingView();
  auto turnedOver = gfx::AffineTransformMakeRotation(KMRefreshArrowTurnedOverAngle);
  switch (state) {
    case S::idle:
      if (old == S::refreshing) {
        arrow->setTransform(turnedOver);
        Weak<KMRefreshBackNormalFooter> weak = std::static_pointer_cast<KMRefreshBackNormalFooter>(self());
        ui::ViewAnimation::animate(
            KMRefreshSlowAnimationDuration, [loading] { loading->setAlpha(0.0); },
            [weak, loading, arrow](bool) {
              loading->setAlpha(1.0);
              // A load begun during the fade keeps its spinning indicator.
              auto footer = weak.lock();
              if (footer && footer->state() == S::refreshing) return;
              loading->stopAnimating();
              arrow->setHidden(false);
            });
      } else {
        arrow->setHidden(false);
        loading->stopAnimating();
        ui::ViewAnimation::animate(KMRefreshFastAnimationDuration, [arrow, turnedOver] { arrow->setTransform(turnedOver); });
      }
      break;
    case S::pulling:
      arrow->setHidden(false);
      loading->stopAnimating();
      ui::ViewAnimation::animate(KMRefreshFastAnimationDuration,
                                 [arrow] { arrow->setTransform(gfx::AffineTransformIdentity); });
      break;
    case S::refreshing:
      arrow->setHidden(true);
      loading->startAnimating();
      break;
    case S::noMoreData:
      arrow->setHidden(true);
      loading->stopAnimating();
      break;
    case S::willRefresh:
      break;
  }
}

}  // namespace widgets
