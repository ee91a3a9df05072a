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
