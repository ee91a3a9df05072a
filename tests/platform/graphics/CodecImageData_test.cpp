// Images made from encoded bytes, files and bundle resources.
#include <gtest/gtest.h>

#include "platform/foundation/files/Bundle.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "tests/platform/graphics/CodecSamples.h"

using namespace codec_samples;
using gfx::Image;

namespace {

TEST(CodecImageData, StillAndAnimatedImagesFromData) {
  auto still = Image::imageWithData(encode(gfx::kUTTypePNG, {solidBitmap(6, 4, 0xff00ff00u)}), 2);
  ASSERT_TRUE(still);
  EXPECT_EQ(still->scale(), 2);
  EXPECT_EQ(still->size().width, 3);
  EXPECT_TRUE(still->images().empty());

  auto gif = encode(gfx::kUTTypeGIF, {solidBitmap(4, 4, 0xffff0000u), solidBitmap(4, 4, 0xff0000ffu)}, gifFrameProps(0.2));
  auto animated = Image::imageWithData(gif);
  ASSERT_TRUE(animated);
  ASSERT_EQ(animated->images().size(), 2u);
  EXPECT_NEAR(animated->duration(), 0.4, 1e-9);
  EXPECT_EQ(animated->images()[1]->CGImage()->pixel(0, 0), 0xff0000ffu);

  EXPECT_FALSE(Image::imageWithData(fd::Data::create(std::string_view("no image here"))));
  EXPECT_FALSE(Image::imageWithData(nullptr));
}

TEST(CodecImageData, ExifOrientationBecomesTheImageOrientation) {
  auto jpeg = encode(gfx::kUTTypeJPEG, {patternBitmap(8, 4, false)});
  const uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> bytes = {0xff, 0xd8, 0xff, 0xe1, 0, uint8_t(2 + 6 + sizeof tiff), 'E', 'x', 'i', 'f', 0, 0};
  bytes.insert(bytes.end(), tiff, tiff + sizeof tiff);
  bytes.insert(bytes.end(), jpeg->bytes() + 2, jpeg->bytes() + jpeg->length());
  auto image = Image::imageWithData(fd::Data::create(std::move(bytes)));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->imageOrientation(), gfx::ImageOrientation::Right);
  EXPECT_EQ(image->size().width, 4);  // shown rotated
  EXPECT_EQ(image->CGImage()->width(), 8u);
}

TEST(CodecImageData, PngAndJpegRepresentationsDecodeBack) {
  auto image = Image::imageWithCGImage(solidBitmap(5, 3, 0x80ff0000u), 2);
  auto png = gfx::UIImagePNGRepresentation(image);
  ASSERT_TRUE(png);
  EXPECT_EQ(gfx::detectImageFormat(png->bytes(), png->length()), gfx::ImageFormat::PNG);
  EXPECT_EQ(Image::imageWithData(png)->CGImage()->pixel(4, 2), 0x80800000u);
  auto opaque = Image::imageWithCGImage(solidBitmap(16, 16, 0xff3366ccu));
  auto low = gfx::UIImageJPEGRepresentation(opaque, 0.1), high = gfx::UIImageJPEGRepresentation(opaque, 1.0);
  ASSERT_TRUE(low && high);
  EXPECT_LT(low->length(), high->length());
  EXPECT_LE(channelDistance(Image::imageWithData(high)->CGImage()->pixel(8, 8), 0xff3366ccu), 3);
  EXPECT_FALSE(gfx::UIImagePNGRepresentation(rt::make<Image>()));
}

TEST(CodecImageData, NamedImagesComeFromTheBundleWithTheirScale) {
  TempDir dir;
  std::filesystem::create_directories(dir.path / "icons.bundle");
  writeFile(dir.file("plain.png"), *encode(gfx::kUTTypePNG, {solidBitmap(2, 2, 0xffff0000u)}));
  writeFile(dir.file("pauseBtn@2x.png"), *encode(gfx::kUTTypePNG, {solidBitmap(8, 8, 0xff00ff00u)}));
  writeFile(dir.file("Icon@3x.png"), *encode(gfx::kUTTypePNG, {solidBitmap(9, 9, 0xff0000ffu)}));
  writeFile(dir.file("icons.bundle/icon_more.png"), *encode(gfx::kUTTypePNG, {solidBitmap(5, 5, 0xff00ffffu)}));
  auto bundle = fd::Bundle::bundleWithPath(dir.path.string().c_str());
  ASSERT_TRUE(bundle);
  struct Case {
    const char* name;
    double scale, width;
  } cases[] = {
      {"plain.png", 1, 2}, {"plain", 1, 2}, {"pauseBtn@2x.png", 2, 4}, {"pauseBtn", 2, 4},
      {"Icon@3x", 3, 3},   {"icons.bundle/icon_more.png", 1, 5},
  };
  for (const auto& c : cases) {
    auto image = Image::imageNamed(c.name, bundle);
    ASSERT_TRUE(image) << c.name;
    EXPECT_EQ(image->scale(), c.scale) << c.name;
    EXPECT_EQ(image->size().width, c.width) << c.name;
  }
  EXPECT_FALSE(Image::imageNamed("missing.png", bundle));
  EXPECT_FALSE(Image::imageNamed("", bundle));
  auto fromFile = Image::imageWithContentsOfFile(dir.file("pauseBtn@2x.png").c_str());
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(fromFile->scale(), 2);
  EXPECT_FALSE(Image::imageWithContentsOfFile(dir.file("nothing.png").c_str()));
}

}  // namespace
