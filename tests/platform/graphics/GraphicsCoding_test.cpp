#include <gtest/gtest.h>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

namespace {

template <class T> Ref<T> roundTrip(const Ref<T>& object) {
  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(object, true, &error);
  EXPECT_TRUE(data) << (error ? error->description().utf8() : "");
  if (!data) return nullptr;
  // Geometry (an image's cap insets) travels as boxed values.
  auto back = rt::as<T>(
      fd::KeyedUnarchiver::unarchivedObjectOfClasses({T::classObject(), fd::ValueBox::classObject()}, data, &error));
  EXPECT_TRUE(back) << (error ? error->description().utf8() : "");
  return back;
}

}  // namespace

TEST(GraphicsCoding, ColorsRoundTrip) {
  for (const auto& c : {Color::colorWithRed(0.1, 0.2, 0.3, 0.4), Color::colorWithWhite(0.5, 1),
                        Color::create(ColorSpace::deviceRGB(), {0, 0, 0, 0})}) {
    auto back = roundTrip(c);
    ASSERT_TRUE(back);
    EXPECT_NE(back.get(), c.get());
    EXPECT_TRUE(back->isEqual(c)) << back->description().utf8();
  }
}

TEST(GraphicsCoding, BezierPathsRoundTrip) {
  auto p = BezierPath::bezierPathWithRoundedRect(RectMake(1, 2, 30, 20), 5);
  p->setLineWidth(2.5);
  p->setLineCapStyle(LineCap::Round);
  p->setLineDash({3, 1}, 0.5);
  p->setUsesEvenOddFillRule(true);
  auto back = roundTrip(p);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->CGPath()->isEqual(p->CGPath()));
  EXPECT_EQ(back->lineWidth(), 2.5);
  EXPECT_EQ(back->lineCapStyle(), LineCap::Round);
  EXPECT_EQ(back->lineDash(), (std::vector<double>{3, 1}));
  EXPECT_EQ(back->lineDashPhase(), 0.5);
  EXPECT_TRUE(back->usesEvenOddFillRule());
}

TEST(GraphicsCoding, StillImagesRoundTripWithScaleAndOrientation) {
  auto ctx = Context::createForImage({3, 2}, false, 1);
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 0, 1, 1));
  auto image = Image::imageWithCGImage(ctx->makeImage(), 2, ImageOrientation::Right)
                   ->imageWithRenderingMode(ImageRenderingMode::AlwaysTemplate);
  auto back = roundTrip(image);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->scale(), 2);
  EXPECT_EQ(back->imageOrientation(), ImageOrientation::Right);
  EXPECT_EQ(back->renderingMode(), ImageRenderingMode::AlwaysTemplate);
  EXPECT_EQ(back->size(), image->size());
  ASSERT_TRUE(back->CGImage());
  EXPECT_EQ(back->CGImage()->bitmapInfo(), image->CGImage()->bitmapInfo());
  EXPECT_PIXEL(back->CGImage()->pixel(0, 0), (Argb{255, 255, 0, 0}));
  EXPECT_PIXEL(back->CGImage()->pixel(2, 1), (Argb{0, 0, 0, 0}));

  auto empty = roundTrip(rt::make<Image>());
  ASSERT_TRUE(empty);
  EXPECT_FALSE(empty->CGImage());
}

TEST(GraphicsCoding, DamagedArchivesGiveNoObject) {
  auto image = Image::imageWithCGImage(BitmapImage::createNative(4, 4));
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(image);
  ASSERT_TRUE(data);
  // A truncated archive: no crash, no image, an error.
  auto cut = data->subdataWithRange({0, data->length() / 2});
  Ref<fd::Error> error;
  EXPECT_FALSE(fd::KeyedUnarchiver::unarchivedObjectOfClass(Image::classObject(), cut, &error));
  EXPECT_TRUE(error);
}
