#include <gtest/gtest.h>

#include "image/web/Data+ImageContentType.h"
#include "image/web/Image+ForceDecode.h"
#include "image/web/Image+GIF.h"
#include "image/web/Image+MultiFormat.h"
#include "image/web/WIImageScaledForKey.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageTypes.h"
#include "tests/image/ImageSamples.h"

namespace imagetest {
namespace {

using namespace image;

Ref<fd::Data> bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> v;
  for (int b : values) v.push_back(uint8_t(b));
  return fd::Data::create(std::move(v));
}

TEST(WIImageDecodingTest, TheFirstBytesNameTheContentType) {
  struct Case {
    Ref<fd::Data> data;
    std::optional<std::string> type;
  };
  std::vector<Case> cases = {
      {bytes({0x89, 0x50, 0x4E, 0x47}), "image/png"},
      {bytes({0xFF, 0xD8, 0xFF}), "image/jpeg"},
      {fd::Data::create(std::string_view("GIF89a")), "image/gif"},
      {fd::Data::create(std::string_view("II*\0", 4)), "image/tiff"},
      {fd::Data::create(std::string_view("MM\0*", 4)), "image/tiff"},
      {fd::Data::create(std::string_view("RIFF\x10\0\0\0WEBPVP8 ", 16)), "image/webp"},
      {fd::Data::create(std::string_view("RIFF\x10\0\0\0WEB", 11)), std::nullopt},  // 11 bytes
      {fd::Data::create(std::string_view("RIFF\x10\0\0\0WAVE", 12)), std::nullopt},
      {bytes({0x52, 0xC3, 0xA9, 0, 0, 0, 0, 0, 0x57, 0x45, 0x42, 0x50}), std::nullopt},  // not ASCII
      {fd::Data::create(), std::nullopt},
      {nullptr, std::nullopt},
      {bytes({0x00, 0x01}), std::nullopt},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    auto type = wi_contentTypeForImageData(cases[i].data);
    EXPECT_EQ(type ? std::optional<std::string>(type->utf8()) : std::nullopt, cases[i].type);
  }
}

TEST(WIImageDecodingTest, TheKeyGivesTheScale) {
  auto bitmap = gfx::BitmapImage::createNative(4, 4, true);
  auto image = gfx::Image::imageWithCGImage(bitmap, 3, gfx::ImageOrientation::Right);
  struct Case {
    std::optional<std::string> key;
    double scale;
  };
  std::vector<Case> cases = {{"http://h/a@2x.png", 2}, {"http://h/a@3x.png", 3}, {"http://h/a@2x.@3x.png", 3},
                             {"@2x.p", 1},             {"http://h/a@2x", 1},    {"http://h/a.png", 1},
                             {std::nullopt, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.value_or("(none)"));
    auto scaled = WIImageScaledForKey(c.key ? std::optional<fd::String>(fd::String(*c.key)) : std::nullopt, image);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->scale(), c.scale);
    EXPECT_EQ(scaled->imageOrientation(), gfx::ImageOrientation::Right);
    EXPECT_EQ(scaled->CGImage(), bitmap);
  }
  EXPECT_FALSE(WIImageScaledForKey(fd::String("k@2x.png"), nullptr));
}

TEST(WIImageDecodingTest, ForcedDecodeChoosesTheBitmapLayoutByAlpha) {
  const uint32_t order = gfx::BitmapByteOrder32Little;
  struct Case {
    uint32_t in;
    size_t components;
    uint32_t out;
  };
  std::vector<Case> cases = {
      {order | gfx::ImageAlphaNone, 3, order | gfx::ImageAlphaNoneSkipFirst},
      {order | gfx::ImageAlphaNoneSkipLast, 3, order | gfx::ImageAlphaNoneSkipLast},
      {order | gfx::ImageAlphaNoneSkipFirst, 3, order | gfx::ImageAlphaNoneSkipFirst},
      {order | gfx::ImageAlphaLast, 3, order | gfx::ImageAlphaPremultipliedFirst},
      {gfx::ImageAlphaPremultipliedLast, 3, gfx::ImageAlphaPremultipliedFirst},
      {gfx::ImageAlphaLast, 1, gfx::ImageAlphaLast},  // grey keeps its alpha layout
  };
  for (const auto& c : cases) EXPECT_EQ(decodedBitmapInfo(c.in, c.components), c.out) << c.in;

  // A real redraw of an opaque image keeps its pixels; an animated image is returned as is.
  auto opaque = gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(8, 6, true), 2);
  auto decoded = decodedImageWithImage(opaque);
  ASSERT_TRUE(decoded && decoded->CGImage());
  EXPECT_EQ(decoded->CGImage()->alphaInfo(), gfx::ImageAlphaNoneSkipFirst);
  EXPECT_EQ(decoded->scale(), 2);
  EXPECT_EQ(decoded->pixelSize().width, 8);
  auto animated = gfx::Image::animatedImageWithImages({opaque, opaque}, 0.2);
  EXPECT_EQ(decodedImageWithImage(animated), animated);
  EXPECT_FALSE(decodedImageWithImage(nullptr));
}

