#include <gtest/gtest.h>

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageContext.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

namespace {

// A bitmap `w` x `h` whose top-left pixel is red and the rest blue.
Ref<BitmapImage> markedBitmap(size_t w, size_t h) {
  auto ctx = Context::createForImage({double(w), double(h)}, false, 1);
  ctx->setRGBFillColor(0, 0, 1, 1);
  ctx->fillRect(RectMake(0, 0, double(w), double(h)));
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 0, 1, 1));
  return ctx->makeImage();
}

class SpriteImage : public Image {
  RT_CLASS(SpriteImage, Image)
};
RT_IMPLEMENT(SpriteImage) {}

}  // namespace

TEST(Image, OrientationSizesAndMarkedCorner) {
  auto bitmap = markedBitmap(4, 2);
  // Where the stored top-left pixel lands when drawn upright into the displayed size.
  struct {
    ImageOrientation o;
    Size size;
    Point marked;
  } cases[] = {
      {ImageOrientation::Up, {4, 2}, {0, 0}},
      {ImageOrientation::Down, {4, 2}, {3, 1}},
      {ImageOrientation::Left, {2, 4}, {0, 3}},
      {ImageOrientation::Right, {2, 4}, {1, 0}},
      {ImageOrientation::UpMirrored, {4, 2}, {3, 0}},
      {ImageOrientation::DownMirrored, {4, 2}, {0, 1}},
      {ImageOrientation::LeftMirrored, {2, 4}, {0, 0}},
      {ImageOrientation::RightMirrored, {2, 4}, {1, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.o));
    auto image = Image::imageWithCGImage(bitmap, 1, c.o);
    EXPECT_EQ(image->size(), c.size);
    auto ctx = Context::createForImage(c.size, false, 1);
    image->drawInRect(*ctx, RectMake(0, 0, c.size.width, c.size.height));
    EXPECT_PIXEL(ctx->pixelAt(size_t(c.marked.x), size_t(c.marked.y)), (Argb{255, 255, 0, 0}));
    int reds = 0;
    for (size_t y = 0; y < ctx->height(); ++y)
      for (size_t x = 0; x < ctx->width(); ++x) reds += unpack(ctx->pixelAt(x, y)).r > 200;
    EXPECT_EQ(reds, 1);
  }
}

TEST(Image, ScaleModesAndCopies) {
  auto bitmap = markedBitmap(8, 6);
  auto image = Image::imageWithCGImage(bitmap, 2);
  EXPECT_EQ(image->size(), SizeMake(4, 3));
  EXPECT_EQ(image->pixelSize(), SizeMake(8, 6));
  auto half = Image::imageWithCGImage(bitmap, 0.5);
  EXPECT_EQ(half->size(), SizeMake(16, 12));
  EXPECT_FALSE(Image::imageWithCGImage(nullptr));
  auto empty = rt::make<Image>();
  EXPECT_EQ(empty->size(), SizeZero);
  EXPECT_FALSE(empty->CGImage());

  auto original = image->imageWithRenderingMode(ImageRenderingMode::AlwaysOriginal);
  EXPECT_EQ(original->renderingMode(), ImageRenderingMode::AlwaysOriginal);
  EXPECT_EQ(image->renderingMode(), ImageRenderingMode::Automatic);
  EXPECT_EQ(original->CGImage(), bitmap);
  EXPECT_EQ(original->scale(), 2);

  auto sprite = rt::make<SpriteImage>(bitmap, 1.0, ImageOrientation::Up);
  auto derived = sprite->imageOfSameClassWithCGImage(bitmap, 3, ImageOrientation::Down);
  EXPECT_TRUE(rt::as<SpriteImage>(derived));
  EXPECT_EQ(derived->scale(), 3);
  EXPECT_TRUE(rt::as<SpriteImage>(sprite->imageWithRenderingMode(ImageRenderingMode::AlwaysTemplate)));
}

