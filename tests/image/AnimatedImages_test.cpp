#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/files/Bundle.h"

#include "image/codec/DRFrameImage.h"
#include "image/codec/DRImage.h"
#include "image/codec/DRImageEncoder.h"
#include "image/codec/DRImagePathScale.h"
#include "image/codec/DRSpriteSheetImage.h"
#include "image/codec/Image+DRImageCoder.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "tests/image/ImageSamples.h"

using namespace image_samples;
using image::DRImage;

namespace {

Ref<fd::Data> threeFrameAPNG() {
  std::vector<ApngFrame> frames = {{solidBitmap(6, 4, 0xffff0000u), 0, 0, 0, 1},
                                   {solidBitmap(6, 4, 0xff00ff00u), 0, 0, 1, 100},
                                   {solidBitmap(6, 4, 0xff0000ffu), 0, 0, 11, 1000}};
  return dataOf(bytesOf(apngChunks(6, 4, frames, 5)));
}

TEST(AnimatedImages, AStillDRImageKeepsNoDecoder) {
  auto png = dataOf(pngOf(solidBitmap(4, 3, 0xff336699u)));
  auto still = DRImage::imageWithData(png, 2);
  ASSERT_TRUE(still);
  EXPECT_EQ(still->animatedImageFrameCount(), 0u);
  EXPECT_FALSE(still->animatedImageData());
  EXPECT_EQ(still->animatedImageType(), image::DRImageFileTypePNG);
  EXPECT_EQ(still->animatedImageMemorySize(), 0u);
  EXPECT_EQ(still->size().width, 2);
  EXPECT_TRUE(image::isDecodedForDisplay(*still));
  EXPECT_FALSE(DRImage::imageWithData(nullptr));
  EXPECT_FALSE(DRImage::imageWithData(fd::Data::create()));
  EXPECT_FALSE(DRImage::imageWithData(fd::Data::create("garbage bytes that are no image")));
}

TEST(AnimatedImages, AnAnimatedDRImageServesFramesWithFlooredDurations) {
  auto animated = DRImage::imageWithData(threeFrameAPNG(), 1);
  ASSERT_TRUE(animated);
  EXPECT_EQ(animated->animatedImageFrameCount(), 3u);
  EXPECT_EQ(animated->animatedImageLoopCount(), 5u);
  EXPECT_EQ(animated->animatedImageBytesPerFrame(), animated->CGImage()->bytesPerRow() * 4);
  EXPECT_EQ(animated->animatedImageMemorySize(), animated->animatedImageBytesPerFrame() * 3);
  EXPECT_TRUE(animated->animatedImageData());
  EXPECT_DOUBLE_EQ(animated->animatedImageDurationAtIndex(0), double(0.1f));  // 0 s
  EXPECT_DOUBLE_EQ(animated->animatedImageDurationAtIndex(1), double(0.1f));  // 0.01 s
  EXPECT_DOUBLE_EQ(animated->animatedImageDurationAtIndex(2), 0.011);
  EXPECT_EQ(animated->animatedImageFrameAtIndex(2)->CGImage()->pixel(1, 1), 0xff0000ffu);
  EXPECT_FALSE(animated->animatedImageFrameAtIndex(3));

  animated->setPreloadAllAnimatedImageFrames(true);
  auto preloaded = animated->animatedImageFrameAtIndex(1);
  animated->setPreloadAllAnimatedImageFrames(true);  // no second decode
  EXPECT_EQ(animated->animatedImageFrameAtIndex(1), preloaded);
  EXPECT_EQ(animated->animatedImageFrameAtIndex(1), animated->animatedImageFrameAtIndex(1));
  animated->setPreloadAllAnimatedImageFrames(false);
  EXPECT_FALSE(animated->preloadAllAnimatedImageFrames());
  EXPECT_NE(animated->animatedImageFrameAtIndex(1), animated->animatedImageFrameAtIndex(1));  // decoded per call
}

TEST(AnimatedImages, ArchivesKeepTheEncodedDataOfAnimatedImagesOnly) {
  auto animated = DRImage::imageWithData(threeFrameAPNG(), 2);
  auto archive = fd::KeyedArchiver::archivedDataWithRootObject(animated);
  ASSERT_TRUE(archive);
  auto back = rt::as<DRImage>(fd::KeyedUnarchiver::unarchiveObjectWithData(archive));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->animatedImageFrameCount(), 3u);
  EXPECT_EQ(back->scale(), 2);
  EXPECT_TRUE(back->animatedImageData()->isEqualToData(*animated->animatedImageData()));

