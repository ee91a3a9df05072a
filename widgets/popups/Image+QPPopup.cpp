#include "widgets/popups/Image+QPPopup.h"

#include <cmath>

#include "platform/graphics/ImageContext.h"

namespace widgets {

Ref<gfx::Image> qp_imageWithColor(const Ref<gfx::Color>& color) { return qp_imageWithColor(color, {4, 4}); }

Ref<gfx::Image> qp_imageWithColor(const Ref<gfx::Color>& color, gfx::Size size) {
  gfx::beginImageContextWithOptions(size, false, 1);
  if (auto context = gfx::currentContext()) {
    context->setFillColor(color);
    context->fillRect({{0, 0}, size});
  }
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image ? qp_stretched(image) : nullptr;
}

Ref<gfx::Image> qp_stretched(const Ref<gfx::Image>& image) {
  if (!image) return nullptr;
  auto size = image->size();
  auto cap = [](double extent) { return std::trunc(static_cast<float>(extent - 1)) / 2.0; };
  double v = cap(size.height), h = cap(size.width);
  return image->resizableImageWithCapInsets({v, h, v, h});
}

}  // namespace widgets