Ref<fd::Data> gifWithDelays(const std::vector<double>& delays) {
  auto data = fd::MutableData::create();
  auto destination = gfx::ImageDestination::createWithData(data, "com.compuserve.gif", delays.size());
  for (size_t i = 0; i < delays.size(); ++i) {
    auto frame = gfx::BitmapImage::createNative(4, 4, true);
    auto gif = fd::MutableDictionary::create();
    gif->setObjectForKey(fd::box(delays[i]), fd::String(gfx::kCGImagePropertyGIFDelayTime));
    auto properties = fd::MutableDictionary::create();
    properties->setObjectForKey(gif, fd::String(gfx::kCGImagePropertyGIFDictionary));
    destination->addImage(frame, properties);
  }
  EXPECT_TRUE(destination->finalize());
  return data;
}

TEST(WIImageDecodingTest, GIFFramesLastTheirDelaysWithTooShortOnesShownForATenth) {
  auto image = wi_imageWithData(gifWithDelays({0.0, 0.05, 0.01, 0.02}));
  ASSERT_TRUE(image);
  ASSERT_EQ(image->images().size(), 4u);
  EXPECT_NEAR(image->duration(), 0.1 + 0.05 + 0.1 + 0.02, 1e-6);
  EXPECT_EQ(image->images()[0]->scale(), gfx::mainScreenScale());
  // One frame: a still image.
  auto still = wi_imageWithData(gifWithDelays({0.5}));
  ASSERT_TRUE(still);
  EXPECT_TRUE(still->images().empty());
  // Bytes that only claim to be a GIF decode to nothing.
  EXPECT_FALSE(wi_imageWithData(fd::Data::create(std::string_view("GIF89a garbage"))));
  EXPECT_FALSE(wi_imageWithData(nullptr));
}

TEST(WIImageDecodingTest, ScalingAnAnimatedImageFillsTheSizeCentred) {
  auto frame = gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(100, 50, true), 1);
  auto animated = gfx::Image::animatedImageWithImages({frame, frame, frame}, 0.3);
  EXPECT_EQ(wi_animatedImageByScalingAndCroppingToSize(animated, {100, 50}), animated);
  EXPECT_EQ(wi_animatedImageByScalingAndCroppingToSize(animated, {0, 0}), animated);
  auto scaled = wi_animatedImageByScalingAndCroppingToSize(animated, {50, 50});
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->images().size(), 3u);
  EXPECT_DOUBLE_EQ(scaled->duration(), 0.3);
  EXPECT_EQ(scaled->size().width, 50);
  EXPECT_EQ(scaled->size().height, 50);
}

// A frame that is transparent where the one before was painted shows nothing there once
// scaled: no frame is drawn over an earlier one.
TEST(WIImageDecodingTest, ScaledFramesWithTransparencyDoNotPileUp) {
  auto red = gfx::Image::imageWithCGImage(image_samples::solidBitmap(100, 50, 0xffff0000u), 1);
  auto clear = gfx::Image::imageWithCGImage(image_samples::solidBitmap(100, 50, 0x00000000u), 1);
  auto halfBlue = gfx::Image::imageWithCGImage(image_samples::solidBitmap(100, 50, 0x800000ffu), 1);
  auto animated = gfx::Image::animatedImageWithImages({red, clear, halfBlue}, 0.3);
  auto scaled = wi_animatedImageByScalingAndCroppingToSize(animated, {50, 50});
  ASSERT_TRUE(scaled);
  ASSERT_EQ(scaled->images().size(), 3u);
  auto centre = [&](size_t i) {
    const auto& bitmap = scaled->images()[i]->CGImage();
    return bitmap->pixel(bitmap->width() / 2, bitmap->height() / 2);
  };
  EXPECT_EQ(centre(0), 0xffff0000u);
  EXPECT_EQ(centre(1) >> 24, 0u);
  // Half-transparent blue alone, not over red: no red at all.
  EXPECT_EQ((centre(2) >> 16) & 0xff, 0u);
  EXPECT_NEAR(double(centre(2) >> 24), 128, 2);
}

TEST(WIImageDecodingTest, ExifOrientationsOutsideOneToEightAreUp) {
  EXPECT_EQ(wi_exifOrientationToiOSOrientation(6), gfx::ImageOrientation::Right);
  EXPECT_EQ(wi_exifOrientationToiOSOrientation(8), gfx::ImageOrientation::Left);
  EXPECT_EQ(wi_exifOrientationToiOSOrientation(9), gfx::ImageOrientation::Up);
  EXPECT_EQ(wi_exifOrientationToiOSOrientation(0), gfx::ImageOrientation::Up);
}

}  // namespace
}  // namespace imagetest