  auto still = DRImage::imageWithData(dataOf(pngOf(solidBitmap(4, 3, 0xff336699u))), 1);
  auto stillArchive = fd::KeyedArchiver::archivedDataWithRootObject(still);
  ASSERT_TRUE(stillArchive);
  EXPECT_EQ(stillArchive->rangeOfData(*fd::Data::create("DRImageData")).length, 0u);
  auto stillBack = rt::as<gfx::Image>(fd::KeyedUnarchiver::unarchiveObjectWithData(stillArchive));
  ASSERT_TRUE(stillBack);
  EXPECT_EQ(stillBack->CGImage()->pixel(1, 1), 0xff336699u);
}

TEST(AnimatedImages, DataRepresentationPrefersTheAnimatedDataAndElseEncodesTheUprightBitmap) {
  auto webp = image::DRImageEncoder::create(image::DRImageFileTypeWebP);
  webp->addImage(gfx::Image::imageWithCGImage(solidBitmap(4, 4, 0xffff0000u)), 0.1);
  webp->addImage(gfx::Image::imageWithCGImage(solidBitmap(4, 4, 0xff00ff00u)), 0.1);
  auto data = webp->encode();
  auto animated = DRImage::imageWithData(data, 1);
  ASSERT_TRUE(animated);
  EXPECT_EQ(image::dataRepresentation(animated), animated->animatedImageData());
  auto forSystem = image::dataRepresentation(animated, true);
  ASSERT_TRUE(forSystem);
  EXPECT_NE(image::DRImageTypeFromData(forSystem.get()), image::DRImageFileTypeWebP);

  std::vector<uint32_t> px(6, 0xff000000u);
  px[0] = 0xffff0000u;
  auto rotated = gfx::Image::imageWithCGImage(bitmapFromPixels(px, 3, 2), 1, gfx::ImageOrientation::Right);
  auto opaque = gfx::Image::imageWithCGImage(
      gfx::BitmapImage::create([] {
        gfx::PixelFormat f;
        f.width = 3, f.height = 2, f.bytesPerRow = 12, f.bitmapInfo = gfx::BitmapInfoNativeOpaque;
        f.colorSpace = gfx::ColorSpace::deviceRGB();
        return f;
      }(), fd::Data::create(std::vector<uint8_t>(24, 0x80))), 1, gfx::ImageOrientation::Right);
  auto jpeg = image::dataRepresentation(opaque);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(image::DRImageTypeFromData(jpeg.get()), image::DRImageFileTypeJPEG);
  auto png = image::dataRepresentation(rotated);
  ASSERT_TRUE(png);
  EXPECT_EQ(image::DRImageTypeFromData(png.get()), image::DRImageFileTypePNG);
  auto upright = gfx::ImageSource::createWithData(png)->createImageAtIndex(0);
  EXPECT_EQ(upright->width(), 2u);
  EXPECT_EQ(upright->pixel(1, 0), 0xffff0000u);
}

