// Handing a context's pixels over as an image without copying them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics/Context.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

namespace {

void drawScene(Context& ctx) {
  ctx.setRGBFillColor(0.9, 0.2, 0.1, 1);
  ctx.fillRect(RectMake(1, 1, 6, 4));
  ctx.setRGBFillColor(0.1, 0.3, 0.8, 0.5);  // translucent, and off the pixel grid
  ctx.fillEllipseInRect(RectMake(3.3, 2.6, 5.1, 4.7));
}

}  // namespace

TEST(TakeImage, HandsOverTheImageContextsPixelsAndFinishesIt) {
  struct {
    bool opaque;
    double scale;
  } cases[] = {{false, 1}, {true, 1}, {false, 2}, {true, 3}};
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "opaque " << k.opaque << " scale " << k.scale);
    auto ctx = Context::createForImage(SizeMake(10, 8), k.opaque, k.scale);
    ASSERT_TRUE(ctx);
    drawScene(*ctx);
    auto copied = ctx->makeImage();
    const void* pixels = ctx->data();
    auto taken = ctx->takeImage();
    ASSERT_TRUE(copied && taken);
    EXPECT_EQ(static_cast<const void*>(taken->bytes()), pixels);  // not a copy
    EXPECT_EQ(taken->width(), copied->width());
    EXPECT_EQ(taken->height(), copied->height());
    EXPECT_EQ(taken->bitmapInfo(), copied->bitmapInfo());
    EXPECT_EQ(taken->isOpaque(), k.opaque);
    ASSERT_EQ(taken->byteLength(), copied->byteLength());
    EXPECT_EQ(0, std::memcmp(taken->bytes(), copied->bytes(), copied->byteLength()));
    EXPECT_NE(unpack(taken->pixel(static_cast<size_t>(2 * k.scale), static_cast<size_t>(2 * k.scale))).a, 0);

    // The finished context takes every call without effect on the image.
    EXPECT_EQ(ctx->data(), nullptr);
    ctx->saveGState();
    ctx->setRGBFillColor(0, 1, 0, 1);
    ctx->fillRect(RectMake(0, 0, 10, 8));
    ctx->clearRect(RectMake(0, 0, 10, 8));
    ctx->setShadow({1, 1}, 2);
    ctx->setBlendMode(BlendMode::PlusDarker);
    ctx->fillRect(RectMake(0, 0, 10, 8));
    ctx->beginTransparencyLayer();
    ctx->endTransparencyLayer();
    ctx->restoreGState();
    EXPECT_EQ(ctx->pixelAt(1, 1), 0u);
    EXPECT_FALSE(ctx->makeImage());
    EXPECT_FALSE(ctx->takeImage());
    EXPECT_EQ(0, std::memcmp(taken->bytes(), copied->bytes(), copied->byteLength()));
    ctx = nullptr;  // the image outlives its context
    EXPECT_EQ(0, std::memcmp(taken->bytes(), copied->bytes(), copied->byteLength()));
  }
}

TEST(TakeImage, OtherContextsAnswerWithACopyAndGoOn) {
  auto ctx = Context::createBitmap(nullptr, 10, 8, 8, 0, ColorSpace::deviceRGB(), BitmapInfoNativePremultiplied);
  ASSERT_TRUE(ctx);
  drawScene(*ctx);
  auto taken = ctx->takeImage();
  ASSERT_TRUE(taken);
  EXPECT_NE(static_cast<const void*>(taken->bytes()), ctx->data());
  EXPECT_EQ(0, std::memcmp(taken->bytes(), ctx->data(), taken->byteLength()));
  const uint32_t before = taken->pixel(0, 0);
  ctx->setRGBFillColor(0, 1, 0, 1);
  ctx->fillRect(RectMake(0, 0, 10, 8));
  EXPECT_PIXEL(ctx->pixelAt(0, 0), (Argb{255, 0, 255, 0}));
  EXPECT_EQ(taken->pixel(0, 0), before);
}
