#include "widgets/refresh/KMRefreshBackGifFooter.h"

#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshBackGifFooter) {}

using S = KMRefreshComponentState;

Ref<ui::ImageView> KMRefreshBackGifFooter::gifView() {
  if (auto view = gifView_.lock()) return view;
  auto view = rt::make<ui::ImageView>();
  addSubview(view);
  gifView_ = view;
  return view;
}

void KMRefreshBackGifFooter::setImages(const std::optional<KMRefreshStateImages::Images>& images, double duration,
                     KMRefreshComponentState state) {
  if (!images) return;
  double height = images_.set(*images, duration, state);
  if (height > km_h(*this)) setKm_h(*this, height);
}

void KMRefreshBackGifFooter::setImages(const std::optional<KMRefreshStateImages::Images>& images, KMRefreshComponentState state) {
  if (!images) return;
  setImages(images, static_cast<double>(images->size()) * 0.1, state);
}

void KMRefreshBackGifFooter::setPullingPercent(double percent) {
  KMRefreshBackStateFooter::setPullingPercent(percent);
  if (state() != S::idle) return;
  images_.showPulled(percent, *gifView());
}

void KMRefreshBackGifFooter::placeSubviews() {
  KMRefreshBackStateFooter::placeSubviews();
  KMRefreshPlaceGifView(*gifView(), bounds(), !stateLabel()->isHidden());
}

void KMRefreshBackGifFooter::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshBackStateFooter::setState(state);
  auto view = gifView();
  if (state == S::idle) {
    view->setHidden(false);
  } else if (state == S::pulling || state == S::refreshing) {
    const auto* images = images_.imagesFor(state);
    if (images && !images->empty()) view->setHidden(false);
    images_.play(state, *view);
  } else if (state == S::noMoreData) {
    view->setHidden(true);
  }
}

}  // namespace widgets
