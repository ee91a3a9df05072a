#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

namespace {

const Argb kClear{0, 0, 0, 0};
const Argb kRed{255, 255, 0, 0};
const Argb kBlue{255, 0, 0, 255};

Ref<Context> nativeContext(size_t w, size_t h) {
  return Context::createBitmap(nullptr, w, h, 8, 0, ColorSpace::deviceRGB(), BitmapInfoNativePremultiplied);
}

// A 1 x 2 bitmap: red on top, blue below.
Ref<BitmapImage> redOverBlue() {
  auto ctx = nativeContext(1, 2);
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 1, 1, 1));  // y-up: the top row
  ctx->setRGBFillColor(0, 0, 1, 1);
  ctx->fillRect(RectMake(0, 0, 1, 1));
  return ctx->makeImage();
}

}  // namespace

TEST(BitmapContext, FillsInYUpSpace) {
  auto ctx = nativeContext(4, 4);
  ASSERT_TRUE(ctx);
  EXPECT_TRUE(AffineTransformIsIdentity(ctx->getCTM()));
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 0, 2, 2));
  EXPECT_PIXEL(ctx->pixelAt(0, 3), kRed);  // bottom-left in device rows
  EXPECT_PIXEL(ctx->pixelAt(1, 2), kRed);
  EXPECT_PIXEL(ctx->pixelAt(0, 0), kClear);
  EXPECT_PIXEL(ctx->pixelAt(3, 3), kClear);
  auto* bytes = static_cast<const uint8_t*>(ctx->data()) + 3 * ctx->bytesPerRow();
  EXPECT_EQ(bytes[0], 0);  // B G R A in memory
  EXPECT_EQ(bytes[2], 255);
  EXPECT_EQ(bytes[3], 255);
}

TEST(BitmapContext, CallerBuffersInEachLayout) {
  struct {
    uint32_t info;
    uint8_t expected[4];  // after filling red at alpha 0.5
  } cases[] = {
      {BitmapByteOrder32Little | ImageAlphaPremultipliedFirst, {0, 0, 128, 128}},
      {BitmapByteOrder32Big | ImageAlphaPremultipliedLast, {128, 0, 0, 128}},
      {ImageAlphaPremultipliedLast, {128, 0, 0, 128}},
      {ImageAlphaPremultipliedFirst, {128, 128, 0, 0}},
      {BitmapByteOrder32Little | ImageAlphaNoneSkipFirst, {0, 0, 128, 255}},
      {ImageAlphaNoneSkipLast, {128, 0, 0, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.info);
    uint8_t pixel[4] = {0, 0, 0, 0};
    auto ctx = Context::createBitmap(pixel, 1, 1, 8, 4, ColorSpace::createDeviceRGB(), c.info);
    ASSERT_TRUE(ctx);
    EXPECT_EQ(ctx->bitmapInfo(), c.info);
    EXPECT_EQ(ctx->bitsPerPixel(), 32u);
    ctx->setRGBFillColor(1, 0, 0, 0.5);
    ctx->fillRect(RectMake(0, 0, 1, 1));
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(pixel[i], c.expected[i], 1) << "byte " << i;
    auto image = ctx->makeImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmapInfo(), c.info);
    EXPECT_EQ(image->bytesPerRow(), 4u);
  }
}

TEST(BitmapContext, GrayAndAlphaOnlyBuffers) {
  uint8_t gray[2] = {0, 0};
  auto g = Context::createBitmap(gray, 2, 1, 8, 2, ColorSpace::deviceGray(), ImageAlphaNone);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->bitsPerPixel(), 8u);
  g->setGrayFillColor(1, 1);
  g->fillRect(RectMake(1, 0, 1, 1));
  EXPECT_EQ(gray[0], 0);
  EXPECT_EQ(gray[1], 255);
  uint8_t mask[1] = {0};
  auto a = Context::createBitmap(mask, 1, 1, 8, 1, nullptr, ImageAlphaOnly);
  ASSERT_TRUE(a);
  a->setGrayFillColor(0, 0.5);
  a->fillRect(RectMake(0, 0, 1, 1));
  EXPECT_NEAR(mask[0], 128, 1);
}

