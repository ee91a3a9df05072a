#pragma once
// What an animated image view requires of an animated image. Frame queries may come from any
// thread; frame images may be slow to make and are asked for off the main thread.
#include <cstdint>
#include <optional>

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace image {

class DRAnimatedImage {
 public:
  virtual ~DRAnimatedImage() = default;
  /// Animated only above 1.
  virtual uint64_t animatedImageFrameCount() = 0;
  /// 0 means forever.
  virtual uint64_t animatedImageLoopCount() = 0;
  /// Bytes of one decoded frame; 0 when unknown.
  virtual uint64_t animatedImageBytesPerFrame() = 0;
  /// Display-ready, or null.
  virtual Ref<gfx::Image> animatedImageFrameAtIndex(uint64_t index) = 0;
  /// Seconds.
  virtual double animatedImageDurationAtIndex(uint64_t index) = 0;
  /// The frame's part of the one image, in its points; nullopt: the image does not answer.
  virtual std::optional<gfx::Rect> animatedImageContentsRectAtIndex(uint64_t) { return std::nullopt; }
};

}  // namespace image
