#include "platform/graphics/ImageDestination.h"

#include <gtest/gtest.h>

#include "platform/foundation/net/URL.h"
#include "tests/platform/graphics/CodecSamples.h"

using namespace codec_samples;
using gfx::ImageDestination;
using gfx::ImageSource;

namespace {

TEST(ImageDestination, RefusesUnknownTypesAndEmptyRequests) {
  auto out = fd::MutableData::create();
  EXPECT_FALSE(ImageDestination::createWithData(out, "public.plain-text", 1));
  EXPECT_FALSE(ImageDestination::createWithData(nullptr, gfx::kUTTypePNG, 1));
  EXPECT_FALSE(ImageDestination::createWithData(out, gfx::kUTTypePNG, 0));
  auto dest = ImageDestination::createWithData(out, gfx::kUTTypePNG, 1);
  ASSERT_TRUE(dest);
  EXPECT_FALSE(dest->finalize());  // nothing added
  EXPECT_EQ(out->length(), 0u);
}

TEST(ImageDestination, ListsTheTypesItWrites) {
  auto types = ImageDestination::copyTypeIdentifiers();
  for (const char* t : {gfx::kUTTypePNG, gfx::kUTTypeJPEG, gfx::kUTTypeGIF, gfx::kUTTypeWebP, gfx::kUTTypeBMP, gfx::kUTTypeICO})
    EXPECT_NE(std::find(types.begin(), types.end(), rt::String(t)), types.end()) << t;
}

TEST(ImageDestination, PngKeepsAlphaOnlyWhenTheImageHasIt) {
  auto opaque = encode(gfx::kUTTypePNG, {solidBitmap(4, 4, 0xff123456u)});
  auto clear = encode(gfx::kUTTypePNG, {solidBitmap(4, 4, 0x40123456u)});
  ASSERT_TRUE(opaque && clear);
  // Colour type byte of IHDR: 2 = RGB, 6 = RGBA.
  EXPECT_EQ(opaque->bytes()[25], 2);
  EXPECT_EQ(clear->bytes()[25], 6);
}

TEST(ImageDestination, JpegQualityTradesSizeForFidelity) {
  auto image = patternBitmap(64, 64, false);
  size_t last = 0;
  for (double q : {0.1, 0.5, 0.9, 1.0}) {
    auto data = encode(gfx::kUTTypeJPEG, {image},
                       props({{gfx::kCGImageDestinationLossyCompressionQuality, fd::box(q)}}));
    ASSERT_TRUE(data);
    EXPECT_GT(data->length(), last) << q;
    last = data->length();
  }
}

TEST(ImageDestination, AnimatedGifKeepsFramesLoopCountAndDelays) {
  auto data = encode(gfx::kUTTypeGIF, {solidBitmap(5, 5, 0xffff0000u), solidBitmap(5, 5, 0xff00ff00u)}, gifFrameProps(0.3),
                     props({{gfx::kCGImagePropertyGIFDictionary, props({{gfx::kCGImagePropertyGIFLoopCount, fd::box(0)}})}}));
  ASSERT_TRUE(data);
  auto source = ImageSource::createWithData(data);
  ASSERT_EQ(source->count(), 2u);
  auto gif = source->copyProperties()->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyGIFDictionary);
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFLoopCount)->integerValue(), 0);
  EXPECT_EQ(source->createImageAtIndex(1)->pixel(2, 2), 0xff00ff00u);
}

TEST(ImageDestination, CopiesFramesFromASourceWithTheirDelays) {
  auto gif = encode(gfx::kUTTypeGIF, {solidBitmap(3, 3, 0xff0000ffu), solidBitmap(3, 3, 0xffffffffu)}, gifFrameProps(0.7));
  auto source = ImageSource::createWithData(gif);
  auto out = fd::MutableData::create();
  auto dest = ImageDestination::createWithData(out, gfx::kUTTypeGIF, 2);
  dest->addImageFromSource(source, 0);
  dest->addImageFromSource(source, 1);
  ASSERT_TRUE(dest->finalize());
  EXPECT_FALSE(dest->finalize());  // once only
  auto again = ImageSource::createWithData(out);
  ASSERT_EQ(again->count(), 2u);
  auto props1 = again->copyPropertiesAtIndex(1)->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyGIFDictionary);
  EXPECT_DOUBLE_EQ(props1->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFDelayTime)->doubleValue(), 0.7);
}

TEST(ImageDestination, StillFormatsTakeOneImageOnly) {
  auto out = fd::MutableData::create();
  auto dest = ImageDestination::createWithData(out, gfx::kUTTypeJPEG, 3);
  dest->addImage(solidBitmap(2, 2, 0xff000000u));
  dest->addImage(solidBitmap(9, 9, 0xff000000u));
  ASSERT_TRUE(dest->finalize());
  auto source = ImageSource::createWithData(out);
  EXPECT_EQ(source->count(), 1u);
  EXPECT_EQ(source->createImageAtIndex(0)->width(), 2u);
}

TEST(ImageDestination, IconsHoldEveryImageAtItsOwnSize) {
  auto data = encode(gfx::kUTTypeICO, {solidBitmap(16, 16, 0xffff0000u), solidBitmap(32, 32, 0x8000ff00u)});
  ASSERT_TRUE(data);
  auto source = ImageSource::createWithData(data);
  ASSERT_EQ(source->count(), 2u);
  EXPECT_EQ(source->createImageAtIndex(0)->width(), 16u);
  auto big = source->createImageAtIndex(1);
  EXPECT_EQ(big->width(), 32u);
  EXPECT_EQ(big->pixel(31, 31), 0x80008000u);
  EXPECT_FALSE(encode(gfx::kUTTypeICO, {solidBitmap(300, 10, 0xff000000u)}));
}

TEST(ImageDestination, WritesFileUrls) {
  TempDir dir;
  auto url = fd::URL::fileURLWithPath(dir.file("out.webp").c_str());
  auto dest = ImageDestination::createWithURL(url, gfx::kUTTypeWebP, 1);
  ASSERT_TRUE(dest);
  dest->addImage(solidBitmap(7, 3, 0xff204060u));
  ASSERT_TRUE(dest->finalize());
  auto source = ImageSource::createWithURL(url);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->createImageAtIndex(0)->pixel(6, 2), 0xff204060u);
  auto bad = ImageDestination::createWithURL(fd::URL::fileURLWithPath("/nonexistent-dir/x.png"), gfx::kUTTypePNG, 1);
  ASSERT_TRUE(bad);
  bad->addImage(solidBitmap(1, 1, 0xff000000u));
  EXPECT_FALSE(bad->finalize());
}

}  // namespace
