#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/layer/ShapeLayer.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;

namespace {

constexpr uint32_t kRed = 0xffff0000, kBlue = 0xff0000ff, kWhite = 0xffffffff;

Ref<Layer> colored(gfx::Rect frame, Ref<gfx::Color> color) {
  auto l = Layer::layer();
  l->setFrame(frame);
  l->setBackgroundColor(std::move(color));
  return l;
}

class CompositorTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
  // Pixel at a point (in points) of a 100x100 @2 frame.
  uint32_t at(const Compositor& c, double x, double y) {
    return c.pixelAt(static_cast<size_t>(x * c.scale()), static_cast<size_t>(y * c.scale()));
  }
};

}  // namespace

TEST_F(CompositorTest, BackgroundsAndOrder) {
  Compositor c({100, 100}, 2);
  EXPECT_EQ(c.pixelWidth(), 200u);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  root->addSublayer(colored(gfx::RectMake(10, 10, 40, 40), gfx::Color::redColor()));
  root->addSublayer(colored(gfx::RectMake(30, 30, 40, 40), gfx::Color::blueColor()));
  c.render(*root);
  EXPECT_EQ(at(c, 5, 5), kWhite);
  EXPECT_EQ(at(c, 15, 15), kRed);
  EXPECT_EQ(at(c, 35, 35), kBlue);  // later sublayer on top
  root->sublayers()[0]->setZPosition(1);
  c.render(*root);
  EXPECT_EQ(at(c, 35, 35), kRed);
}

TEST_F(CompositorTest, RoundedCornersAreTransparentWhenMasked) {
  Compositor c({100, 100}, 2);
  auto root = Layer::layer();
  root->setFrame(gfx::RectMake(0, 0, 100, 100));
  auto card = colored(gfx::RectMake(10, 10, 80, 80), gfx::Color::redColor());
  card->setCornerRadius(20);
  auto child = colored(gfx::RectMake(0, 0, 80, 80), gfx::Color::blueColor());
  card->addSublayer(child);
  root->addSublayer(card);
  c.render(*root);
  EXPECT_EQ(at(c, 11, 11), kBlue);  // unmasked child covers the corner
  card->setMasksToBounds(true);
  c.render(*root);
  EXPECT_EQ(c.pixelAt(22, 22) >> 24, 0u);  // corner outside the arc
  EXPECT_EQ(at(c, 50, 50), kBlue);
  EXPECT_EQ(at(c, 50, 11), kBlue);  // straight edge keeps its pixels
}

TEST_F(CompositorTest, TransformedLayerLandsInItsPlace) {
  Compositor c({100, 100}, 2);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  auto bar = colored(gfx::RectMake(40, 10, 20, 80), gfx::Color::redColor());  // vertical bar
  root->addSublayer(bar);
  bar->setTransform(gfx::Transform3DMakeRotation(M_PI / 2, 0, 0, 1));  // horizontal around (50, 50)
  c.render(*root);
  EXPECT_EQ(at(c, 15, 50), kRed);
  EXPECT_EQ(at(c, 50, 15), kWhite);
  bar->setTransform(gfx::Transform3DMakeTranslation(30, 0, 0));
  c.render(*root);
  EXPECT_EQ(at(c, 85, 50), kRed);
  EXPECT_EQ(at(c, 50, 50), kWhite);
  // Perspective tilt keeps the centre and narrows nothing to zero.
  auto t = gfx::Transform3DIdentity;
  t.m34 = -1.0 / 500;
  bar->setTransform(gfx::Transform3DRotate(t, M_PI / 4, 0, 1, 0));
  c.render(*root);
  EXPECT_EQ(at(c, 50, 50), kRed);
}

