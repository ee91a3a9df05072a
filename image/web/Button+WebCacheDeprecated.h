#pragma once
// The older entry names of the button binding; each only forwards to its current form.
#include "image/web/Button+WebCache.h"

namespace image {

void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state);
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder);
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options);
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WILegacyCompletedBlock completed);
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                     WILegacyCompletedBlock completed);
void setImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, const Ref<gfx::Image>& placeholder,
                     WIManagerOptions options, WILegacyCompletedBlock completed);

void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state);
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder);
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder, WIManagerOptions options);
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state, WILegacyCompletedBlock completed);
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder, WILegacyCompletedBlock completed);
void setBackgroundImageWithURL(ui::Button& button, const rt::Id& url, uint64_t state,
                               const Ref<gfx::Image>& placeholder, WIManagerOptions options,
                               WILegacyCompletedBlock completed);

rt::Id currentImageURL(ui::Button& button);
rt::Id imageURLForState(ui::Button& button, uint64_t state);
/// Cancels the image load of the button's current state.
void cancelCurrentImageLoad(ui::Button& button);
void cancelBackgroundImageLoadForState(ui::Button& button, uint64_t state);

}  // namespace image
