#include "image/web/Button+WebCache.h"

#include <string>

#include "image/web/View+WebCacheOperation.h"

namespace image {

namespace {

const char kURLTableKey = 0;

std::string imageKey(uint64_t state) { return "UIButtonImageOperation" + std::to_string(state); }
std::string backgroundKey(uint64_t state) { return "UIButtonBackgroundImageOperation" + std::to_string(state); }

Weak<ui::Button> weakOf(ui::Button& button) { return std::static_pointer_cast<ui::Button>(button.shared_from_this()); }

/// The shared part of both entries: load, then `apply` the image on the main thread.
Ref<WIWebImageCombinedOperation> load(ui::Button& button, const rt::Id& url, WIManagerOptions options,
                                      WIViewCompletedBlock completed,
                                      std::function<void(ui::Button&, const Ref<gfx::Image>&)> apply) {
  Weak<ui::Button> weak = weakOf(button);
  return WIWebImageManager::sharedManager()->downloadImageWithURL(
      url, options, nullptr,
      [weak, url, completed, apply](Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType type, bool finished,
                                    Ref<fd::URL>) {
        if (weak.expired()) return;
        WIRunOnMainNow([&] {
          auto b = weak.lock();
          if (!b) return;
          if (image) apply(*b, image);
          if (completed && finished) completed(image, error, type, url);
        });
      });
}

void reportNilURL(const WIViewCompletedBlock& completed) {
  if (completed) WIRunOnMainSoon([completed] { completed(nullptr, WINilURLError(), WICacheTypeNone, nullptr); });
}

}  // namespace

RT_IMPLEMENT(WIButtonURLTable) {}

rt::Id WIButtonURLTable::urlForState(uint64_t state) const {
  for (const auto& [s, url] : urls_)
    if (s == state) return url;
  return nullptr;
}

void WIButtonURLTable::setURL(uint64_t state, rt::Id url) {
  std::erase_if(urls_, [&](const auto& e) { return e.first == state; });
  if (url) urls_.emplace_back(state, std::move(url));
}

Ref<WIButtonURLTable> imageURLStorage(ui::Button& button) {
  if (auto table = rt::as<WIButtonURLTable>(button.associatedObject(&kURLTableKey))) return table;
  auto table = rt::make<WIButtonURLTable>();
  button.setAssociatedObject(&kURLTableKey, table, rt::AssociationPolicy::RetainNonatomic);
  return table;
}

void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options, WIViewCompletedBlock completed) {
  // Views change on the main thread only, the placeholder too.
  Weak<ui::Button> weak = weakOf(button);
  WIRunOnMainSoon([weak, placeholder, state] {
    if (auto b = weak.lock()) b->setImage(placeholder, state);
  });
  wi_cancelImageLoadForState(button, state);
  if (!url) {
    imageURLStorage(button)->setURL(state, nullptr);
    reportNilURL(completed);
    return;
  }
  imageURLStorage(button)->setURL(state, url);
  auto operation = load(button, url, options, std::move(completed),
                        [state](ui::Button& b, const Ref<gfx::Image>& image) { b.setImage(image, state); });
  wi_setImageLoadOperation(button, operation, state);
}

void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state) {
  wi_setImageWithURL(button, url, state, nullptr, 0, nullptr);
}
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder) {
  wi_setImageWithURL(button, url, state, placeholder, 0, nullptr);
}
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options) {
  wi_setImageWithURL(button, url, state, placeholder, options, nullptr);
}
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WIViewCompletedBlock completed) {
  wi_setImageWithURL(button, url, state, nullptr, 0, std::move(completed));
}
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                        WIViewCompletedBlock completed) {
  wi_setImageWithURL(button, url, state, placeholder, 0, std::move(completed));
}

void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, WIManagerOptions options,
                                  WIViewCompletedBlock completed) {
  wi_cancelBackgroundImageLoadForState(button, state);
  Weak<ui::Button> weak = weakOf(button);
  WIRunOnMainSoon([weak, placeholder, state] {
    if (auto b = weak.lock()) b->setBackgroundImage(placeholder, state);
  });
  if (!url) {
    reportNilURL(completed);
    return;
  }
  auto operation = load(button, url, options, std::move(completed),
                        [state](ui::Button& b, const Ref<gfx::Image>& image) { b.setBackgroundImage(image, state); });
  wi_setBackgroundImageLoadOperation(button, operation, state);
}

void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state) {
  wi_setBackgroundImageWithURL(button, url, state, nullptr, 0, nullptr);
}
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, 0, nullptr);
}
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, WIManagerOptions options) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, options, nullptr);
}
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  WIViewCompletedBlock completed) {
  wi_setBackgroundImageWithURL(button, url, state, nullptr, 0, std::move(completed));
}
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, WIViewCompletedBlock completed) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, 0, std::move(completed));
}

rt::Id wi_imageURLForState(ui::Button& button, uint64_t state) { return imageURLStorage(button)->urlForState(state); }

rt::Id wi_currentImageURL(ui::Button& button) {
  auto table = imageURLStorage(button);
  if (auto url = table->urlForState(button.state())) return url;
  return table->urlForState(ui::ControlStateNormal);
}

void wi_setImageLoadOperation(ui::Button& button, const rt::Id& operation, uint64_t state) {
  wi_setImageLoadOperation(static_cast<ui::View&>(button), operation, imageKey(state));
}
void wi_cancelImageLoadForState(ui::Button& button, uint64_t state) {
  wi_cancelImageLoadOperationWithKey(button, imageKey(state));
}
void wi_setBackgroundImageLoadOperation(ui::Button& button, const rt::Id& operation, uint64_t state) {
  wi_setImageLoadOperation(static_cast<ui::View&>(button), operation, backgroundKey(state));
}
void wi_cancelBackgroundImageLoadForState(ui::Button& button, uint64_t state) {
  wi_cancelImageLoadOperationWithKey(button, backgroundKey(state));
}

}  // namespace image
