#include "image/web/Image+ForceDecode.h"

#include "platform/graphics/Context.h"

namespace image {

uint32_t decodedBitmapInfo(uint32_t bitmapInfo, size_t components) {
  uint32_t alpha = bitmapInfo & gfx::BitmapAlphaInfoMask;
  if (alpha == gfx::ImageAlphaNone && components >= 2) {
    alpha = gfx::ImageAlphaNoneSkipFirst;
  } else if (alpha != gfx::ImageAlphaNone && alpha != gfx::ImageAlphaNoneSkipLast &&
             alpha != gfx::ImageAlphaNoneSkipFirst && components == 3) {
    alpha = gfx::ImageAlphaPremultipliedFirst;
  }
  return (bitmapInfo & ~gfx::BitmapAlphaInfoMask) | alpha;
}

Ref<gfx::Image> decodedImageWithImage(const Ref<gfx::Image>& image) {
  if (!image || !image->images().empty()) return image;
  const Ref<gfx::BitmapImage>& cg = image->CGImage();
  if (!cg) return image;
  const auto& space = gfx::ColorSpace::deviceRGB();
  const size_t components = cg->colorSpace() ? cg->colorSpace()->numberOfComponents() : 0;
  const uint32_t info = decodedBitmapInfo(cg->bitmapInfo(), components);
  // The platform's decoders already hand out decoded bitmaps of the drawing format: when the
  // redraw would give the very same pixels in the very same layout, share them.
  if (cg->format().isNative() && info == cg->bitmapInfo() && components == 3)
    return gfx::Image::imageWithCGImage(cg, image->scale(), image->imageOrientation());
  auto context = gfx::Context::createBitmap(nullptr, cg->width(), cg->height(), cg->bitsPerComponent(), 0, space, info);
  if (!context) return image;
  context->drawImage(gfx::Rect{{0, 0}, {double(cg->width()), double(cg->height())}}, *cg);
  auto drawn = context->makeImage();
  if (!drawn) return image;
  return gfx::Image::imageWithCGImage(drawn, image->scale(), image->imageOrientation());
}

}  // namespace image