TEST_F(CompositorTest, OpacityBorderAndMask) {
  Compositor c({100, 100}, 1);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  auto half = colored(gfx::RectMake(0, 0, 50, 50), gfx::Color::blackColor());
  half->setOpacity(0.5);
  auto bordered = colored(gfx::RectMake(50, 50, 50, 50), gfx::Color::whiteColor());
  bordered->setBorderWidth(4);
  bordered->setBorderColor(gfx::Color::blueColor());
  auto masked = colored(gfx::RectMake(50, 0, 50, 50), gfx::Color::redColor());
  auto mask = colored(gfx::RectMake(0, 0, 25, 50), gfx::Color::blackColor());
  masked->setMask(mask);
  root->addSublayer(half);
  root->addSublayer(bordered);
  root->addSublayer(masked);
  c.render(*root);
  uint32_t grey = c.pixelAt(10, 10);
  EXPECT_NEAR(static_cast<int>((grey >> 16) & 0xff), 128, 2);
  EXPECT_EQ(c.pixelAt(51, 75), kBlue);
  EXPECT_EQ(c.pixelAt(75, 75), kWhite);
  EXPECT_EQ(c.pixelAt(60, 25), kRed);
  EXPECT_EQ(c.pixelAt(90, 25), kWhite);  // masked away
}

TEST_F(CompositorTest, ATranslucentLayerShowsAllItHoldsBeyondItsBounds) {
  // The group a translucent layer draws into covers its sublayers and their shadows too.
  Compositor c({100, 100}, 2);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  auto faded = colored(gfx::RectMake(10, 10, 20, 20), gfx::Color::blackColor());
  faded->setOpacity(0.5);
  auto child = colored(gfx::RectMake(30, 30, 30, 30), gfx::Color::blueColor());  // outside its parent
  child->setShadowColor(gfx::Color::blackColor());
  child->setShadowOffset({20, 0});
  child->setShadowRadius(0);
  child->setShadowOpacity(1);
  faded->addSublayer(child);
  root->addSublayer(faded);
  c.render(*root);
  auto channel = [](uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); };
  uint32_t grey = at(c, 15, 15), blue = at(c, 45, 45), shadow = at(c, 85, 45);
  EXPECT_NEAR(channel(grey, 16), 128, 2);
  EXPECT_NEAR(channel(blue, 16), 128, 2);  // half blue over white
  EXPECT_EQ(channel(blue, 0), 255);
  EXPECT_NEAR(channel(shadow, 16), 128, 2);  // the shadow beyond the child, halved too
  EXPECT_NEAR(channel(shadow, 0), 128, 2);
  EXPECT_EQ(at(c, 95, 95), kWhite);
}

TEST_F(CompositorTest, ContentsFollowGravityAndRect) {
  // A 2x1 image: left half red, right half blue.
  auto ctx = gfx::Context::createForImage({2, 1}, false, 1);
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(gfx::RectMake(0, 0, 1, 1));
  ctx->setRGBFillColor(0, 0, 1, 1);
  ctx->fillRect(gfx::RectMake(1, 0, 1, 1));
  auto image = ctx->makeImage();
  Compositor c({100, 100}, 1);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  auto l = Layer::layer();
  l->setFrame(gfx::RectMake(0, 0, 100, 100));
  l->setContents(image);
  l->setMagnificationFilter(kCAFilterNearest);
  root->addSublayer(l);
  c.render(*root);
  EXPECT_EQ(c.pixelAt(10, 90), kRed);  // resize fills the bounds
  EXPECT_EQ(c.pixelAt(90, 10), kBlue);
  l->setContentsGravity(kCAGravityResizeAspect);
  c.render(*root);
  EXPECT_EQ(c.pixelAt(10, 10), kWhite);  // letterboxed: 100x50 in the middle
  EXPECT_EQ(c.pixelAt(10, 50), kRed);
  l->setContentsGravity(kCAGravityResize);
  l->setContentsRect(gfx::RectMake(0.5, 0, 0.5, 1));  // right half only
  c.render(*root);
  EXPECT_EQ(c.pixelAt(10, 50), kBlue);
}

TEST_F(CompositorTest, StaticFramesAreSkippedUntilSomethingChanges) {
  Compositor c({50, 50}, 1);
  auto root = colored(gfx::RectMake(0, 0, 50, 50), gfx::Color::whiteColor());
  auto child = colored(gfx::RectMake(0, 0, 10, 10), gfx::Color::redColor());
  root->addSublayer(child);
  EXPECT_TRUE(c.render(*root));
  EXPECT_FALSE(c.render(*root));
  EXPECT_EQ(c.framesDrawn(), 1u);
  child->setBackgroundColor(gfx::Color::blueColor());
  EXPECT_TRUE(c.render(*root));
  EXPECT_EQ(c.pixelAt(5, 5), kBlue);
}

