#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributedString.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Window.h"
#include "widgets/blur/BVBlurView.h"
#include "widgets/blur/Image+BVBlurView.h"
#include "widgets/fps/DRFPSLabel.h"

namespace widgets {
namespace {

void writeArtifact(const Ref<gfx::Image>& image, const char* name) {
  const char* dir = std::getenv("KD_ARTIFACT_DIR");
  if (!dir || !image) return;
  std::filesystem::create_directories(dir);
  auto png = gfx::UIImagePNGRepresentation(image);
  std::ofstream(std::filesystem::path(dir) / name, std::ios::binary).write(png->view().data(), png->length());
}

Ref<gfx::Image> stripes(gfx::Size size, double scale) {
  gfx::beginImageContextWithOptions(size, false, scale);
  auto c = gfx::currentContext();
  for (int i = 0; i * 10 < size.width; ++i) {
    c->setFillColor(i % 2 ? gfx::Color::blackColor() : gfx::Color::whiteColor());
    c->fillRect({{i * 10.0, 0}, {10, size.height}});
  }
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

TEST(BoxBlur, BoxSizesIterationsAndTint) {
  EXPECT_EQ(BVBoxSize(40, 0.1), 5u);
  EXPECT_EQ(BVBoxSize(40, 1.0 / 3), 13u);
  EXPECT_EQ(BVBoxSize(0, 2), 1u);
  auto image = stripes({40, 10}, 1);
  auto copy = blurredImageWithRadius(image, 5, 0, nullptr);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, image);
  EXPECT_EQ(copy->CGImage()->pixel(5, 5), image->CGImage()->pixel(5, 5));
  auto blurred = blurredImageWithRadius(image, 9, 3, nullptr);
  uint32_t mid = blurred->CGImage()->pixel(10, 5) & 0xFF;
  EXPECT_GT(mid, 40u);  // stripes smear into grey
  EXPECT_LT(mid, 215u);
  auto tinted = blurredImageWithRadius(image, 1, 0, gfx::Color::redColor());
  EXPECT_GT((tinted->CGImage()->pixel(15, 5) >> 16) & 0xFF, 50u);  // black plus a quarter of red
  EXPECT_EQ(blurredImageWithRadius(image, 1, 0, gfx::Color::colorWithRed(1, 0, 0, 0))->CGImage()->pixel(15, 5),
            image->CGImage()->pixel(15, 5));
  auto sliver = stripes({0.5, 100}, 2);
  if (sliver) {
    EXPECT_EQ(blurredImageWithRadius(sliver, 5, 3, nullptr), sliver);
  }
}

class BlurViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    backdrop = rt::make<ui::View>(gfx::RectMake(0, 0, 320, 480));
    window->addSubview(backdrop);
    for (int i = 0; i < 8; ++i) {
      auto bar = rt::make<ui::View>(gfx::RectMake(i * 40, 0, 20, 480));
      bar->setBackgroundColor(i % 2 ? gfx::Color::redColor() : gfx::Color::blueColor());
      backdrop->addSubview(bar);
    }
  }
  void TearDown() override {
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<ui::Window> window;
  Ref<ui::View> backdrop;
};

TEST_F(BlurViewTest, SnapshotScalesAndSizes) {
  auto blur = rt::make<BVBlurView>(gfx::RectMake(0, 0, 320, 201));
  blur->setDynamic(false);
  backdrop->addSubview(blur);
  EXPECT_DOUBLE_EQ(blur->snapshotScale(), 0.1);
  auto snapshot = blur->snapshotOfUnderlyingView();
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->size(), gfx::SizeMake(320, 200));
  blur->setIterations(1);
  EXPECT_DOUBLE_EQ(blur->snapshotScale(), 1.0 / 3);
  blur->setIterations(0);
  EXPECT_DOUBLE_EQ(blur->snapshotScale(), 0.5);
  blur->setUpdateInterval(-1);
  EXPECT_DOUBLE_EQ(blur->updateInterval(), 1.0 / 60);
}