TEST(AnimatedImages, FrameImagesReadEachFrameOnRequest) {
  std::vector<Ref<fd::Data>> datas = {dataOf(pngOf(solidBitmap(3, 3, 0xffff0000u))), dataOf(pngOf(solidBitmap(3, 3, 0xff00ff00u)))};
  auto frames = image::DRFrameImage::withDatas(datas, 0.25, 2);
  ASSERT_TRUE(frames);
  EXPECT_EQ(frames->animatedImageFrameCount(), 2u);
  EXPECT_EQ(frames->animatedImageLoopCount(), 2u);
  EXPECT_EQ(frames->animatedImageBytesPerFrame(), frames->CGImage()->bytesPerRow() * 3);
  EXPECT_EQ(frames->animatedImageDurationAtIndex(1), 0.25);
  EXPECT_EQ(frames->animatedImageDurationAtIndex(2), 0);
  EXPECT_EQ(frames->animatedImageFrameAtIndex(1)->CGImage()->pixel(1, 1), 0xff00ff00u);
  EXPECT_FALSE(frames->animatedImageFrameAtIndex(2));
  EXPECT_FALSE(rt::make<image::DRFrameImage>(std::vector<rt::String>{"a", "b", "c"}, std::vector<double>{1, 2}, 0));
  EXPECT_FALSE(image::DRFrameImage::withPaths({}, 0.1, 0));
  auto bare = rt::make<image::DRFrameImage>();
  EXPECT_EQ(bare->animatedImageFrameCount(), 1u);
  EXPECT_EQ(bare->animatedImageFrameAtIndex(0), bare);

  EXPECT_EQ(image::DRImagePathScale("/a/icon@2x.png"), 2);
  EXPECT_EQ(image::DRImagePathScale("/a/icon@1.5x.gif"), 1.5);
  EXPECT_EQ(image::DRImagePathScale("/a/icon.png"), 1);
  EXPECT_EQ(image::DRImagePathScale("/a/@2x/"), 1);
  EXPECT_EQ(image::DRImagePathScale(""), 1);
}

TEST(AnimatedImages, SpriteSheetsShowFramesThroughUnitRectangles) {
  auto sheet = gfx::Image::imageWithCGImage(solidBitmap(100, 50, 0xff000000u));
  auto sprites = rt::make<image::DRSpriteSheetImage>(
      sheet, std::vector<gfx::Rect>{{{0, 0}, {50, 50}}, {{50, 0}, {50, 50}}, {{300, 300}, {10, 10}}},
      std::vector<double>{0.1, 0.2, 0.3}, 0);
  ASSERT_TRUE(sprites);
  EXPECT_EQ(sprites->contentsRectForCALayerAtIndex(1), (gfx::Rect{{0.5, 0}, {0.5, 1}}));
  EXPECT_EQ(sprites->contentsRectForCALayerAtIndex(2), (gfx::Rect{{0, 0}, {1, 1}}));
  EXPECT_EQ(sprites->contentsRectForCALayerAtIndex(9), (gfx::Rect{{0, 0}, {1, 1}}));
  EXPECT_EQ(sprites->animatedImageFrameAtIndex(7), sprites);
  EXPECT_EQ(sprites->animatedImageBytesPerFrame(), 0u);
  EXPECT_EQ(*sprites->animatedImageContentsRectAtIndex(5), gfx::RectZero);
  EXPECT_FALSE(rt::make<image::DRSpriteSheetImage>(sheet, std::vector<gfx::Rect>{{{0, 0}, {1, 1}}}, std::vector<double>{}, 0));
}

}  // namespace

namespace {

TEST(AnimatedImages, NamedImagesFollowThePreferredScales) {
  auto folder = std::filesystem::temp_directory_path() / ("dr-named-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  writeFile((folder / "logo@3x.png").string(), *dataOf(pngOf(solidBitmap(6, 6, 0xffff0000u))));
  writeFile((folder / "logo.gif").string(), *encode(gfx::kUTTypeGIF, {solidBitmap(6, 6, 0xff0000ffu)}));
  auto previous = fd::Bundle::mainBundle();
  fd::Bundle::setMainBundle(fd::Bundle::bundleWithPath(folder.string().c_str()));
  ASSERT_EQ(image::DRImage::preferredScales(), (std::vector<double>{2, 3, 1}));  // the 2x screen
  auto bare = image::DRImage::imageNamed("logo");
  auto gif = image::DRImage::imageNamed("logo.gif");
  auto slash = image::DRImage::imageNamed("logo/");
  auto missing = image::DRImage::imageNamed("nothing");
  fd::Bundle::setMainBundle(previous);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->scale(), 3);  // no 2x file: the 3x one comes before the plain name
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->scale(), 1);
  EXPECT_EQ(gif->CGImage()->pixel(1, 1), 0xff0000ffu);
  EXPECT_FALSE(slash);
  EXPECT_FALSE(missing);
}

}  // namespace
