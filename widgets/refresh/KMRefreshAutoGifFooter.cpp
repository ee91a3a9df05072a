#include "widgets/refresh/KMRefreshAutoGifFooter.h"

#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshAutoGifFooter) {}

using S = KMRefreshComponentState;

Ref<ui::ImageView> KMRefreshAutoGifFooter::gifView() {
  if (auto view = gifView_.lock()) return view;
  auto view = rt::make<ui::ImageView>();
  addSubview(view);
  gifView_ = view;
  return view;
}

void KMRefreshAutoGifFooter::setImages(const std::optional<KMRefreshStateImages::Images>& images, double duration,
                     KMRefreshComponentState state) {
  if (!images) return;
  double height = images_.set(*images, duration, state);
  if (height > km_h(*this)) setKm_h(*this, height);
}

void KMRefreshAutoGifFooter::setImages(const std::optional<KMRefreshStateImages::Images>& images, KMRefreshComponentState state) {
  if (!images) return;
  setImages(images, static_cast<double>(images->size()) * 0.1, state);
}

void KMRefreshAutoGifFooter::placeSubviews() {
  KMRefreshAutoStateFooter::placeSubviews();
  KMRefreshPlaceGifView(*gifView(), bounds(), !isRefreshingTitleHidden());
}

void KMRefreshAutoGifFooter::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshAutoStateFooter::setState(state);
  auto view = gifView();
  if (state == S::idle || state == S::noMoreData) {
    view->stopAnimating();
    view->setHidden(true);
  } else if (state == S::refreshing) {
    const auto* images = images_.imagesFor(state);
    if (images && !images->empty()) view->setHidden(false);
    images_.play(state, *view);
  }
}

}  // namespace widgets
