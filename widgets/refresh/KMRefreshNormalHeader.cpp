#include "widgets/refresh/KMRefreshNormalHeader.h"

#include "platform/ui/view/ViewAnimation.h"
#include "widgets/refresh/KMRefreshResources.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshNormalHeader) {}

using S = KMRefreshComponentState;

Ref<ui::ImageView> KMRefreshNormalHeader::arrowView() {
  if (auto arrow = arrowView_.lock()) return arrow;
  auto arrow = rt::make<ui::ImageView>(KMRefreshArrowImage());
  addSubview(arrow);
  arrowView_ = arrow;
  return arrow;
}

Ref<ui::ActivityIndicatorView> KMRefreshNormalHeader::loadingView() {
  if (auto loading = loadingView_.lock()) return loading;
  auto loading = rt::make<ui::ActivityIndicatorView>(style_);
  loading->setHidesWhenStopped(true);
  addSubview(loading);
  loadingView_ = loading;
  return loading;
}

void KMRefreshNormalHeader::setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle style) {
  style_ = style;
  loadingView_.reset();
  setNeedsLayout();
}

void KMRefreshNormalHeader::prepare() {
  KMRefreshStateHeader::prepare();
  setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle::Gray);
}

void KMRefreshNormalHeader::placeSubviews() {
  KMRefreshStateHeader::placeSubviews();
  km_placeArrowAndIndicator(*arrowView(), *loadingView(), bounds(), !stateLabel()->isHidden());
}

void KMRefreshNormalHeader::setState(KMRefreshComponentState state) {
  S old = this->state();
  if (state == old) return;
  KMRefreshStateHeader::setState(state);
  auto arrow = arrowView();
  auto loading = loadingView();
  if (state == S::idle) {
    if (old == S::refreshing) {
      arrow->setTransform(gfx::AffineTransformIdentity);
      auto keep = std::static_pointer_cast<KMRefreshNormalHeader>(self());
      ui::ViewAnimation::animate(
          KMRefreshSlowAnimationDuration, [loading] { loading->setAlpha(0.0); },
          [keep, loading, arrow](bool) {
            // A refresh begun during the fade keeps its indicator.
            if (keep->state() != S::idle) return;
            loading->setAlpha(1.0);
            loading->stopAnimating();
            arrow->setHidden(false);
          });
    } else {
      loading->stopAnimating();
      arrow->setHidden(false);
      ui::ViewAnimation::animate(KMRefreshFastAnimationDuration,
                                 [arrow] { arrow->setTransform(gfx::AffineTransformIdentity); });
    }
  } else if (state == S::pulling) {
    loading->stopAnimating();
    arrow->setHidden(false);
    ui::ViewAnimation::animate(KMRefreshFastAnimationDuration, [arrow] {
      arrow->setTransform(gfx::AffineTransformMakeRotation(KMRefreshArrowTurnedOverAngle));
    });
  } else if (state == S::refreshing) {
    loading->setAlpha(1.0);
    loading->startAnimating();
    arrow->setHidden(true);
  }
}

}  // namespace widgets
