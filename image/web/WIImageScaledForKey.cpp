#include "image/web/WIImageScaledForKey.h"

namespace image {

double WIScaleForKey(const std::optional<fd::String>& key) {
  double scale = 1;
  if (key && key->length() >= 8) {
    if (key->contains("@2x.")) scale = 2;
    if (key->contains("@3x.")) scale = 3;
  }
  return scale;
}

Ref<gfx::Image> WIImageScaledForKey(const std::optional<fd::String>& key, const Ref<gfx::Image>& image) {
  if (!image) return nullptr;
  if (!image->images().empty()) {
    std::vector<Ref<gfx::Image>> frames;
    frames.reserve(image->images().size());
    for (const auto& frame : image->images())
      if (auto scaled = WIImageScaledForKey(key, frame)) frames.push_back(scaled);
    return gfx::Image::animatedImageWithImages(frames, image->duration());
  }
  if (!image->CGImage()) return image;
  return gfx::Image::imageWithCGImage(image->CGImage(), WIScaleForKey(key), image->imageOrientation());
}

}  // namespace image
