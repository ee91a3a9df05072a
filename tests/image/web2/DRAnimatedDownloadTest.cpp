// Animated pictures through the second pipeline: downloaded from the sample service, they come
// out as animated images that the animated image view plays, and come back animated from the
// disk cache after a restart.
#include <set>

#include "image/codec/DRImage.h"
#include "image/codec/DRImageCoderTypes.h"
#include "image/views/DRAnimatedImageView.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/view/Window.h"
#include "tests/image/web2/DRWebImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

class DRAnimatedDownloadTest : public DRWebImageTest {
 protected:
  Ref<gfx::Image> load(const Ref<DRWebImageManager>& manager, const std::string& path, DRWebImageOptions options,
                       DRWebImageFrom* from) {
    std::vector<DRReport> reports;
    manager->requestImageWithURL(pictureURL(path), options, nullptr, nullptr, collect(reports));
    EXPECT_TRUE(pump([&] { return hasFinal(reports); }));
    fd::RunLoopDriver::runUntilIdle();
    if (reports.empty()) return nullptr;
    EXPECT_EQ(reports.back().stage, DRWebImageStage::Finished);
    if (from) *from = reports.back().from;
    return reports.back().image;
  }

  // Plays the image in a view for two seconds of display frames on the virtual clock and
  // answers the colours shown at one pixel.
  static std::set<uint32_t> played(const Ref<gfx::Image>& image) {
    fd::RunLoopDriver::useVirtualClock();
    auto window = rt::make<ui::Window>(gfx::RectMake(0, 0, 200, 200));
    auto view = rt::make<DRAnimatedImageView>(image);
    window->addSubview(view);
    std::set<uint32_t> shown;
    EXPECT_TRUE(view->isAnimating());
    for (int tick = 0; tick < 120; ++tick) {
      fd::RunLoopDriver::advance(1.0 / 60);
      view->waitForFetches();
      view->layer()->displayIfNeeded();
      auto contents = rt::as<gfx::Image>(view->layer()->contents());
      if (contents && contents->CGImage()) shown.insert(contents->CGImage()->pixel(1, 1));
    }
    view->removeFromSuperview();
    fd::RunLoopDriver::reset();
    return shown;
  }

  static std::set<uint32_t> frameColours(const Ref<DRImage>& image) {
    std::set<uint32_t> colours;
    for (uint64_t i = 0; i < image->animatedImageFrameCount(); ++i) {
      auto frame = image->animatedImageFrameAtIndex(i);
      if (frame && frame->CGImage()) colours.insert(frame->CGImage()->pixel(1, 1));
    }
    return colours;
  }
};

TEST_F(DRAnimatedDownloadTest, GifApngAndWebPPlayWhenDownloadedAndFromDiskAfterARestart) {
  struct Case {
    const char* path;
    DRImageFileType type;
  };
  for (const Case& c : {Case{"anim/dr-a.gif", DRImageFileTypeGIF}, Case{"anim/dr-a.png", DRImageFileTypePNG},
                        Case{"anim/dr-a.webp", DRImageFileTypeWebP}}) {
    SCOPED_TRACE(c.path);
    const fd::String key(picture(c.path));
    auto bytes = sampleBytes(c.path);
    ASSERT_FALSE(bytes.empty());
    {
      auto cache = makeDRCache("animated");
      DRWebImageFrom from = DRWebImageFrom::None;
      auto downloaded = rt::as<DRImage>(load(makeDRManager(cache), c.path, 0, &from));
      ASSERT_TRUE(downloaded);
      EXPECT_EQ(from, DRWebImageFrom::Remote);
      EXPECT_EQ(downloaded->animatedImageType(), c.type);
      EXPECT_EQ(downloaded->animatedImageFrameCount(), 3u);
      EXPECT_EQ(downloaded->animatedImageLoopCount(), 0u);
      EXPECT_NEAR(downloaded->animatedImageDurationAtIndex(1), 0.1, 1e-3);
      EXPECT_EQ(downloaded->CGImage()->width(), 120u);
      // Frames are decoded when shown, not all at once.
      EXPECT_FALSE(downloaded->preloadAllAnimatedImageFrames());
      const auto colours = frameColours(downloaded);
      EXPECT_EQ(colours.size(), 3u);
      EXPECT_EQ(played(downloaded), colours);
      // The disk keeps the downloaded animation itself.
      ASSERT_TRUE(pump([&] { return cache->containsImageForKey(key, DRImageCacheTypeDisk); }, 10));
      auto stored = cache->getImageDataForKey(key);
      ASSERT_TRUE(stored);
      EXPECT_EQ(stored->view(), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    // A restart: new cache and manager objects over the same folder.
    auto cache = makeDRCache("animated");
    DRWebImageFrom from = DRWebImageFrom::None;
    auto fromDisk = rt::as<DRImage>(load(makeDRManager(cache), c.path, 0, &from));
    ASSERT_TRUE(fromDisk);
    EXPECT_EQ(from, DRWebImageFrom::DiskCache);
    EXPECT_EQ(fromDisk->animatedImageFrameCount(), 3u);
    EXPECT_EQ(played(fromDisk), frameColours(fromDisk));
    EXPECT_EQ(frameColours(fromDisk).size(), 3u);
  }
}

// Asking for the first frame only, or a cache that allows no animated images, gives a still
// picture of the first frame.
TEST_F(DRAnimatedDownloadTest, FirstFrameOnlyAndCachesWithoutAnimationGiveStillPictures) {
  auto cache = makeDRCache("stills");
  auto still = load(makeDRManager(cache), "anim/dr-still.gif", DRWebImageOptionFirstFrameOnly, nullptr);
  ASSERT_TRUE(still);
  EXPECT_FALSE(rt::as<DRImage>(still));
  EXPECT_EQ(still->CGImage()->width(), 120u);

  auto animated = makeDRCache("no-animation");
  auto data = fd::Data::create(sampleBytes("anim/dr-still.png"));
  animated->setImage(nullptr, data, "apng", DRImageCacheTypeDisk);
  ASSERT_TRUE(rt::as<DRImage>(animated->getImageForKey("apng", DRImageCacheTypeDisk)));
  animated->allowAnimatedImage = false;
  auto first = animated->getImageForKey("apng", DRImageCacheTypeDisk);
  ASSERT_TRUE(first);
  EXPECT_FALSE(rt::as<DRImage>(first));
  EXPECT_EQ(first->CGImage()->width(), 120u);
}

}  // namespace
}  // namespace imagetest
