#include "image/views/DRAnimatedImageView.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "image/codec/DRFrameImage.h"
#include "image/codec/DRImage.h"
#include "image/codec/DRImageEncoder.h"
#include "image/codec/DRSpriteSheetImage.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/view/Window.h"
#include "tests/image/ImageSamples.h"

using namespace image_samples;
using image::DRAnimatedImageView;

namespace {

const uint32_t kColours[3] = {0xffff0000u, 0xff00ff00u, 0xff0000ffu};
const double kDelays[3] = {0.1, 0.2, 0.3};

Ref<image::DRImage> animation(image::DRImageFileType type, uint64_t loops, uint32_t size = 8) {
  auto encoder = image::DRImageEncoder::create(type);
  encoder->loopCount = loops;
  encoder->lossless = true;
  for (int i = 0; i < 3; ++i) encoder->addImage(gfx::Image::imageWithCGImage(solidBitmap(size, size, kColours[i])), kDelays[i]);
  return image::DRImage::imageWithData(encoder->encode(), 1);
}

class AnimatedImageViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, 100, 100));
  }
  void TearDown() override {
    window = nullptr;
    fd::RunLoopDriver::reset();
  }
  /// One display frame, then the fetch it queued finishes.
  static void tick(const Ref<DRAnimatedImageView>& view) {
    fd::RunLoopDriver::advance(1.0 / 60);
    view->waitForFetches();
  }
  /// The colour the layer shows now.
  static uint32_t shown(const Ref<DRAnimatedImageView>& view) {
    view->layer()->displayIfNeeded();
    auto image = rt::as<gfx::Image>(view->layer()->contents());
    return image && image->CGImage() ? image->CGImage()->pixel(1, 1) : 0;
  }
  Ref<ui::Window> window;
};

// Plays through every format: frames change in order after their delays, and a loop count
// of 2 stops on the last frame after two passes.
TEST_F(AnimatedImageViewTest, PlaysGifApngAndWebPWithTheirDelaysAndLoopCount) {
  for (auto type : {image::DRImageFileTypeGIF, image::DRImageFileTypePNG, image::DRImageFileTypeWebP}) {
    auto image = animation(type, 2);
    ASSERT_TRUE(image) << type;
    auto view = rt::make<DRAnimatedImageView>(image);
    window->addSubview(view);
    ASSERT_TRUE(view->isAnimating()) << type;
    std::vector<std::pair<int, uint32_t>> changes = {{0, shown(view)}};
    int ticks = 0;
    while (view->isAnimating() && ticks < 600) {
      tick(view);
      ++ticks;
      const uint32_t now = shown(view);
      if (now != changes.back().second) changes.push_back({ticks, now});
    }
    EXPECT_FALSE(view->isAnimating()) << type;
    ASSERT_EQ(changes.size(), 6u) << type;  // r g b r g b
    for (size_t i = 0; i < changes.size(); ++i) EXPECT_EQ(changes[i].second, kColours[i % 3]) << type << " change " << i;
    // Each frame stays for its delay; the first change waits one extra frame for its first fetch.
    for (size_t i = 1; i < changes.size(); ++i) {
      const double held = (changes[i].first - changes[i - 1].first) / 60.0;
      EXPECT_NEAR(held, kDelays[(i - 1) % 3], i == 1 ? 2.5 / 60 : 1.5 / 60) << type << " change " << i;
    }
    EXPECT_EQ(view->currentAnimatedImageIndex(), 2u);
    view->removeFromSuperview();
  }
}

TEST_F(AnimatedImageViewTest, ALoopCountOfZeroPlaysForeverAndLeavingTheWindowStops) {
  auto view = rt::make<DRAnimatedImageView>(animation(image::DRImageFileTypeGIF, 0));
  window->addSubview(view);
  std::set<uint64_t> seen;
  for (int i = 0; i < 6 * 60; ++i) {
    tick(view);
    seen.insert(view->currentAnimatedImageIndex());
  }
  EXPECT_TRUE(view->isAnimating());
  EXPECT_EQ(seen.size(), 3u);
  view->removeFromSuperview();
  EXPECT_FALSE(view->isAnimating());
  const uint64_t index = view->currentAnimatedImageIndex();
  for (int i = 0; i < 60; ++i) tick(view);
  EXPECT_EQ(view->currentAnimatedImageIndex(), index);
  window->addSubview(view);
  EXPECT_TRUE(view->isAnimating());
  view->setAutoPlayAnimatedImage(false);
  view->removeFromSuperview();
  EXPECT_TRUE(view->isAnimating());  // no auto-play: leaving the window changes nothing
  view->stopAnimating();
}