TEST(BitmapContext, RefusesUnsupportedCombinations) {
  auto rgb = ColorSpace::deviceRGB();
  EXPECT_FALSE(Context::createBitmap(nullptr, 4, 4, 16, 0, rgb, ImageAlphaPremultipliedLast));
  EXPECT_FALSE(Context::createBitmap(nullptr, 4, 4, 8, 0, rgb, ImageAlphaLast));
  EXPECT_FALSE(Context::createBitmap(nullptr, 4, 4, 8, 0, rgb, ImageAlphaFirst));
  EXPECT_FALSE(Context::createBitmap(nullptr, 4, 4, 8, 8, rgb, ImageAlphaPremultipliedFirst));
  EXPECT_FALSE(Context::createBitmap(nullptr, 0, 4, 8, 0, rgb, ImageAlphaPremultipliedFirst));
  EXPECT_FALSE(Context::createBitmap(nullptr, 4, 4, 8, 0, nullptr, ImageAlphaPremultipliedFirst));
  auto chosen = Context::createBitmap(nullptr, 5, 3, 8, 0, rgb, ImageAlphaPremultipliedFirst);
  ASSERT_TRUE(chosen);
  EXPECT_GE(chosen->bytesPerRow(), 20u);
  EXPECT_EQ(chosen->bytesPerRow() % 32, 0u);
}

TEST(Painting, GradientEnds) {
  auto ctx = Context::createForImage({100, 1}, false, 1);
  auto g = Gradient::createWithColorComponents(ColorSpace::deviceRGB(), {1, 0, 0, 1, 0, 0, 1, 1}, {0, 1});
  ASSERT_TRUE(g);
  ctx->drawLinearGradient(*g, {0, 0}, {100, 0}, 0);
  EXPECT_PIXEL(ctx->pixelAt(0, 0), kRed);
  EXPECT_PIXEL(ctx->pixelAt(99, 0), kBlue);
  Argb mid = unpack(ctx->pixelAt(50, 0));
  EXPECT_NEAR(mid.r, 128, 4);
  EXPECT_NEAR(mid.b, 128, 4);
}

TEST(Painting, RadialGradientDrawnAfterItsEnd) {
  auto g = Gradient::createWithColorComponents(ColorSpace::createDeviceRGB(), {1, 1, 1, 1, 0, 0, 0, 0.75}, {});
  for (uint32_t options : {0u, uint32_t(GradientDrawsAfterEndLocation)}) {
    auto ctx = Context::createForImage({40, 40}, false, 1);
    ctx->drawRadialGradient(*g, {20, 20}, 0, {20, 20}, 10, options);
    Argb centre = unpack(ctx->pixelAt(20, 20)), corner = unpack(ctx->pixelAt(0, 0));
    EXPECT_GT(centre.a, 240);
    if (options) EXPECT_TRUE(corner.near({191, 0, 0, 0})) << corner;
    else EXPECT_EQ(corner.a, 0);
  }
}

TEST(Painting, RoundedCornerStaysTransparent) {
  beginImageContextWithOptions({20, 20}, false, 1);
  auto ctx = currentContext();
  ctx->setFillColor(Color::redColor());
  BezierPath::bezierPathWithRoundedRect(RectMake(0, 0, 20, 20), 8)->fill();
  EXPECT_PIXEL(ctx->pixelAt(0, 0), kClear);
  EXPECT_PIXEL(ctx->pixelAt(19, 19), kClear);
  EXPECT_PIXEL(ctx->pixelAt(10, 10), kRed);
  EXPECT_PIXEL(ctx->pixelAt(10, 0), kRed);
  endImageContext();
}

TEST(Painting, ClipsToRectsAndEvenOddPaths) {
  auto ctx = Context::createForImage({10, 10}, false, 1);
  ctx->saveGState();
  ctx->clipToRect(RectMake(0, 0, 5, 10));
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 0, 10, 10));
  ctx->restoreGState();
  EXPECT_PIXEL(ctx->pixelAt(2, 5), kRed);
  EXPECT_PIXEL(ctx->pixelAt(7, 5), kClear);

  auto ring = Context::createForImage({10, 10}, false, 1);
  ring->addRect(RectMake(0, 0, 10, 10));
  ring->addRect(RectMake(3, 3, 4, 4));
  ring->eoClip();
  ring->setRGBFillColor(0, 0, 1, 1);
  ring->fillRect(RectMake(0, 0, 10, 10));
  EXPECT_PIXEL(ring->pixelAt(1, 1), kBlue);
  EXPECT_PIXEL(ring->pixelAt(5, 5), kClear);
  EXPECT_EQ(ring->getClipBoundingBox(), RectMake(0, 0, 10, 10));
}

