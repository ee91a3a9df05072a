#include "image/codec/DRImageFrame.h"

namespace image {

RT_IMPLEMENT(DRImageFrame) {}

Ref<DRImageFrame> DRImageFrame::frameWithImage(const Ref<gfx::Image>& image) {
  auto frame = rt::make<DRImageFrame>();
  frame->image = image;
  return frame;
}

void DRImageFrame::copyFieldsTo(DRImageFrame& other) const {
  other.index = index;
  other.width = width;
  other.height = height;
  other.offsetX = offsetX;
  other.offsetY = offsetY;
  other.duration = duration;
  other.dispose = dispose;
  other.blend = blend;
  other.image = image;
}

rt::Id DRImageFrame::copy() const {
  auto other = rt::as<DRImageFrame>(getClass()->createInstance());
  if (!other) other = rt::make<DRImageFrame>();
  copyFieldsTo(*other);
  return other;
}

}  // namespace image
