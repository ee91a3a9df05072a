// Pictures shown smaller than their pixels average what they cover: one-pixel stripes
// reduced 1.5 times become an even grey, not bands alternating a third and two thirds.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/graphics/Image.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

constexpr size_t kPixels = 300;  // the picture: alternate black and white columns

Ref<gfx::Image> stripes() {
  auto ctx = gfx::Context::createForImage({double(kPixels), double(kPixels)}, true, 1);
  ctx->setFillColor(gfx::Color::whiteColor());
  ctx->fillRect(gfx::RectMake(0, 0, kPixels, kPixels));
  ctx->setFillColor(gfx::Color::blackColor());
  for (size_t x = 0; x < kPixels; x += 2) ctx->fillRect(gfx::RectMake(double(x), 0, 1, kPixels));
  return gfx::Image::imageWithCGImage(ctx->makeImage(), 1);
}

int grey(uint32_t c) { return static_cast<int>(((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3); }

// The spread of greys over the middle row of a square of `side` pixels at (x0, y0).
std::pair<int, int> spread(const std::function<uint32_t(size_t, size_t)>& pixel, size_t x0, size_t y0, size_t side) {
  int lo = 255, hi = 0;
  for (size_t x = x0 + 2; x < x0 + side - 2; ++x) {
    int g = grey(pixel(x, y0 + side / 2));
    lo = std::min(lo, g), hi = std::max(hi, g);
  }
  return {lo, hi};
}

}  // namespace

TEST(Downscale, StripesReducedByAnImageViewAreAnEvenTint) {
  auto window = rt::make<Window>(gfx::RectMake(0, 0, 100, 100));
  window->setHidden(false);
  window->setBackgroundColor(gfx::Color::whiteColor());
  auto view = rt::make<ImageView>(stripes());
  view->setFrame(gfx::RectMake(0, 0, 100, 100));  // 200 pixels at scale 2 for 300
  window->addSubview(view);
  Compositor c({100, 100}, 2);
  c.render(*window->layer());
  auto [lo, hi] = spread([&](size_t x, size_t y) { return c.pixelAt(x, y); }, 0, 0, 200);
  EXPECT_LE(hi - lo, 30) << "greys from " << lo << " to " << hi;
  EXPECT_NEAR((lo + hi) / 2, 128, 20);
}

TEST(Downscale, StripesDrawnSmallerIntoAContextAreAnEvenTint) {
  auto image = stripes();
  auto ctx = gfx::Context::createForImage({200, 200}, true, 1);
  image->drawInRect(*ctx, gfx::RectMake(0, 0, 200, 200));
  auto [lo, hi] = spread([&](size_t x, size_t y) { return ctx->pixelAt(x, y); }, 0, 0, 200);
  EXPECT_LE(hi - lo, 30) << "greys from " << lo << " to " << hi;
}