TEST(Painting, BlendModesOnOnePixel) {
  // Half-transparent blue over opaque red.
  struct {
    BlendMode mode;
    Argb expected;
  } cases[] = {
      {BlendMode::Normal, {255, 128, 0, 128}},
      {BlendMode::SourceAtop, {255, 128, 0, 128}},
      {BlendMode::PlusLighter, {255, 255, 0, 128}},
      {BlendMode::PlusDarker, {255, 127, 0, 0}},
      {BlendMode::SourceOut, {0, 0, 0, 0}},
      {BlendMode::DestinationIn, {128, 128, 0, 0}},
      {BlendMode::DestinationOut, {128, 128, 0, 0}},
      {BlendMode::Copy, {128, 0, 0, 128}},
      {BlendMode::Clear, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    auto ctx = nativeContext(2, 1);
    ctx->setRGBFillColor(1, 0, 0, 1);
    ctx->fillRect(RectMake(0, 0, 2, 1));
    ctx->setBlendMode(c.mode);
    ctx->setRGBFillColor(0, 0, 1, 0.5);
    ctx->fillRect(RectMake(0, 0, 1, 1));
    EXPECT_PIXEL(ctx->pixelAt(0, 0), c.expected);
    EXPECT_PIXEL(ctx->pixelAt(1, 0), kRed);  // outside the shape nothing changes
  }
}

TEST(Painting, AlphaShadowLayerAndClear) {
  auto ctx = Context::createForImage({10, 10}, false, 1);
  ctx->setAlpha(0.5);
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 0, 2, 2));
  EXPECT_PIXEL(ctx->pixelAt(0, 0), (Argb{128, 128, 0, 0}));
  ctx->setAlpha(1);

  // Two overlapping opaque fills inside a half-transparent layer composite once.
  ctx->setAlpha(0.5);
  ctx->beginTransparencyLayer();
  EXPECT_EQ(ctx->alpha(), 1);
  ctx->setRGBFillColor(0, 0, 1, 1);
  ctx->fillRect(RectMake(4, 0, 4, 2));
  ctx->fillRect(RectMake(6, 0, 4, 2));
  ctx->endTransparencyLayer();
  EXPECT_PIXEL(ctx->pixelAt(7, 0), (Argb{128, 0, 0, 128}));
  EXPECT_EQ(ctx->alpha(), 0.5);
  ctx->setAlpha(1);

  // A sharp shadow offset down and right (the image context is y-down).
  ctx->setShadowWithColor({2, 2}, 0, Color::blackColor());
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(0, 4, 2, 2));
  ctx->setShadowWithColor({0, 0}, 0, nullptr);
  EXPECT_PIXEL(ctx->pixelAt(0, 4), kRed);
  EXPECT_PIXEL(ctx->pixelAt(3, 7), (Argb{255, 0, 0, 0}));
  EXPECT_PIXEL(ctx->pixelAt(5, 9), kClear);

  ctx->clearRect(RectMake(0, 0, 10, 10));
  EXPECT_PIXEL(ctx->pixelAt(0, 4), kClear);
}

TEST(Painting, BlurredShadowSpreads) {
  auto ctx = Context::createForImage({30, 30}, false, 1);
  ctx->setShadowWithColor({0, 0}, 6, Color::blackColor());
  ctx->setRGBFillColor(1, 1, 1, 1);
  ctx->fillRect(RectMake(10, 10, 10, 10));
  Argb outside = unpack(ctx->pixelAt(8, 15));
  EXPECT_GT(outside.a, 10);
  EXPECT_LT(outside.a, 200);
  EXPECT_EQ(outside.r, 0);
  EXPECT_EQ(unpack(ctx->pixelAt(0, 0)).a, 0);
}

TEST(Painting, ContentOutsideTheSurfaceCastsItsShadowIntoIt) {
  auto ctx = Context::createForImage({20, 10}, false, 2);
  ctx->setShadowWithColor({-1000, 0}, 0, Color::blackColor());
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(1004, 2, 4, 4));
  EXPECT_PIXEL(ctx->pixelAt(10, 8), (Argb{255, 0, 0, 0}));
  EXPECT_PIXEL(ctx->pixelAt(20, 8), kClear);
  // Glyph paths and strokes take the same road.
  ctx->setRGBStrokeColor(0, 0, 1, 1);
  ctx->setLineWidth(2);
  ctx->moveToPoint(1012, 8);
  ctx->addLineToPoint(1018, 8);
  ctx->strokePath();
  EXPECT_PIXEL(ctx->pixelAt(30, 16), (Argb{255, 0, 0, 0}));
}

