#include "app/categories/Image+Category.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/ImageContext.h"

namespace app {

namespace {

Ref<gfx::Image> drawn(const gfx::Image* image, gfx::Size size, gfx::Rect rect) {
  gfx::beginImageContextWithOptions(size, false, 1);
  if (image) image->drawInRect(rect);
  auto out = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return out;
}

}  // namespace

Ref<gfx::Image> aspectFitToSize(const Ref<gfx::Image>& image, gfx::Size size) {
  if (!image) return drawn(nullptr, size, {});
  gfx::Size pixels = image->pixelSize();
  if (pixels.width <= 0 || pixels.height <= 0) return drawn(nullptr, size, {});
  float factor = std::min(static_cast<float>(size.width / pixels.width), static_cast<float>(size.height / pixels.height));
  double w = pixels.width * factor, h = pixels.height * factor;
  double x = std::trunc((size.width - w) / 2), y = std::trunc((size.height - h) / 2);
  return drawn(image.get(), size, {{x, y}, {w, h}});
}

Ref<gfx::Image> stretchToSize(const Ref<gfx::Image>& image, gfx::Size size) {
  return drawn(image.get(), size, {{0, 0}, size});
}

}  // namespace app