TEST_F(CompositorTest, ShapeLayerFillsAndStrokesPartially) {
  Compositor c({100, 100}, 1);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  auto shape = ShapeLayer::layer();
  shape->setFrame(gfx::RectMake(0, 0, 100, 100));
  auto path = gfx::MutablePath::create();
  path->moveToPoint(0, 50);
  path->addLineToPoint(100, 50);
  shape->setPath(path);
  shape->setFillColor(nullptr);
  shape->setStrokeColor(gfx::Color::redColor());
  shape->setLineWidth(6);
  shape->setStrokeEnd(0.5);
  root->addSublayer(shape);
  c.render(*root);
  EXPECT_EQ(c.pixelAt(25, 50), kRed);
  EXPECT_EQ(c.pixelAt(75, 50), kWhite);
  shape->setStrokeStart(0.5);
  shape->setStrokeEnd(1);
  c.render(*root);
  EXPECT_EQ(c.pixelAt(25, 50), kWhite);
  EXPECT_EQ(c.pixelAt(75, 50), kRed);
}

TEST_F(CompositorTest, RenderInContextDrawsTheTreeAtTheContextsOrigin) {
  auto l = colored(gfx::RectMake(200, 200, 20, 20), gfx::Color::redColor());
  l->addSublayer(colored(gfx::RectMake(10, 0, 10, 20), gfx::Color::blueColor()));
  gfx::beginImageContextWithOptions({20, 20}, false, 2);
  l->renderInContext(*gfx::currentContext());
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  ASSERT_TRUE(image);
  auto bitmap = image->CGImage();
  EXPECT_EQ(bitmap->width(), 40u);
  EXPECT_EQ(bitmap->pixel(5, 5) & 0xffffff, bitmap->pixel(5, 30) & 0xffffff);
  EXPECT_NE(bitmap->pixel(5, 5), bitmap->pixel(35, 5));
}

TEST_F(CompositorTest, WritesPng) {
  Compositor c({10, 10}, 2);
  auto root = colored(gfx::RectMake(0, 0, 10, 10), gfx::Color::redColor());
  c.render(*root);
  auto dir = std::filesystem::temp_directory_path() / "uia_compositor_png";
  std::filesystem::create_directories(dir);
  auto file = dir / "frame.png";
  ASSERT_TRUE(c.writePNG(rt::String(file.string().c_str())));
  EXPECT_GT(std::filesystem::file_size(file), 0u);
  EXPECT_FALSE(c.writePNG("/nonexistent-dir/frame.png"));
  std::filesystem::remove_all(dir);
}

TEST_F(CompositorTest, ShadowFallsAtItsOffset) {
  Compositor c({100, 100}, 1);
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  auto card = colored(gfx::RectMake(10, 10, 40, 40), gfx::Color::whiteColor());
  card->setShadowColor(gfx::Color::blackColor());
  card->setShadowOffset({20, 20});
  card->setShadowRadius(0);
  card->setShadowOpacity(1);
  root->addSublayer(card);
  c.render(*root);
  EXPECT_EQ(c.pixelAt(60, 60), 0xff000000u);  // shadow beyond the card
  EXPECT_EQ(c.pixelAt(20, 20), kWhite);      // the card covers its own shadow
  EXPECT_EQ(c.pixelAt(80, 20), kWhite);
}

