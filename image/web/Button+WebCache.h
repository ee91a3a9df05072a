#pragma once
// Binds a button's image and background image, per control state, to URLs through the shared
// image manager. One image slot and one background slot per state; the URL last given for a
// state's image is kept on the button. Images are set on the main thread.
#include <cstdint>

#include "image/web/WIViewBindingSupport.h"
#include "image/web/WIWebImageManager.h"
#include "platform/ui/controls/Button.h"

namespace image {

/// The button's state -> URL table (an associated object, made on first use).
class WIButtonURLTable : public rt::Object {
  RT_CLASS(WIButtonURLTable, rt::Object)
 public:
  rt::Id urlForState(uint64_t state) const;
  void setURL(uint64_t state, rt::Id url);
  size_t count() const { return urls_.size(); }

 private:
  std::vector<std::pair<uint64_t, rt::Id>> urls_;
};

Ref<WIButtonURLTable> imageURLStorage(ui::Button& button);

void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options, WIViewCompletedBlock completed);
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state);
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder);
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                        WIManagerOptions options);
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WIViewCompletedBlock completed);
void wi_setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                        WIViewCompletedBlock completed);

void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, WIManagerOptions options,
                                  WIViewCompletedBlock completed);
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state);
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder);
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, WIManagerOptions options);
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WIViewCompletedBlock completed);
void wi_setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                                  const Ref<gfx::Image>& placeholder, WIViewCompletedBlock completed);

rt::Id wi_imageURLForState(ui::Button& button, uint64_t state);
/// The URL of the button's current state, else of the normal state.
rt::Id wi_currentImageURL(ui::Button& button);
void wi_setImageLoadOperation(ui::Button& button, const rt::Id& operation, uint64_t state);
void wi_cancelImageLoadForState(ui::Button& button, uint64_t state);
void wi_setBackgroundImageLoadOperation(ui::Button& button, const rt::Id& operation, uint64_t state);
void wi_cancelBackgroundImageLoadForState(ui::Button& button, uint64_t state);

}  // namespace image
