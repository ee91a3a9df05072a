#pragma once
// Filling an image view with an image: scaled to cover the view keeping its aspect, then the
// centred view-sized part cut out; and the cropping it uses.
#include "platform/ui/controls/ImageView.h"

namespace app {

void SetImageForSelf(ui::ImageView& view, const Ref<gfx::Image>& image);
/// The rectangle (in the image's pixels) as a new image at scale 0.5, orientation up.
Ref<gfx::Image> getSubImage(gfx::Rect rect, const Ref<gfx::Image>& image);

}  // namespace app