TEST_F(AnimatedImageViewTest, AStillImageNeedsNoDisplayLink) {
  auto still = image::DRImage::imageWithData(dataOf(pngOf(solidBitmap(4, 4, 0xff336699u))), 1);
  auto view = rt::make<DRAnimatedImageView>(still);
  window->addSubview(view);
  EXPECT_FALSE(view->displayLink());
  EXPECT_FALSE(view->isAnimating());
  EXPECT_EQ(shown(view), 0xff336699u);
  EXPECT_EQ(view->frame().size.width, 4);
}

TEST_F(AnimatedImageViewTest, ABufferOfOneFrameDecodesEachFrameJustInTimeAndReleasesIt) {
  auto image = animation(image::DRImageFileTypeWebP, 0);
  auto view = rt::make<DRAnimatedImageView>();
  view->setMaxBufferSize(image->animatedImageBytesPerFrame());
  view->setImage(image);
  window->addSubview(view);
  size_t most = 0;
  std::vector<uint32_t> colours;
  for (int i = 0; i < 2 * 60; ++i) {
    tick(view);
    most = std::max(most, view->bufferedFrameCount());
    if (colours.empty() || colours.back() != shown(view)) colours.push_back(shown(view));
  }
  EXPECT_LE(most, 1u);
  EXPECT_GE(colours.size(), 6u);
}

TEST_F(AnimatedImageViewTest, AFrameThatCannotBeDecodedLeavesThePreviousOneAndPlaybackGoesOn) {
  std::vector<Ref<fd::Data>> datas = {dataOf(pngOf(solidBitmap(4, 4, kColours[0]))), fd::Data::create("broken frame bytes"),
                                      dataOf(pngOf(solidBitmap(4, 4, kColours[2])))};
  auto frames = image::DRFrameImage::withDatas(datas, 0.1, 1);
  auto view = rt::make<DRAnimatedImageView>(frames);
  window->addSubview(view);
  std::vector<uint32_t> colours = {shown(view)};
  for (int i = 0; i < 60; ++i) {
    tick(view);
    if (colours.back() != shown(view)) colours.push_back(shown(view));
  }
  EXPECT_EQ(colours, (std::vector<uint32_t>{kColours[0], kColours[2]}));
  EXPECT_EQ(view->currentAnimatedImageIndex(), 2u);
}

TEST_F(AnimatedImageViewTest, SpriteSheetsMoveTheContentsRectangleAndPlainImagesRestoreIt) {
  auto sheet = gfx::Image::imageWithCGImage(solidBitmap(100, 50, 0xff000000u));
  auto sprites = rt::make<image::DRSpriteSheetImage>(
      sheet, std::vector<gfx::Rect>{{{0, 0}, {50, 50}}, {{50, 0}, {50, 50}}}, std::vector<double>{0.1, 0.1}, 0);
  auto view = rt::make<DRAnimatedImageView>(sprites);
  window->addSubview(view);
  EXPECT_EQ(view->layer()->contentsRect(), (gfx::Rect{{0, 0}, {0.5, 1}}));
  for (int i = 0; i < 10 && view->currentAnimatedImageIndex() == 0; ++i) tick(view);
  EXPECT_EQ(view->currentAnimatedImageIndex(), 1u);
  EXPECT_EQ(view->layer()->contentsRect(), (gfx::Rect{{0.5, 0}, {0.5, 1}}));
  view->setImage(gfx::Image::imageWithCGImage(solidBitmap(4, 4, 0xffffffffu)));
  EXPECT_EQ(view->layer()->contentsRect(), (gfx::Rect{{0, 0}, {1, 1}}));
  EXPECT_FALSE(view->isAnimating());
}