TEST_F(BlurViewTest, ShowsTheBlurOfWhatLiesBeneath) {
  auto blur = rt::make<BVBlurView>(gfx::RectMake(20, 100, 200, 200));
  blur->setDynamic(false);
  blur->setTintColor(nullptr);
  backdrop->addSubview(blur);
  bool done = false;
  blur->updateAsynchronously(false, [&] { done = true; });
  EXPECT_TRUE(done);
  auto contents = rt::as<gfx::BitmapImage>(blur->layer()->contents());
  ASSERT_TRUE(contents);
  // The same snapshot blurred directly gives the same pixels.
  auto direct = blurredImageWithRadius(blur->snapshotOfUnderlyingView(), blur->blurRadius(), blur->iterations(), nullptr);
  ASSERT_EQ(direct->CGImage()->width(), contents->width());
  for (size_t x = 0; x < contents->width(); x += 3) EXPECT_EQ(contents->pixel(x, 5), direct->CGImage()->pixel(x, 5)) << x;
  // The blur view's own branch is not in its picture.
  blur->setBackgroundColor(gfx::Color::greenColor());
  auto again = blur->snapshotOfUnderlyingView();
  EXPECT_EQ((again->CGImage()->pixel(0, 0) >> 8) & 0xFF, 0u);

  writeArtifact(blur->snapshotOfUnderlyingView(), "blur-snapshot.png");
  // Hidden or empty beneath: nothing to update, the completion still runs.
  backdrop->setHidden(true);
  done = false;
  EXPECT_FALSE(blur->shouldUpdate());
  blur->updateAsynchronously(false, [&] { done = true; });
  EXPECT_TRUE(done);
}

TEST_F(BlurViewTest, RendersOverTheSceneWithTheRateLabel) {
  auto blur = rt::make<BVBlurView>(gfx::RectMake(40, 120, 240, 200));
  blur->setDynamic(false);
  backdrop->addSubview(blur);
  auto label = rt::make<DRFPSLabel>(gfx::RectMake(250, 20, 0, 0));
  backdrop->addSubview(label);
  fd::RunLoopDriver::advance(1.2);
  blur->updateAsynchronously(false, nullptr);
  gfx::beginImageContextWithOptions({320, 480}, true, 1);
  window->layer()->renderInContext(*gfx::currentContext());
  auto picture = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  writeArtifact(picture, "blur-view.png");
  auto px = [&](size_t x, size_t y) { return picture->CGImage()->pixel(x, y); };
  EXPECT_EQ(px(5, 60), 0xFF0000FFu);  // a blue bar outside the blur, untouched
  uint32_t inside = px(50, 200);      // inside: blue and red smeared together, tinted
  EXPECT_GT((inside >> 16) & 0xFF, 40u);
  EXPECT_GT(inside & 0xFF, 40u);
  label->removeFromSuperview();
}

TEST_F(BlurViewTest, TheSchedulerRefreshesDynamicViewsWithOnePassWaiting) {
  auto scheduler = BVBlurScheduler::sharedInstance();
  auto blur = rt::make<BVBlurView>(gfx::RectMake(0, 0, 100, 100));
  blur->setUpdateInterval(10);
  backdrop->addSubview(blur);
  ASSERT_EQ(scheduler->views().size(), 1u);
  fd::RunLoopDriver::runUntil([&] { return !scheduler->isUpdating() && blur->lastUpdate(); }, 10);
  ASSERT_TRUE(blur->lastUpdate());
  for (int i = 0; i < 20; ++i) scheduler->updateAsynchronously();  // nothing due: one pass waits
  EXPECT_TRUE(scheduler->hasPendingPass());
  blur->removeFromSuperview();
  EXPECT_TRUE(scheduler->views().empty());
  BVBlurView::setAllBlurEnabled(false);
  EXPECT_FALSE(blur->shouldUpdate());
  BVBlurView::setAllBlurEnabled(true);
}

TEST(FPSLabel, CountsDisplayFrames) {
  fd::RunLoopDriver::useVirtualClock();
  auto label = rt::make<DRFPSLabel>();
  EXPECT_EQ(label->frame().size, DRFPSLabel::kSize);
  EXPECT_EQ(label->sizeThatFits({300, 300}), DRFPSLabel::kSize);
  fd::RunLoopDriver::advance(0.5);
  EXPECT_FALSE(label->attributedText() && label->attributedText()->length());
  fd::RunLoopDriver::advance(1.2);
  ASSERT_TRUE(label->attributedText());
  std::string text = label->attributedText()->string().utf8();
  EXPECT_TRUE(text == "60 FPS" || text == "59 FPS" || text == "61 FPS") << text;
  double h, s, b, a;
  DRFPSLabel::colorForRate(60)->getHue(&h, &s, &b, &a);
  EXPECT_NEAR(h, 0.216, 1e-6);
  rt::Weak<DRFPSLabel> watch = label;
  label.reset();
  EXPECT_TRUE(watch.expired());  // the link does not keep it alive
  fd::RunLoopDriver::advance(0.1);
  fd::RunLoopDriver::reset();
}

}  // namespace
}  // namespace widgets
