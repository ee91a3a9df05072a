#include "image/codec/DRImageEncoder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/codec/DRImageCoderHelpers.h"
#include "platform/runtime/Exception.h"
#include "tests/image/ImageSamples.h"

using namespace image_samples;
using image::DRImageDecoder;
using image::DRImageEncoder;
using image::DRImageFileType;

namespace {

Ref<gfx::Image> imageOf(const Ref<gfx::BitmapImage>& b) { return gfx::Image::imageWithCGImage(b); }

TEST(ImageEncoder, NeedsATypeAndStartsWithItsDefaults) {
  try {
    DRImageEncoder::create();
    FAIL() << "no exception";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), "DRImageEncoder init error");
    EXPECT_EQ(e.reason(), "DRImageEncoder must be initialized with a type. Use 'initWithType:' instead.");
  }
  EXPECT_FALSE(DRImageEncoder::create(image::DRImageFileTypeUnknown));
  EXPECT_FALSE(DRImageEncoder::create(image::DRImageFileTypeOther));
  EXPECT_FALSE(DRImageEncoder::create(DRImageFileType(42)));
  struct Case {
    DRImageFileType type;
    double quality;
    bool lossless;
  };
  for (const Case& c : {Case{image::DRImageFileTypeJPEG, 0.9, false}, Case{image::DRImageFileTypeJPEG2000, 0.9, false},
                        Case{image::DRImageFileTypeGIF, 1.0, true}, Case{image::DRImageFileTypePNG, 1.0, true},
                        Case{image::DRImageFileTypeWebP, 0.8, false}}) {
    auto e = DRImageEncoder::create(c.type);
    ASSERT_TRUE(e);
    EXPECT_DOUBLE_EQ(e->quality(), c.quality) << c.type;
    EXPECT_EQ(e->lossless, c.lossless) << c.type;
    EXPECT_EQ(e->loopCount, 0u);
  }
  auto e = DRImageEncoder::create(image::DRImageFileTypeWebP);
  e->setQuality(1.7);
  EXPECT_EQ(e->quality(), 1.0);
  e->setQuality(-3);
  EXPECT_EQ(e->quality(), 0.0);
  EXPECT_FALSE(e->encode());  // no images
  e->addImage(gfx::Image::imageWithCGImage(nullptr), 1);
  e->addImage(rt::make<gfx::Image>(), 1);
  e->addImageWithData(fd::Data::create(), 1);
  e->addImageWithFile("", 1);
  EXPECT_FALSE(e->encode());  // nothing was taken
}

// Still round trips: every writable type comes back with its size and colours.
TEST(ImageEncoder, StillImagesRoundTripThroughTheDecoder) {
  auto source = imageOf(solidBitmap(12, 10, 0xff3080c0u));
  for (auto type : {image::DRImageFileTypeJPEG, image::DRImageFileTypeBMP, image::DRImageFileTypeICO,
                    image::DRImageFileTypeGIF, image::DRImageFileTypePNG, image::DRImageFileTypeWebP,
                    image::DRImageFileTypeTIFF}) {
    auto data = DRImageEncoder::encodeImage(source, type, 1);
    ASSERT_TRUE(data) << type;
    EXPECT_EQ(image::DRImageTypeFromData(data.get()), type);
    auto decoder = DRImageDecoder::decoderWithData(data, 1);
    ASSERT_TRUE(decoder) << type;
    EXPECT_EQ(decoder->frameCount(), 1u);
    auto frame = decoder->frameAtIndex(0, true);
    ASSERT_TRUE(frame && frame->image) << type;
    auto bitmap = frame->image->CGImage();
    EXPECT_EQ(bitmap->width(), 12u);
    EXPECT_EQ(bitmap->height(), 10u);
    EXPECT_LE(channelDistance(bitmap->pixel(5, 5), 0xff3080c0u), 6) << type;
  }
}

struct AnimatedCase {
  DRImageFileType type;
  double tolerance;  // of durations, by the format's own unit
};

