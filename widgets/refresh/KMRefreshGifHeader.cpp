#include "widgets/refresh/KMRefreshGifHeader.h"

#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshGifHeader) {}

using S = KMRefreshComponentState;

Ref<ui::ImageView> KMRefreshGifHeader::gifView() {
  if (auto view = gifView_.lock()) return view;
  auto view = rt::make<ui::ImageView>();
  addSubview(view);
  gifView_ = view;
  return view;
}

void KMRefreshGifHeader::setImages(const std::optional<KMRefreshStateImages::Images>& images, double duration,
                     KMRefreshComponentState state) {
  if (!images) return;
  double height = images_.set(*images, duration, state);
  if (height > km_h(*this)) setKm_h(*this, height);
}

void KMRefreshGifHeader::setImages(const std::optional<KMRefreshStateImages::Images>& images, KMRefreshComponentState state) {
  if (!images) return;
  setImages(images, static_cast<double>(images->size()) * 0.1, state);
}

void KMRefreshGifHeader::setPullingPercent(double percent) {
  KMRefreshStateHeader::setPullingPercent(percent);
  if (state() != S::idle) return;
  images_.showPulled(percent, *gifView());
}

void KMRefreshGifHeader::placeSubviews() {
  KMRefreshStateHeader::placeSubviews();
  KMRefreshPlaceGifView(*gifView(), bounds(), !(stateLabel()->isHidden() && lastUpdatedTimeLabel()->isHidden()));
}

void KMRefreshGifHeader::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshStateHeader::setState(state);
  auto view = gifView();
  if (state == S::idle) {
    view->stopAnimating();
  } else if (state == S::pulling || state == S::refreshing) {
    images_.play(state, *view);
  }
}

}  // namespace widgets