TEST_F(CompositorTest, ChangedFramesDrawOnlyTheDamageAndMatchAFullRedraw) {
  Transaction::setDisableActions(true);  // changes land at once; no implicit animations
  auto root = colored(gfx::RectMake(0, 0, 100, 100), gfx::Color::whiteColor());
  std::vector<Ref<Layer>> cells;
  for (int i = 0; i < 16; ++i) {
    auto cell = colored(gfx::RectMake((i % 4) * 25 + 2, (i / 4) * 25 + 2, 20, 20),
                        gfx::Color::colorWithRed(i / 16.0, 0.5, 1 - i / 16.0, 1));
    cell->setCornerRadius(i % 3 == 0 ? 6 : 0);
    if (i % 5 == 0) {
      cell->setShadowOpacity(0.5);
      cell->setShadowColor(gfx::Color::blackColor());
      cell->setShadowOffset({2, 3});
      cell->setShadowRadius(2);
    }
    cell->addSublayer(colored(gfx::RectMake(4, 4, 8, 8), gfx::Color::redColor()));
    root->addSublayer(cell);
    cells.push_back(cell);
  }
  auto shape = ShapeLayer::layer();
  shape->setFrame(gfx::RectMake(60, 60, 0, 0));  // the path reaches far beyond the bounds
  auto path = gfx::MutablePath::create();
  path->addEllipseInRect(gfx::RectMake(-20, -20, 30, 30));
  shape->setPath(path);
  shape->setStrokeColor(gfx::Color::blackColor());
  shape->setLineWidth(3);
  root->addSublayer(shape);

  Compositor incremental({100, 100}, 2);
  incremental.render(*root);
  struct Step {
    const char* name;
    std::function<void()> change;
    double maxDrawnFraction;  // of the frame's pixels
  };
  const Step steps[] = {
      {"recolour one cell", [&] { cells[5]->setBackgroundColor(gfx::Color::greenColor()); }, 0.1},
      {"move a cell", [&] { cells[6]->setPosition({80, 12}); }, 0.3},
      {"hide a cell with a shadow", [&] { cells[10]->setHidden(true); }, 0.1},
      {"move a sublayer out of its cell", [&] { cells[1]->sublayers()[0]->setPosition({-10, 30}); }, 0.2},
      {"remove a cell", [&] { cells[3]->removeFromSuperlayer(); }, 0.1},
      {"add a cell", [&] { root->addSublayer(colored(gfx::RectMake(40, 40, 10, 10), gfx::Color::blackColor())); }, 0.1},
      {"move a cell to another parent", [&] { cells[0]->addSublayer(cells[15]); }, 0.6},
      // Stroked paths count their widest possible miter joins.
      {"move the shape", [&] { shape->setPosition({70, 65}); }, 0.6},
      {"rotate a cell", [&] { cells[12]->setAffineTransform(gfx::AffineTransformMakeRotation(0.5)); }, 0.2},
      // A loupe or snapshot draws the tree into a picture of its own, shifted and enlarged:
      // that must not change what the next frame believes is on the screen.
      {"capture the tree elsewhere, then recolour a cell",
       [&] {
         gfx::beginImageContextWithOptions({60, 40}, false, 2);
         auto ctx = gfx::currentContext();
         ctx->translateCTM(-30, -45);
         ctx->scaleCTM(1.5, 1.5);
         root->renderInContext(*ctx);
         gfx::endImageContext();
         cells[9]->setBackgroundColor(gfx::Color::yellowColor());
       },
       0.1},
      {"move a cell after another capture", [&] {
         gfx::beginImageContextWithOptions({30, 30}, false, 1);
         root->renderInContext(*gfx::currentContext());
         gfx::endImageContext();
         cells[2]->setPosition({40, 90});
       },
       0.6},
  };
  double framePixels = 200.0 * 200.0;
  for (const auto& step : steps) {
    step.change();
    ASSERT_TRUE(incremental.render(*root)) << step.name;
    gfx::Rect drawn = incremental.lastDrawnArea();
    EXPECT_LE(drawn.size.width * drawn.size.height, step.maxDrawnFraction * framePixels) << step.name;
    Compositor fresh({100, 100}, 2);
    fresh.render(*root);
    int differing = 0;
    for (size_t y = 0; y < 200; ++y)
      for (size_t x = 0; x < 200; ++x)
        for (int shift = 0; shift < 32; shift += 8) {
          // Clipped drawing may round an antialiased edge by one step.
          int a = static_cast<int>((incremental.pixelAt(x, y) >> shift) & 0xFF);
          int b = static_cast<int>((fresh.pixelAt(x, y) >> shift) & 0xFF);
          if (std::abs(a - b) > 2) {
            ++differing;
            break;
          }
        }
    EXPECT_EQ(differing, 0) << step.name;
  }
  Transaction::setDisableActions(false);
}