TEST(Image, AnimatedImagesTakeTheFirstFrameFacts) {
  auto a = Image::imageWithCGImage(markedBitmap(4, 4), 2), b = Image::imageWithCGImage(markedBitmap(4, 4), 2);
  auto animated = Image::animatedImageWithImages({a, b}, 0.5);
  ASSERT_TRUE(animated);
  EXPECT_EQ(animated->images().size(), 2u);
  EXPECT_EQ(animated->duration(), 0.5);
  EXPECT_EQ(animated->size(), SizeMake(2, 2));
  EXPECT_EQ(animated->scale(), 2);
  EXPECT_FALSE(Image::animatedImageWithImages({}, 1));
}

TEST(Image, CapInsetsKeepCornersWhenStretched) {
  // 6 x 6: a red 2-pixel frame around blue; stretched to 20 x 10 the frame stays 2 pixels.
  auto src = Context::createForImage({6, 6}, false, 1);
  src->setRGBFillColor(1, 0, 0, 1);
  src->fillRect(RectMake(0, 0, 6, 6));
  src->setRGBFillColor(0, 0, 1, 1);
  src->fillRect(RectMake(2, 2, 2, 2));
  auto image = Image::imageWithCGImage(src->makeImage())
                   ->resizableImageWithCapInsets(EdgeInsetsMake(2, 2, 2, 2), ImageResizingMode::Stretch);
  EXPECT_EQ(image->capInsets(), EdgeInsetsMake(2, 2, 2, 2));
  beginImageContextWithOptions({20, 10}, false, 1);
  auto ctx = currentContext();
  ctx->setInterpolationQuality(InterpolationQuality::None);
  image->drawInRect(RectMake(0, 0, 20, 10));
  EXPECT_PIXEL(ctx->pixelAt(1, 1), (Argb{255, 255, 0, 0}));
  EXPECT_PIXEL(ctx->pixelAt(18, 8), (Argb{255, 255, 0, 0}));
  EXPECT_PIXEL(ctx->pixelAt(3, 3), (Argb{255, 0, 0, 255}));
  EXPECT_PIXEL(ctx->pixelAt(16, 6), (Argb{255, 0, 0, 255}));
  endImageContext();

  // Tiling repeats the centre at its own size: a blue|green centre alternates across.
  src->setRGBFillColor(0, 1, 0, 1);
  src->fillRect(RectMake(3, 2, 1, 2));
  auto tiled = Image::imageWithCGImage(src->makeImage())->resizableImageWithCapInsets(EdgeInsetsMake(2, 2, 2, 2),
                                                                                       ImageResizingMode::Tile);
  beginImageContextWithOptions({12, 6}, false, 1);
  currentContext()->setInterpolationQuality(InterpolationQuality::None);
  tiled->drawInRect(RectMake(0, 0, 12, 6));
  EXPECT_PIXEL(currentContext()->pixelAt(4, 3), (Argb{255, 0, 0, 255}));
  EXPECT_PIXEL(currentContext()->pixelAt(5, 3), (Argb{255, 0, 255, 0}));
  EXPECT_PIXEL(currentContext()->pixelAt(8, 3), (Argb{255, 0, 0, 255}));
  EXPECT_PIXEL(currentContext()->pixelAt(11, 3), (Argb{255, 255, 0, 0}));
  endImageContext();
}

TEST(Image, DrawsWithBlendAndAlphaIntoTheCurrentContext) {
  auto image = Image::imageWithCGImage(markedBitmap(2, 2));
  beginImageContextWithOptions({2, 2}, false, 1);
  image->drawInRect(RectMake(0, 0, 2, 2), static_cast<int32_t>(BlendMode::Normal), 0.5);
  EXPECT_PIXEL(currentContext()->pixelAt(1, 1), (Argb{128, 0, 0, 128}));
  EXPECT_EQ(currentContext()->alpha(), 1);
  image->drawAtPoint({1, 1});
  EXPECT_PIXEL(currentContext()->pixelAt(1, 1), (Argb{255, 255, 0, 0}));
  endImageContext();
}
