#pragma once
// An animation whose frames are parts of one large image: one bitmap for all frames.
#include <vector>

#include "image/codec/DRAnimatedImage.h"
#include "platform/graphics/Image.h"

namespace image {

class DRSpriteSheetImage : public gfx::Image, public DRAnimatedImage {
  RT_CLASS(DRSpriteSheetImage, gfx::Image)
 public:
  void init() {}
  /// False (no object) for a sheet without a bitmap, empty lists or lists of different counts.
  bool init(const Ref<gfx::Image>& sheet, const std::vector<gfx::Rect>& contentRects, const std::vector<double>& frameDurations,
            uint64_t loopCount);

  const std::vector<gfx::Rect>& contentRects() const { return contentRects_; }
  const std::vector<double>& frameDurations() const { return frameDurations_; }
  uint64_t loopCount() const { return loopCount_; }
  /// The frame's rectangle in a layer's unit contents coordinates; the unit rectangle when unusable.
  gfx::Rect contentsRectForCALayerAtIndex(uint64_t index) const;

  uint64_t animatedImageFrameCount() override { return contentRects_.size(); }
  uint64_t animatedImageLoopCount() override { return loopCount_; }
  uint64_t animatedImageBytesPerFrame() override { return 0; }
  /// The sheet itself, for every index.
  Ref<gfx::Image> animatedImageFrameAtIndex(uint64_t index) override;
  double animatedImageDurationAtIndex(uint64_t index) override;
  std::optional<gfx::Rect> animatedImageContentsRectAtIndex(uint64_t index) override;

 private:
  std::vector<gfx::Rect> contentRects_;
  std::vector<double> frameDurations_;
  uint64_t loopCount_ = 0;
};

/// `rect` (in points of an image of `size`) in unit coordinates, clipped to the unit square;
/// the unit square for an image too small or a rectangle outside it.
gfx::Rect DRUnitContentsRect(const gfx::Rect& rect, gfx::Size size);

}  // namespace image
