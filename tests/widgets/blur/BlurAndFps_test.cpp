#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <vector>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributedString.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/ViewAnimation.h"
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
  // Under a pixel of width at scale 1 there is nothing to blur: the image comes back as it is.
  auto sliver = stripes({0.5, 100}, 2);
  ASSERT_TRUE(sliver);
  ASSERT_EQ(sliver->size(), gfx::SizeMake(0.5, 100));
  EXPECT_EQ(blurredImageWithRadius(sliver, 5, 3, nullptr), sliver);
}

// The stripes of `stripes` in a layout the box blur cannot take as it is: 16 bits a pixel of
// grey and alpha, or colour without alpha (24 bits a pixel), or 8 bits of grey.
struct ForeignLayout {
  const char* name;
  size_t bitsPerPixel;
  bool gray;
  bool alpha;
};

Ref<gfx::Image> foreignStripes(size_t width, size_t height, const ForeignLayout& layout) {
  size_t components = layout.bitsPerPixel / 8;
  gfx::PixelFormat f;
  f.width = width, f.height = height, f.bitsPerComponent = 8, f.bitsPerPixel = layout.bitsPerPixel;
  f.bytesPerRow = width * components;
  f.bitmapInfo = layout.alpha ? gfx::ImageAlphaPremultipliedLast : gfx::ImageAlphaNone;
  f.colorSpace = layout.gray ? gfx::ColorSpace::createDeviceGray() : gfx::ColorSpace::createDeviceRGB();
  std::vector<uint8_t> bytes(f.bytesPerRow * height);
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x)
      for (size_t c = 0; c < components; ++c) {
        bool isAlpha = layout.alpha && c == components - 1;
        bool white = (x / 10) % 2 == 0 || isAlpha;
        bytes[y * f.bytesPerRow + x * components + c] = white ? 0xFF : 0;
      }
  auto bitmap = gfx::BitmapImage::createCopying(f, bytes.data());
  return bitmap ? gfx::Image::imageWithCGImage(bitmap, 1) : nullptr;
}

TEST(BoxBlur, SixteenBitAndAlphaLessImagesAreBlurredLikeTheirThirtyTwoBitCopies) {
  auto native = blurredImageWithRadius(stripes({40, 10}, 1), 9, 3, nullptr);
  ASSERT_TRUE(native);
  const ForeignLayout layouts[] = {
      {"16-bit grey and alpha", 16, true, true}, {"24-bit colour", 24, false, false}, {"8-bit grey", 8, true, false}};
  for (const auto& layout : layouts) {
    SCOPED_TRACE(layout.name);
    auto image = foreignStripes(40, 10, layout);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), gfx::SizeMake(40, 10));
    ASSERT_EQ(image->CGImage()->bitsPerPixel(), layout.bitsPerPixel);
    auto blurred = blurredImageWithRadius(image, 9, 3, nullptr);
    ASSERT_TRUE(blurred);
    ASSERT_NE(blurred, image) << "redrawn into a layout the blur takes, not handed back";
    auto bitmap = blurred->CGImage();
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->bitsPerComponent(), 8u);
    EXPECT_EQ(bitmap->bitsPerPixel(), 32u);
    EXPECT_EQ(bitmap->width(), 40u);
    EXPECT_EQ(bitmap->height(), 10u);
    for (size_t x = 0; x < 40; x += 3) EXPECT_EQ(bitmap->pixel(x, 5), native->CGImage()->pixel(x, 5)) << x;
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

TEST_F(BlurViewTest, AnAnimatedRadiusIsDrawnOnEveryFrameAndEndsAtTheFinalRadius) {
  auto blur = rt::make<BVBlurView>(gfx::RectMake(20, 100, 200, 200));
  blur->setDynamic(false);
  blur->setTintColor(nullptr);
  blur->setBlurRadius(5);
  backdrop->addSubview(blur);
  blur->layer()->displayIfNeeded();
  // The snapshot's scale follows the radius drawn: 0.5 at 5, 0.1 at 40, steps between.
  EXPECT_DOUBLE_EQ(blur->layer()->contentsScale(), 0.5);
  ui::ViewAnimation::animate(1.0, [&] { blur->setBlurRadius(40); });
  EXPECT_TRUE(blur->isFollowingRadiusAnimation());
  EXPECT_DOUBLE_EQ(blur->blurRadius(), 40);
  std::set<double> drawn;
  for (int i = 0; i < 45; ++i) {
    fd::RunLoopDriver::advance(1.0 / 30);
    blur->layer()->displayIfNeeded();  // what a frame on screen does
    drawn.insert(blur->layer()->contentsScale());
  }
  size_t between = 0;
  for (double scale : drawn)
    if (scale > 0.1 + 1e-9 && scale < 0.5 - 1e-9) ++between;
  EXPECT_GE(between, 2u) << "radii between the two ends were drawn";
  EXPECT_DOUBLE_EQ(blur->layer()->contentsScale(), 0.1) << "the last picture has the final radius";
  EXPECT_FALSE(blur->isFollowingRadiusAnimation());
  auto contents = rt::as<gfx::BitmapImage>(blur->layer()->contents());
  ASSERT_TRUE(contents);
  auto direct = blurredImageWithRadius(blur->snapshotOfUnderlyingView(), 40, blur->iterations(), nullptr);
  ASSERT_EQ(direct->CGImage()->width(), contents->width());
  for (size_t x = 0; x < contents->width(); x += 2) EXPECT_EQ(contents->pixel(x, 5), direct->CGImage()->pixel(x, 5)) << x;

  // Outside an animation the radius is drawn once, with no frames followed.
  blur->setBlurRadius(12);
  EXPECT_FALSE(blur->isFollowingRadiusAnimation());
  blur->layer()->displayIfNeeded();
  EXPECT_DOUBLE_EQ(blur->layer()->contentsScale(), 1.0 / 3);
}