TEST(Painting, StrokesWithWidthDashAndHairline) {
  auto ctx = Context::createForImage({20, 10}, false, 1);
  ctx->setRGBStrokeColor(1, 0, 0, 1);
  ctx->setLineWidth(4);
  ctx->moveToPoint(0, 5);
  ctx->addLineToPoint(20, 5);
  ctx->strokePath();
  EXPECT_PIXEL(ctx->pixelAt(10, 3), kRed);
  EXPECT_PIXEL(ctx->pixelAt(10, 6), kRed);
  EXPECT_PIXEL(ctx->pixelAt(10, 8), kClear);
  EXPECT_TRUE(ctx->isPathEmpty());

  auto dashed = Context::createForImage({20, 4}, false, 1);
  dashed->setLineWidth(2);
  dashed->setLineDash(0, {5, 5});
  dashed->moveToPoint(0, 2);
  dashed->addLineToPoint(20, 2);
  dashed->strokePath();
  EXPECT_EQ(unpack(dashed->pixelAt(2, 2)).a, 255);
  EXPECT_EQ(unpack(dashed->pixelAt(7, 2)).a, 0);
  EXPECT_EQ(unpack(dashed->pixelAt(12, 2)).a, 255);

  auto hair = Context::createForImage({10, 10}, false, 2);
  hair->setLineWidth(0);
  hair->moveToPoint(0, 5.25);
  hair->addLineToPoint(10, 5.25);
  hair->strokePath();
  EXPECT_GT(unpack(hair->pixelAt(5, 10)).a, 0);
  EXPECT_EQ(unpack(hair->pixelAt(5, 8)).a, 0);
}

TEST(Painting, SingularTransformDrawsNothingUntilRestored) {
  auto ctx = nativeContext(2, 2);
  ctx->saveGState();
  ctx->scaleCTM(0, 0);
  ctx->fillRect(RectMake(0, 0, 2, 2));
  EXPECT_PIXEL(ctx->pixelAt(0, 0), kClear);
  ctx->restoreGState();
  ctx->fillRect(RectMake(0, 0, 2, 2));
  EXPECT_PIXEL(ctx->pixelAt(0, 0), (Argb{255, 0, 0, 0}));
}

TEST(ImageDrawing, LowLevelDrawIsYUpAndImagesDrawUpright) {
  auto image = redOverBlue();
  ASSERT_TRUE(image);
  EXPECT_PIXEL(image->pixel(0, 0), kRed);

  auto bitmap = nativeContext(1, 2);
  bitmap->drawImage(RectMake(0, 0, 1, 2), *image);
  EXPECT_PIXEL(bitmap->pixelAt(0, 0), kRed);  // upright in y-up space

  auto flipped = Context::createForImage({1, 2}, false, 1);
  flipped->drawImage(RectMake(0, 0, 1, 2), *image);
  EXPECT_PIXEL(flipped->pixelAt(0, 0), kBlue);  // upside down in a y-down space

  auto upright = Context::createForImage({1, 2}, false, 1);
  Image::imageWithCGImage(image)->drawInRect(*upright, RectMake(0, 0, 1, 2));
  EXPECT_PIXEL(upright->pixelAt(0, 0), kRed);

  auto scaled = nativeContext(4, 8);
  scaled->setInterpolationQuality(InterpolationQuality::None);
  scaled->drawImage(RectMake(0, 0, 4, 8), *image);
  EXPECT_PIXEL(scaled->pixelAt(3, 3), kRed);
  EXPECT_PIXEL(scaled->pixelAt(3, 4), kBlue);
}

