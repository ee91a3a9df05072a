#include "image/web/Button+WebCacheDeprecated.h"

namespace image {

void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state) {
  wi_setImageWithURL(button, url, state, nullptr, 0, nullptr);
}
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder) {
  wi_setImageWithURL(button, url, state, placeholder, 0, nullptr);
}
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options) {
  wi_setImageWithURL(button, url, state, placeholder, options, nullptr);
}
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WILegacyCompletedBlock completed) {
  wi_setImageWithURL(button, url, state, nullptr, 0, WIWrapLegacyCompletedBlock(std::move(completed)));
}
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                     WILegacyCompletedBlock completed) {
  wi_setImageWithURL(button, url, state, placeholder, 0, WIWrapLegacyCompletedBlock(std::move(completed)));
}
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options, WILegacyCompletedBlock completed) {
  wi_setImageWithURL(button, url, state, placeholder, options, WIWrapLegacyCompletedBlock(std::move(completed)));
}

void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state) {
  wi_setBackgroundImageWithURL(button, url, state, nullptr, 0, nullptr);
}
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, 0, nullptr);
}
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder, WIManagerOptions options) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, options, nullptr);
}
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WILegacyCompletedBlock completed) {
  wi_setBackgroundImageWithURL(button, url, state, nullptr, 0, WIWrapLegacyCompletedBlock(std::move(completed)));
}
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder, WILegacyCompletedBlock completed) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, 0, WIWrapLegacyCompletedBlock(std::move(completed)));
}
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder, WIManagerOptions options,
                               WILegacyCompletedBlock completed) {
  wi_setBackgroundImageWithURL(button, url, state, placeholder, options,
                               WIWrapLegacyCompletedBlock(std::move(completed)));
}

rt::Id currentImageURL(ui::Button& button) { return wi_currentImageURL(button); }
rt::Id imageURLForState(ui::Button& button, uint64_t state) { return wi_imageURLForState(button, state); }
void cancelCurrentImageLoad(ui::Button& button) { wi_cancelImageLoadForState(button, button.state()); }
void cancelBackgroundImageLoadForState(ui::Button& button, uint64_t state) {
  wi_cancelBackgroundImageLoadForState(button, state);
}

}  // namespace image
