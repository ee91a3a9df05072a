#pragma once
// One frame of a decoded image and its place on the animation canvas.
#include <cstdint>

#include "image/codec/DRImageCoderTypes.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Class.h"

namespace image {

class DRImageFrame : public rt::Object {
  RT_CLASS(DRImageFrame, rt::Object)
 public:
  void init() {}
  static Ref<DRImageFrame> frameWithImage(const Ref<gfx::Image>& image);

  uint64_t index = 0;
  uint64_t width = 0;
  uint64_t height = 0;
  uint64_t offsetX = 0;
  /// Counted from the bottom edge of the canvas.
  uint64_t offsetY = 0;
  double duration = 0;
  DRImageDisposeMethod dispose = DRImageDisposeNone;
  DRImageBlendOperation blend = DRImageBlendNone;
  Ref<gfx::Image> image;

  /// Every field; the image is shared (images are immutable).
  rt::Id copy() const override;

 protected:
  void copyFieldsTo(DRImageFrame& other) const;
};

}  // namespace image