TEST_F(AnimatedImageViewTest, SettingTheIndexJumpsAndNotifiesOnce) {
  auto view = rt::make<DRAnimatedImageView>(animation(image::DRImageFileTypePNG, 0));
  int notifications = 0;
  view->observe("currentAnimatedImageIndex", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange&) {
    ++notifications;
  });
  view->setCurrentAnimatedImageIndex(3);  // past the frames
  view->setCurrentAnimatedImageIndex(0);  // the current one
  EXPECT_EQ(notifications, 0);
  view->setCurrentAnimatedImageIndex(2);
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(view->currentAnimatedImageIndex(), 2u);
  EXPECT_EQ(shown(view), kColours[2]);
}

TEST_F(AnimatedImageViewTest, MemoryWarningsAndTheBackgroundShrinkTheBufferToTheNextFrame) {
  auto view = rt::make<DRAnimatedImageView>(animation(image::DRImageFileTypeGIF, 0));
  window->addSubview(view);
  for (int i = 0; i < 3 * 60; ++i) tick(view);
  EXPECT_GE(view->bufferedFrameCount(), 2u);
  fd::NotificationCenter::defaultCenter()->post(rt::String(ui::UIApplicationDidReceiveMemoryWarningNotification));
  EXPECT_LE(view->bufferedFrameCount(), 1u);
  for (int i = 0; i < 60; ++i) tick(view);
  EXPECT_TRUE(view->isAnimating());  // still plays, frame by frame
  fd::NotificationCenter::defaultCenter()->post(rt::String(ui::UIApplicationDidEnterBackgroundNotification));
  EXPECT_LE(view->bufferedFrameCount(), 1u);
}

TEST_F(AnimatedImageViewTest, RendersItsFramesHeadless) {
  auto view = rt::make<DRAnimatedImageView>(animation(image::DRImageFileTypePNG, 0, 40));
  view->setFrame(gfx::RectMake(0, 0, 40, 40));
  window->addSubview(view);
  gfx::beginImageContextWithOptions({120, 40}, true, 1);
  auto context = gfx::currentContext();
  for (int i = 0; i < 3; ++i) {
    context->saveGState();
    context->translateCTM(40.0 * i, 0);
    view->layer()->displayIfNeeded();
    view->layer()->renderInContext(*context);
    context->restoreGState();
    const uint64_t index = view->currentAnimatedImageIndex();
    for (int k = 0; k < 60 && view->currentAnimatedImageIndex() == index; ++k) tick(view);
  }
  auto strip = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  ASSERT_TRUE(strip && strip->CGImage());
  if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(dir);
    auto png = gfx::UIImagePNGRepresentation(strip);
    std::ofstream(std::filesystem::path(dir) / "animated-image-view.png", std::ios::binary).write(png->view().data(), long(png->length()));
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(strip->CGImage()->pixel(size_t(20 + 40 * i), 20), kColours[i]) << i;
}

}  // namespace

namespace {

TEST_F(AnimatedImageViewTest, ArchivesKeepTheAnimatedImageModeAndAutoPlay) {
  auto view = rt::make<DRAnimatedImageView>(animation(image::DRImageFileTypePNG, 0));
  view->setRunloopMode(fd::NSDefaultRunLoopMode);
  view->setAutoPlayAnimatedImage(false);
  auto archive = fd::KeyedArchiver::archivedDataWithRootObject(view);
  ASSERT_TRUE(archive);
  auto back = rt::as<DRAnimatedImageView>(fd::KeyedUnarchiver::unarchiveObjectWithData(archive));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->runloopMode(), fd::NSDefaultRunLoopMode);
  EXPECT_FALSE(back->autoPlayAnimatedImage());
  auto image = rt::as<image::DRImage>(back->image());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->animatedImageFrameCount(), 3u);
  back->startAnimating();
  EXPECT_TRUE(back->isAnimating());
  back->stopAnimating();
}

TEST_F(AnimatedImageViewTest, ImageSequencesPlayAsInThePlainImageView) {
  auto view = rt::make<DRAnimatedImageView>();
  view->setAnimationImages({gfx::Image::imageWithCGImage(solidBitmap(4, 4, kColours[0])),
                            gfx::Image::imageWithCGImage(solidBitmap(4, 4, kColours[1]))});
  window->addSubview(view);
  EXPECT_TRUE(view->isAnimating());
  EXPECT_FALSE(view->displayLink());
  view->stopAnimating();
  EXPECT_FALSE(view->isAnimating());
}

}  // namespace
