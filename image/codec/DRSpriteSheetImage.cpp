#include "image/codec/DRSpriteSheetImage.h"

namespace image {

RT_IMPLEMENT(DRSpriteSheetImage) {}

gfx::Rect DRUnitContentsRect(const gfx::Rect& rect, gfx::Size size) {
  const gfx::Rect unit{{0, 0}, {1, 1}};
  if (!(size.width > 0.01) || !(size.height > 0.01)) return unit;
  gfx::Rect r{{rect.origin.x / size.width, rect.origin.y / size.height},
              {rect.size.width / size.width, rect.size.height / size.height}};
  r = gfx::RectIntersection(r, unit);
  if (gfx::RectIsNull(r) || gfx::RectIsEmpty(r)) return unit;
  return r;
}

bool DRSpriteSheetImage::init(const Ref<gfx::Image>& sheet, const std::vector<gfx::Rect>& contentRects,
                              const std::vector<double>& frameDurations, uint64_t loopCount) {
  if (!sheet || !sheet->CGImage() || contentRects.empty() || frameDurations.empty() ||
      contentRects.size() != frameDurations.size())
    return false;
  if (!gfx::Image::init(sheet->CGImage(), sheet->scale(), sheet->imageOrientation())) return false;
  contentRects_ = contentRects;
  frameDurations_ = frameDurations;
  loopCount_ = loopCount;
  return true;
}

gfx::Rect DRSpriteSheetImage::contentsRectForCALayerAtIndex(uint64_t index) const {
  if (index >= contentRects_.size()) return gfx::Rect{{0, 0}, {1, 1}};
  return DRUnitContentsRect(contentRects_[index], size());
}

Ref<gfx::Image> DRSpriteSheetImage::animatedImageFrameAtIndex(uint64_t) {
  return std::static_pointer_cast<gfx::Image>(shared_from_this());
}

double DRSpriteSheetImage::animatedImageDurationAtIndex(uint64_t index) {
  return index < frameDurations_.size() ? frameDurations_[index] : 0;
}

std::optional<gfx::Rect> DRSpriteSheetImage::animatedImageContentsRectAtIndex(uint64_t index) {
  return index < contentRects_.size() ? contentRects_[index] : gfx::RectZero;
}

}  // namespace image
