#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/runtime/Class.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/layer/GradientLayer.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;

namespace {

class GradientLayerTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

// Channel-wise match within `tolerance` (gradients are dithered by rounding).
void expectNear(uint32_t actual, uint32_t expected, int tolerance, const char* where) {
  for (int shift : {24, 16, 8, 0}) {
    int a = static_cast<int>((actual >> shift) & 0xff), e = static_cast<int>((expected >> shift) & 0xff);
    EXPECT_LE(std::abs(a - e), tolerance) << where << ": got " << std::hex << actual << " want " << expected;
  }
}

Ref<GradientLayer> gradient(gfx::Rect frame) {
  auto g = GradientLayer::layer();
  g->setFrame(frame);
  g->setColors({gfx::Color::redColor(), gfx::Color::blueColor()});
  return g;
}

}  // namespace

TEST_F(GradientLayerTest, RuntimeNameAndDefaults) {
  auto g = GradientLayer::layer();
  EXPECT_EQ(g->className(), rt::String("CAGradientLayer"));
  EXPECT_NE(rt::Class::named("CAGradientLayer"), nullptr);
  EXPECT_EQ(g->type(), kCAGradientLayerAxial);
  EXPECT_EQ(g->startPoint().y, 0);
  EXPECT_EQ(g->endPoint().y, 1);
}

TEST_F(GradientLayerTest, PaintsPixels) {
  struct Probe {
    double x, y;
    uint32_t want;
  };
  struct Case {
    const char* name;
    gfx::Point start, end;
    rt::String type;
    std::vector<double> locations;
    std::vector<Probe> probes;
  };
  const std::vector<Case> cases = {
      {"vertical by default", {0.5, 0}, {0.5, 1}, kCAGradientLayerAxial, {},
       {{50, 0.5, 0xffff0000}, {50, 99.5, 0xff0000ff}, {50, 50, 0xff800080}, {2, 50, 0xff800080}}},
      {"horizontal", {0, 0.5}, {1, 0.5}, kCAGradientLayerAxial, {},
       {{0.5, 50, 0xffff0000}, {99.5, 50, 0xff0000ff}, {50, 2, 0xff800080}}},
      {"hard stop from locations", {0, 0.5}, {1, 0.5}, kCAGradientLayerAxial, {0.5, 0.5},
       {{10, 50, 0xffff0000}, {45, 10, 0xffff0000}, {55, 90, 0xff0000ff}}},
      {"a stop count that differs is ignored", {0, 0.5}, {1, 0.5}, kCAGradientLayerAxial, {0.9},
       {{50, 50, 0xff800080}}},
      {"radial from the centre", {0.5, 0.5}, {1, 1}, kCAGradientLayerRadial, {},
       {{50, 50, 0xffff0000}, {75, 50, 0xff800080}, {50, 25, 0xff800080}, {1, 1, 0xff0000ff}}},
  };
  for (const auto& c : cases) {
    Compositor comp({100, 100}, 2);
    auto g = gradient(gfx::RectMake(0, 0, 100, 100));
    g->setStartPoint(c.start);
    g->setEndPoint(c.end);
    g->setType(c.type);
    g->setLocations(c.locations);
    comp.render(*g);
    for (const auto& p : c.probes)
      expectNear(comp.pixelAt(static_cast<size_t>(p.x * 2), static_cast<size_t>(p.y * 2)), p.want, 4, c.name);
  }
}

TEST_F(GradientLayerTest, ChangesRecompositeAndRoundedCornersClip) {
  Compositor comp({100, 100}, 1);
  auto root = Layer::layer();
  root->setFrame(gfx::RectMake(0, 0, 100, 100));
  auto g = gradient(gfx::RectMake(0, 0, 100, 100));
  g->setCornerRadius(30);
  g->setMasksToBounds(true);
  root->addSublayer(g);
  ASSERT_TRUE(comp.render(*root));
  EXPECT_EQ(comp.pixelAt(1, 1), 0u);  // outside the rounded corner
  expectNear(comp.pixelAt(50, 2), 0xfffa0005, 6, "top edge");
  EXPECT_FALSE(comp.render(*root));
  g->setColors({gfx::Color::greenColor()});
  ASSERT_TRUE(comp.render(*root));
  expectNear(comp.pixelAt(50, 50), 0xff00ff00, 1, "single colour");
  g->setColors({});
  ASSERT_TRUE(comp.render(*root));
  EXPECT_EQ(comp.pixelAt(50, 50), 0u);
}