TEST(ImageContexts, StackScaleAndImage) {
  EXPECT_FALSE(currentContext());
  beginImageContextWithOptions({2, 3}, false, 0);
  auto ctx = currentContext();
  ASSERT_TRUE(ctx);
  EXPECT_EQ(ctx->scale(), mainScreenScale());
  AffineTransform ctm = ctx->getCTM();
  EXPECT_EQ(ctm, (AffineTransform{2, 0, 0, -2, 0, 6}));
  ctx->setRGBFillColor(0, 0, 1, 1);
  ctx->fillRect(RectMake(0, 0, 1, 1));
  auto image = imageFromCurrentImageContext();
  endImageContext();
  EXPECT_FALSE(currentContext());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), SizeMake(2, 3));
  EXPECT_EQ(image->scale(), 2);
  EXPECT_EQ(image->CGImage()->width(), 4u);
  EXPECT_PIXEL(image->CGImage()->pixel(1, 1), kBlue);
  EXPECT_PIXEL(image->CGImage()->pixel(2, 2), kClear);

  beginImageContextWithOptions({1, 1}, true, 1);
  auto opaque = imageFromCurrentImageContext();
  endImageContext();
  EXPECT_EQ(opaque->CGImage()->alphaInfo(), ImageAlphaNoneSkipFirst);
  EXPECT_PIXEL(opaque->CGImage()->pixel(0, 0), (Argb{255, 0, 0, 0}));

  // A failed begin inside another context: its end leaves the outer one current.
  beginImageContextWithOptions({5, 5}, false, 1);
  auto outer = currentContext();
  beginImageContextWithOptions({0, 0}, false, 1);
  EXPECT_FALSE(currentContext());
  EXPECT_FALSE(imageFromCurrentImageContext());
  endImageContext();
  EXPECT_EQ(currentContext(), outer);
  endImageContext();
  EXPECT_FALSE(currentContext());
}

TEST(ImageContexts, EachThreadHasItsOwnStack) {
  beginImageContext({4, 4});
  Ref<Image> fromThread;
  bool sawMain = true;
  std::thread t([&] {
    sawMain = currentContext() != nullptr;
    beginImageContextWithOptions({3, 3}, false, 1);
    currentContext()->fillRect(RectMake(0, 0, 3, 3));
    fromThread = imageFromCurrentImageContext();
    endImageContext();
  });
  t.join();
  EXPECT_FALSE(sawMain);
  ASSERT_TRUE(fromThread);
  EXPECT_EQ(fromThread->size(), SizeMake(3, 3));
  EXPECT_EQ(currentContext()->width(), 4u);
  endImageContext();
}

TEST(PDFContext, WritesPagesIntoData) {
  auto data = fd::MutableData::create();
  auto pdf = Context::createPDF(data, RectMake(0, 0, 200, 100));
  ASSERT_TRUE(pdf);
  pdf->beginPage();
  pdf->setRGBFillColor(1, 0, 0, 1);
  pdf->fillRect(RectMake(10, 10, 50, 50));
  pdf->endPage();
  pdf->closePDF();
  ASSERT_GT(data->length(), 100u);
  EXPECT_EQ(std::string(data->view().substr(0, 5)), "%PDF-");
  EXPECT_FALSE(pdf->makeImage());

  auto kitData = fd::MutableData::create();
  beginPDFContextToData(kitData, RectMake(0, 0, 100, 100));
  beginPDFPage();
  currentContext()->fillRect(RectMake(0, 0, 10, 10));
  endPDFContext();
  EXPECT_FALSE(currentContext());
  EXPECT_NE(kitData->view().find("%%EOF"), std::string_view::npos);
  EXPECT_FALSE(Context::createPDF(kitData, RectZero));
}

TEST(Painting, PatternColoursTileAndErasingStrokesStayOnTheLine) {
  auto tile = Image::imageWithCGImage(redOverBlue());
  auto ctx = Context::createForImage({4, 4}, false, 1);
  ctx->setInterpolationQuality(InterpolationQuality::None);
  auto pattern = Color::colorWithPatternImage(tile);
  ASSERT_TRUE(pattern);
  EXPECT_EQ(pattern->colorSpace()->model(), ColorSpaceModel::Pattern);
  ctx->setFillColor(pattern);
  ctx->fillRect(RectMake(0, 0, 4, 4));
  EXPECT_PIXEL(ctx->pixelAt(0, 0), kRed);
  EXPECT_PIXEL(ctx->pixelAt(3, 1), kBlue);
  EXPECT_PIXEL(ctx->pixelAt(2, 2), kRed);

  // An erasing stroke along the second column leaves the rest alone.
  ctx->setBlendMode(BlendMode::DestinationIn);
  ctx->setRGBStrokeColor(0, 0, 0, 0);
  ctx->setLineWidth(1);
  ctx->moveToPoint(1.5, 0);
  ctx->addLineToPoint(1.5, 4);
  ctx->strokePath();
  EXPECT_PIXEL(ctx->pixelAt(1, 2), kClear);
  EXPECT_PIXEL(ctx->pixelAt(0, 2), kRed);
  EXPECT_PIXEL(ctx->pixelAt(2, 3), kBlue);
}