TEST(ImageEncoder, AnimationsRoundTripWithFramesDelaysAndLoopCount) {
  const std::vector<uint32_t> colours = {0xffff0000u, 0x8000ff00u, 0xff0000ffu};
  const std::vector<double> delays = {0.1, 0.5, 0.25};
  for (const AnimatedCase& c : {AnimatedCase{image::DRImageFileTypeGIF, 0.005}, AnimatedCase{image::DRImageFileTypePNG, 1e-9},
                                AnimatedCase{image::DRImageFileTypeWebP, 0.0015}}) {
    auto encoder = DRImageEncoder::create(c.type);
    encoder->loopCount = 3;
    encoder->lossless = true;
    encoder->setQuality(1);
    for (size_t i = 0; i < colours.size(); ++i) encoder->addImage(imageOf(solidBitmap(10, 8, colours[i])), delays[i]);
    auto data = encoder->encode();
    ASSERT_TRUE(data) << c.type;
    auto decoder = DRImageDecoder::decoderWithData(data, 1);
    ASSERT_TRUE(decoder) << c.type;
    ASSERT_EQ(decoder->frameCount(), 3u) << c.type;
    EXPECT_EQ(decoder->loopCount(), 3u) << c.type;
    for (uint64_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(decoder->frameDurationAtIndex(i), delays[i], c.tolerance) << c.type << " frame " << i;
      auto frame = decoder->frameAtIndex(i, true);
      ASSERT_TRUE(frame && frame->image) << c.type;
      const uint32_t expected = i == 1 && c.type == image::DRImageFileTypeGIF ? 0 : premultiply(colours[i]);
      if (i == 1 && c.type == image::DRImageFileTypeGIF) continue;  // GIF has no partial alpha
      EXPECT_LE(channelDistance(frame->image->CGImage()->pixel(4, 4), expected), 3) << c.type << " frame " << i;
    }
  }
}

TEST(ImageEncoder, APNGOfFramesOfMixedSizeAndOpacityHasOneLayoutAndACanvasOfTheLargest) {
  auto encoder = DRImageEncoder::create(image::DRImageFileTypePNG);
  encoder->addImage(imageOf(solidBitmap(10, 10, 0xffff0000u)), 0.1);   // opaque
  encoder->addImage(imageOf(solidBitmap(20, 20, 0x4000ff00u)), 0.5);   // translucent
  auto data = encoder->encode();
  ASSERT_TRUE(data);
  auto chunks = chunksOf(std::vector<uint8_t>(data->bytes(), data->bytes() + data->length()));
  ASSERT_GE(chunks.size(), 6u);
  EXPECT_EQ(be32(chunks[0].data.data()), 20u);  // IHDR
  std::vector<uint32_t> sequence;
  std::vector<image::DRPNGFrameControl> controls;
  for (const auto& c : chunks) {
    if (c.type == image::DRPNGChunkfcTL) controls.push_back(image::DRPNGFrameControlRead(c.data.data()));
    if (c.type == image::DRPNGChunkfcTL || c.type == image::DRPNGChunkfdAT) sequence.push_back(be32(c.data.data()));
    if (c.type == image::DRPNGChunkacTL) {
      EXPECT_EQ(be32(c.data.data()), 2u);
    }
  }
  for (size_t i = 0; i < sequence.size(); ++i) EXPECT_EQ(sequence[i], i);
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_EQ(controls[0].width, 20u);
  EXPECT_EQ(controls[1].width, 20u);
  EXPECT_EQ(controls[0].delay_num, 1u);
  EXPECT_EQ(controls[0].delay_den, 10u);
  EXPECT_EQ(controls[1].delay_den, 2u);
  auto decoder = DRImageDecoder::decoderWithData(data, 1);
  ASSERT_TRUE(decoder);
  ASSERT_EQ(decoder->frameCount(), 2u);
  auto first = decoder->frameAtIndex(0, true)->image->CGImage();
  EXPECT_EQ(first->pixel(2, 2), 0xffff0000u);   // drawn at the top-left
  EXPECT_EQ(first->pixel(15, 15), 0u);          // the rest of the canvas is clear
  // The translucent frame keeps its alpha although the first frame was opaque.
  auto second = decoder->frameAtIndex(1, true)->image->CGImage();
  EXPECT_LE(channelDistance(second->pixel(15, 15), premultiply(0x4000ff00u)), 2);
}