TEST_F(BlurViewTest, APerspectiveBeneathIsTakenWithTheViewHierarchyDrawing) {
  auto blur = rt::make<BVBlurView>(gfx::RectMake(0, 100, 320, 200));
  blur->setDynamic(false);
  blur->setTintColor(nullptr);
  backdrop->addSubview(blur);
  EXPECT_FALSE(blur->needsDrawViewHierarchy()) << "flat bars render as layers";
  EXPECT_FALSE(BVBlurView::viewOrSubviewNeedsDrawViewHierarchy(backdrop.get()));

  // A card tilted in perspective, two levels down.
  auto holder = rt::make<ui::View>(gfx::RectMake(100, 120, 120, 160));
  auto card = rt::make<ui::View>(gfx::RectMake(10, 10, 100, 140));
  card->setBackgroundColor(gfx::Color::greenColor());
  gfx::Transform3D tilt;
  tilt.m34 = -1.0 / 500;
  card->layer()->setTransform(gfx::Transform3DRotate(tilt, 0.5, 0, 1, 0));
  holder->addSubview(card);
  backdrop->insertSubviewBelow(holder, blur.get());
  EXPECT_TRUE(BVBlurView::viewOrSubviewNeedsDrawViewHierarchy(backdrop.get()));
  EXPECT_FALSE(BVBlurView::viewOrSubviewNeedsDrawViewHierarchy(nullptr));
  blur->setUnderlyingView(backdrop);
  EXPECT_TRUE(blur->needsDrawViewHierarchy());
  auto snapshot = blur->snapshotOfUnderlyingView();
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->size(), gfx::SizeMake(320, 200));
  writeArtifact(snapshot, "blur-perspective-snapshot.png");
  // The card shows in the picture at its place beneath, the bars beside it.
  auto px = snapshot->CGImage()->pixel(static_cast<size_t>(160 * 0.1), static_cast<size_t>(100 * 0.1));
  EXPECT_GT((px >> 8) & 0xFF, 0x80u) << std::hex << px;

  // A view moved under a superview holding such content is told so as it moves.
  auto other = rt::make<BVBlurView>(gfx::RectMake(0, 0, 50, 50));
  other->setDynamic(false);
  holder->addSubview(other);
  EXPECT_TRUE(other->needsDrawViewHierarchy());
  other->removeFromSuperview();
  backdrop->subviews().front()->addSubview(other);
  EXPECT_FALSE(other->needsDrawViewHierarchy());
}

TEST_F(BlurViewTest, RemovingTheFirstViewAtIndexZeroWrapsTheIndexAndTheNextPassReducesIt) {
  auto scheduler = BVBlurScheduler::sharedInstance();
  std::vector<Ref<BVBlurView>> views;
  for (int i = 0; i < 3; ++i) {
    auto blur = rt::make<BVBlurView>(gfx::RectMake(i * 100.0, 0, 100, 100));
    blur->setUpdateInterval(10);
    backdrop->addSubview(blur);
    views.push_back(blur);
  }
  ASSERT_EQ(scheduler->views().size(), 3u);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil(
      [&] {
        return !scheduler->isUpdating() && views[0]->lastUpdate() && views[1]->lastUpdate() && views[2]->lastUpdate();
      },
      10));
  fd::RunLoopDriver::advance(0.1);  // the pass after the last one finds nothing due
  ASSERT_EQ(scheduler->viewIndex(), 0u);
  BVBlurView::setUpdatesDisabled();
  views[0]->removeFromSuperview();
  EXPECT_EQ(scheduler->viewIndex(), std::numeric_limits<size_t>::max());
  fd::RunLoopDriver::advance(11);  // both left are due now; no pass runs meanwhile
  auto second = views[1]->lastUpdate(), third = views[2]->lastUpdate();
  BVBlurView::setUpdatesEnabled();
  // The largest index modulo two is 1: the pass starts with the third view.
  EXPECT_TRUE(scheduler->isUpdating());
  EXPECT_NE(views[2]->lastUpdate(), third);
  EXPECT_EQ(views[1]->lastUpdate(), second);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return views[1]->lastUpdate() != second; }, 10));
  for (auto& v : views) v->removeFromSuperview();
  fd::RunLoopDriver::runUntil([&] { return !scheduler->isUpdating(); }, 10);
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
