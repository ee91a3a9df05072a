#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshAutoNormalFooter) {}

using S = KMRefreshComponentState;

Ref<ui::ActivityIndicatorView> KMRefreshAutoNormalFooter::loadingView() {
  if (auto loading = loadingView_.lock()) return loading;
  auto loading = rt::make<ui::ActivityIndicatorView>(style_);
  loading->setHidesWhenStopped(true);
  addSubview(loading);
  loadingView_ = loading;
  return loading;
}

void KMRefreshAutoNormalFooter::setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle style) {
  style_ = style;
  loadingView_.reset();
  setNeedsLayout();
}

void KMRefreshAutoNormalFooter::prepare() {
  KMRefreshAutoStateFooter::prepare();
  setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle::Gray);
}

void KMRefreshAutoNormalFooter::placeSubviews() {
  KMRefreshAutoStateFooter::placeSubviews();
  if (km_isConstrained(*loadingView())) return;
  gfx::Rect b = bounds();
  double x = b.size.width * 0.5;
  if (!isRefreshingTitleHidden()) x -= KMRefreshTitleSideOffset;
  loadingView()->setCenter({x, b.size.height * 0.5});
}

void KMRefreshAutoNormalFooter::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshAutoStateFooter::setState(state);
  if (state == S::idle || state == S::noMoreData) {
    loadingView()->stopAnimating();
  } else if (state == S::refreshing) {
    loadingView()->startAnimating();
  }
}

}  // namespace widgets