TEST(ImageEncoder, WebPAnimationsStoreMillisecondsFromSinglePrecision) {
  auto encoder = DRImageEncoder::create(image::DRImageFileTypeWebP);
  encoder->addImage(imageOf(solidBitmap(4, 4, 0xffff0000u)), 0.04);
  encoder->addImage(imageOf(solidBitmap(4, 4, 0xff00ff00u)), 0.1);
  auto decoder = DRImageDecoder::decoderWithData(encoder->encode(), 1);
  ASSERT_TRUE(decoder);
  EXPECT_DOUBLE_EQ(decoder->frameDurationAtIndex(0), 0.039);
  EXPECT_DOUBLE_EQ(decoder->frameDurationAtIndex(1), 0.1);
}

TEST(ImageEncoder, StillFormatsWriteOnlyTheFirstImage) {
  auto encoder = DRImageEncoder::create(image::DRImageFileTypeJPEG);
  for (uint32_t c : {0xffff0000u, 0xff00ff00u, 0xff0000ffu}) encoder->addImage(imageOf(solidBitmap(8, 8, c)), 0.1);
  auto decoder = DRImageDecoder::decoderWithData(encoder->encode(), 1);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->frameCount(), 1u);
  EXPECT_LE(channelDistance(decoder->frameAtIndex(0, true)->image->CGImage()->pixel(3, 3), 0xffff0000u), 8);
}

TEST(ImageEncoder, FilesAreReadByTheirPathEvenWithSpacesAndPercentSigns) {
  auto folder = std::filesystem::temp_directory_path() / ("dr encoder %20 " + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string a = (folder / "first frame.png").string(), b = (folder / "second%frame.png").string();
  writeFile(a, *dataOf(pngOf(solidBitmap(6, 6, 0xffff0000u))));
  writeFile(b, *dataOf(pngOf(solidBitmap(6, 6, 0xff0000ffu))));
  for (auto type : {image::DRImageFileTypeGIF, image::DRImageFileTypePNG, image::DRImageFileTypeWebP}) {
    auto encoder = DRImageEncoder::create(type);
    encoder->lossless = true;
    encoder->addImageWithFile(a.c_str(), 0.2);
    encoder->addImageWithFile(b.c_str(), 0.2);
    const std::string out = (folder / ("out " + std::to_string(type))).string();
    ASSERT_TRUE(encoder->encodeToFile(out.c_str())) << type;
    auto decoder = DRImageDecoder::decoderWithData(readFile(out), 1);
    ASSERT_TRUE(decoder) << type;
    EXPECT_EQ(decoder->frameCount(), 2u) << type;
    EXPECT_LE(channelDistance(decoder->frameAtIndex(1, true)->image->CGImage()->pixel(2, 2), 0xff0000ffu), 3) << type;
  }
  std::filesystem::remove_all(folder);
}

TEST(ImageEncoder, ReencodesADecodersFramesWithItsDurations) {
  auto source = DRImageEncoder::create(image::DRImageFileTypeGIF);
  for (uint32_t c : {0xffff0000u, 0xff00ff00u, 0xff0000ffu}) source->addImage(imageOf(solidBitmap(5, 5, c)), 0.3);
  auto decoder = DRImageDecoder::decoderWithData(source->encode(), 1);
  ASSERT_TRUE(decoder);
  auto again = DRImageDecoder::decoderWithData(DRImageEncoder::encodeImageWithDecoder(decoder, image::DRImageFileTypeGIF, 1), 1);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->frameCount(), 3u);
  EXPECT_NEAR(again->frameDurationAtIndex(2), 0.3, 0.005);
  EXPECT_FALSE(DRImageEncoder::encodeImageWithDecoder(nullptr, image::DRImageFileTypeGIF, 1));
}

}  // namespace
