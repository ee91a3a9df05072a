#include "app/categories/ImageView+Category.h"

#include "app/categories/Image+Category.h"
#include "platform/graphics/Bitmap.h"

namespace app {

Ref<gfx::Image> getSubImage(gfx::Rect rect, const Ref<gfx::Image>& image) {
  if (!image || !image->CGImage()) return nullptr;
  auto cut = image->CGImage()->createWithImageInRect(rect);
  return cut ? gfx::Image::imageWithCGImage(cut, 0.5, gfx::ImageOrientation::Up) : nullptr;
}

void SetImageForSelf(ui::ImageView& view, const Ref<gfx::Image>& image) {
  view.setBackgroundColor(gfx::Color::colorWithRed(1, 0.5, 0, 1));
  if (!image) return;
  gfx::Size frame = view.frame().size;
  gfx::Size size = image->size();
  if (frame.height <= 0 || size.height <= 0) return;
  double imageRatio = size.width / size.height, viewRatio = frame.width / frame.height;
  Ref<gfx::Image> result = image;
  if (imageRatio < viewRatio) {
    double scaledHeight = frame.width / imageRatio;
    auto scaled = stretchToSize(image, gfx::Size{frame.width, scaledHeight});
    result = getSubImage({{0, (scaledHeight - frame.height) * 0.5}, frame}, scaled);
  } else if (imageRatio > viewRatio) {
    double scaledWidth = frame.height * imageRatio;
    auto scaled = stretchToSize(image, gfx::Size{scaledWidth, frame.height});
    result = getSubImage({{(scaledWidth - frame.width) * 0.5, 0}, frame}, scaled);
  }
  view.setImage(result);
}

}  // namespace app
