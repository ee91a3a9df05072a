#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;

namespace {

class HalfRed : public View {
  RT_CLASS(HalfRed, View)
 public:
  void drawRect(gfx::Rect) override {
    auto ctx = gfx::currentContext();
    ctx->setFillColor(gfx::Color::redColor());
    ctx->fillRect({{0, 0}, {bounds().size.width / 2, bounds().size.height}});
  }
};
RT_IMPLEMENT(HalfRed) {}

class LayerDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

}  // namespace

// Redisplaying a view that does not draw keeps the contents it was given.
TEST_F(LayerDisplayTest, RedisplayKeepsGivenContentsUnlessTheViewDraws) {
  auto ctx = gfx::Context::createForImage({4, 4}, false, 1);
  ctx->setFillColor(gfx::Color::blueColor());
  ctx->fillRect({{0, 0}, {4, 4}});
  auto blue = gfx::Image::imageWithCGImage(ctx->makeImage(), 1);

  struct Case {
    const char* name;
    Ref<View> view;
    uint32_t left, right;
  };
  auto picture = rt::make<ImageView>(blue);
  auto drawn = rt::make<HalfRed>(gfx::RectMake(0, 0, 20, 20));
  auto empty = rt::make<View>(gfx::RectMake(0, 0, 20, 20));
  const Case cases[] = {{"image view", picture, 0xff0000ff, 0xff0000ff},
                        {"drawing view", drawn, 0xffff0000, 0},
                        {"view without drawing", empty, 0, 0}};
  for (const auto& c : cases) {
    c.view->setFrame(gfx::RectMake(0, 0, 20, 20));
    Compositor comp({20, 20}, 1);
    for (int pass = 0; pass < 2; ++pass) {
      c.view->setNeedsDisplay();
      comp.renderAlways(*c.view->layer());
      EXPECT_EQ(comp.pixelAt(2, 10), c.left) << c.name << " pass " << pass;
      EXPECT_EQ(comp.pixelAt(17, 10), c.right) << c.name << " pass " << pass;
    }
  }
  EXPECT_EQ(empty->layer()->contents(), nullptr);
}

namespace {

// A tall view that fills itself with stripes 10 points high, alternately red and blue, and
// says which part of it can be seen.
class TallStripes : public View {
  RT_CLASS(TallStripes, View)
 public:
  void drawRect(gfx::Rect) override {
    auto ctx = gfx::currentContext();
    for (double y = 0; y < bounds().size.height; y += 10) {
      ctx->setFillColor(static_cast<int>(y / 10) % 2 ? gfx::Color::blueColor() : gfx::Color::redColor());
      ctx->fillRect({{0, y}, {bounds().size.width, 10}});
    }
  }
  gfx::Rect visibleBoundsForLayer(Layer&) override { return seen; }
  gfx::Rect seen = gfx::RectNull;
};
RT_IMPLEMENT(TallStripes) {}

}  // namespace

// Only the part said to be visible is drawn, and it lands where it belongs.
TEST_F(LayerDisplayTest, AVeryTallLayerDrawsOnlyItsVisiblePart) {
  auto root = rt::make<View>(gfx::RectMake(0, 0, 20, 40));
  auto tall = rt::make<TallStripes>(gfx::RectMake(0, -200, 20, 4000));
  root->addSubview(tall);
  struct Case {
    const char* name;
    gfx::Rect seen;
    double storeHeight;
  };
  const Case cases[] = {{"all", gfx::RectNull, 8000},
                        {"the window's share", gfx::RectMake(0, 200, 20, 40), 80},
                        {"a fraction of a pixel", gfx::RectMake(0, 200.3, 20, 39.4), 80}};
  for (const auto& c : cases) {
    tall->seen = c.seen;
    tall->setNeedsDisplay();
    Compositor comp({20, 40}, 2);
    comp.renderAlways(*root->layer());
    const auto* image = dynamic_cast<const gfx::BitmapImage*>(tall->layer()->contents().get());
    ASSERT_NE(image, nullptr) << c.name;
    EXPECT_EQ(image->height(), static_cast<size_t>(c.storeHeight)) << c.name;
    // Window row 5 shows the tall view's y 205 (stripe 20, red); row 15 its y 215 (blue).
    EXPECT_EQ(comp.pixelAt(10, 10), 0xffff0000u) << c.name;
    EXPECT_EQ(comp.pixelAt(10, 30), 0xff0000ffu) << c.name;
    EXPECT_EQ(comp.pixelAt(10, 79), 0xff0000ffu) << c.name;
  }
  // Nothing of it in sight: no store at all.
  tall->seen = gfx::RectMake(0, 5000, 20, 40);
  tall->setNeedsDisplay();
  Compositor comp({20, 40}, 2);
  comp.renderAlways(*root->layer());
  EXPECT_EQ(tall->layer()->contents(), nullptr);
}
