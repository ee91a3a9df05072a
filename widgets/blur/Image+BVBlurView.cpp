#include "widgets/blur/Image+BVBlurView.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/PixelOps.h"

namespace widgets {

uint32_t BVBoxSize(double radius, double scale) {
  auto box = static_cast<uint32_t>(radius * scale);
  if (box % 2 == 0) box += 1;
  return box;
}

Ref<gfx::Image> blurredImageWithRadius(const Ref<gfx::Image>& image, double radius, unsigned iterations,
                                       const Ref<gfx::Color>& tint) {
  if (!image) return nullptr;
  gfx::Size size = image->size();
  if (std::floor(static_cast<float>(size.width)) * std::floor(static_cast<float>(size.height)) <= 0) return image;
  uint32_t box = BVBoxSize(radius, image->scale());

  Ref<gfx::BitmapImage> bitmap = image->CGImage();
  auto usable = [](const gfx::BitmapImage& b) {
    return b.bitsPerPixel() == 32 && b.bitsPerComponent() == 8 && (b.bitmapInfo() & gfx::BitmapAlphaInfoMask) != 0;
  };
  if (!bitmap || !usable(*bitmap)) {
    gfx::beginImageContextWithOptions(size, false, image->scale());
    image->drawAtPoint({0, 0});
    auto redrawn = gfx::imageFromCurrentImageContext();
    gfx::endImageContext();
    if (!redrawn || !redrawn->CGImage()) return image;
    bitmap = redrawn->CGImage();
  }
  size_t width = bitmap->width(), height = bitmap->height(), rowBytes = bitmap->bytesPerRow();
  std::vector<uint8_t> first(bitmap->bytes(), bitmap->bytes() + height * rowBytes), second(height * rowBytes);
  gfx::vImage_Buffer a{first.data(), height, width, rowBytes}, b{second.data(), height, width, rowBytes};
  gfx::vImage_Error tempSize = gfx::vImageBoxConvolve_ARGB8888(&a, &b, nullptr, 0, 0, box, box, nullptr,
                                                               gfx::kvImageGetTempBufferSize | gfx::kvImageEdgeExtend);
  std::vector<uint8_t> temp(tempSize > 0 ? static_cast<size_t>(tempSize) : 0);
  for (unsigned i = 0; i < iterations; ++i) {
    gfx::vImageBoxConvolve_ARGB8888(&a, &b, temp.data(), 0, 0, box, box, nullptr, gfx::kvImageEdgeExtend);
    std::swap(a.data, b.data);
  }
  auto context = gfx::Context::createBitmap(a.data, width, height, 8, rowBytes, bitmap->colorSpace(), bitmap->bitmapInfo());
  if (!context) return image;
  if (tint && tint->alpha() > 0) {
    context->setFillColor(tint->colorWithAlphaComponent(0.25));
    context->setBlendMode(gfx::BlendMode::PlusLighter);
    context->fillRect({{0, 0}, {static_cast<double>(width), static_cast<double>(height)}});
  }
  auto out = context->makeImage();
  return out ? gfx::Image::imageWithCGImage(out, image->scale(), image->imageOrientation()) : image;
}

}  // namespace widgets
