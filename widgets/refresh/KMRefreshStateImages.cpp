#include "widgets/refresh/KMRefreshStateImages.h"
#include "widgets/refresh/View+KMExtension.h"

#include <algorithm>

namespace widgets {

double KMRefreshStateImages::set(const Images& images, double duration, KMRefreshComponentState state) {
  images_[state] = images;
  durations_[state] = duration;
  if (images.empty() || !images.front()) return 0;
  return images.front()->size().height;
}

const KMRefreshStateImages::Images* KMRefreshStateImages::imagesFor(KMRefreshComponentState state) const {
  auto it = images_.find(state);
  return it == images_.end() ? nullptr : &it->second;
}

std::optional<double> KMRefreshStateImages::durationFor(KMRefreshComponentState state) const {
  auto it = durations_.find(state);
  if (it == durations_.end()) return std::nullopt;
  return it->second;
}

void KMRefreshStateImages::play(KMRefreshComponentState state, ui::ImageView& view) const {
  const Images* images = imagesFor(state);
  if (!images || images->empty()) return;
  view.stopAnimating();
  if (images->size() == 1) {
    view.setImage(images->front());
    return;
  }
  view.setAnimationImages(*images);
  view.setAnimationDuration(durationFor(state).value_or(0));
  view.startAnimating();
}

void KMRefreshStateImages::showPulled(double percent, ui::ImageView& view) const {
  const Images* images = imagesFor(KMRefreshComponentState::idle);
  if (!images || images->empty()) return;
  view.stopAnimating();
  auto count = static_cast<int64_t>(images->size());
  auto index = static_cast<int64_t>(static_cast<double>(count) * std::max(percent, 0.0));
  if (index >= count) index = count - 1;
  view.setImage((*images)[static_cast<size_t>(index)]);
}

void KMRefreshPlaceGifView(ui::ImageView& view, gfx::Rect bounds, bool showsTitle) {
  if (km_isConstrained(view)) return;
  view.setFrame(bounds);
  if (!showsTitle) {
    view.setContentMode(ui::ViewContentMode::Center);
    return;
  }
  view.setContentMode(ui::ViewContentMode::Right);
  gfx::Rect f = view.frame();
  f.size.width = bounds.size.width * 0.5 - 90;
  view.setFrame(f);
}

}  // namespace widgets
