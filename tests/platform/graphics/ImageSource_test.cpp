#include "platform/graphics/ImageSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "tests/platform/graphics/CodecSamples.h"

using namespace codec_samples;
using gfx::ImageSource;

namespace {

int64_t intProp(const Ref<fd::Dictionary>& d, const char* key) {
  auto n = d ? d->objectForKeyAs<fd::Number>(key) : nullptr;
  return n ? n->integerValue() : -1;
}

Ref<fd::Dictionary> group(const Ref<fd::Dictionary>& d, const char* key) {
  return d ? d->objectForKeyAs<fd::Dictionary>(key) : nullptr;
}

struct RoundTrip {
  const char* type;
  bool alpha;
  int tolerance;      // largest per-channel difference
  double meanTolerance;  // average one
};

// Readable, stable test names: the format and whether it carries alpha.
void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.type << (c.alpha ? " with alpha" : " opaque"); }

class ImageSourceRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ImageSourceRoundTrip, DecodesWhatTheEncoderWrote) {
  const RoundTrip& c = GetParam();
  const uint32_t w = 37, h = 23;
  auto expected = patternPixels(w, h, c.alpha);
  auto data = encode(c.type, {bitmapFromPixels(expected, w, h)});
  ASSERT_TRUE(data) << c.type;
  auto source = ImageSource::createWithData(data);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->type(), rt::String(c.type));
  EXPECT_EQ(source->status(), gfx::kCGImageStatusComplete);
  ASSERT_EQ(source->count(), 1u);
  auto props = source->copyPropertiesAtIndex(0);
  EXPECT_EQ(intProp(props, gfx::kCGImagePropertyPixelWidth), w);
  EXPECT_EQ(intProp(props, gfx::kCGImagePropertyPixelHeight), h);
  auto image = source->createImageAtIndex(0);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width(), w);
  ASSERT_EQ(image->height(), h);
  EXPECT_LE(maxDifference(*image, expected, w), c.tolerance) << c.type;
  EXPECT_LE(meanDifference(*image, expected, w), c.meanTolerance) << c.type;
  EXPECT_EQ(image->alphaInfo() == gfx::ImageAlphaNoneSkipFirst, !c.alpha) << c.type;
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageSourceRoundTrip,
                         ::testing::Values(RoundTrip{gfx::kUTTypePNG, true, 1, 0.5}, RoundTrip{gfx::kUTTypePNG, false, 0, 0},
                                           // Chroma subsampling smears the hard-edged bands.
                                           RoundTrip{gfx::kUTTypeJPEG, false, 80, 12},
                                           RoundTrip{gfx::kUTTypeWebP, true, 1, 0.5}, RoundTrip{gfx::kUTTypeBMP, true, 1, 0.5},
                                           RoundTrip{gfx::kUTTypeBMP, false, 0, 0}, RoundTrip{gfx::kUTTypeICO, true, 1, 0.5},
                                           RoundTrip{gfx::kUTTypeGIF, false, 48, 8}, RoundTrip{gfx::kUTTypeTIFF, true, 0, 0},
                                           RoundTrip{gfx::kUTTypeJPEG2000, true, 1, 0.5},
                                           RoundTrip{gfx::kUTTypeJPEG2000, false, 0, 0}));

TEST(ImageSource, DetectsFormatsByTheirFirstBytes) {
  struct Case {
    std::string bytes;
    gfx::ImageFormat format;
  } cases[] = {
      {std::string("\x89PNG\r\n\x1a\n", 8), gfx::ImageFormat::PNG},
      {"\xff\xd8\xff\xe0", gfx::ImageFormat::JPEG},
      {"GIF89a", gfx::ImageFormat::GIF},
      {"GIF87a", gfx::ImageFormat::GIF},
      {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), gfx::ImageFormat::WebP},
      {"BM\0\0", gfx::ImageFormat::BMP},
      {"BA\0\0", gfx::ImageFormat::BMP},
      {"CI", gfx::ImageFormat::BMP},
      {"PI", gfx::ImageFormat::BMP},
      {std::string("\0\0\1\0\1\0", 6), gfx::ImageFormat::ICO},
      {std::string("\0\0\2\0\1\0", 6), gfx::ImageFormat::ICO},
      {std::string("II*\0", 4), gfx::ImageFormat::TIFF},
      {std::string("MM\0*", 4), gfx::ImageFormat::TIFF},
      {std::string("\0\0\0\x0cjP  \r\n\x87\n", 12), gfx::ImageFormat::JPEG2000},
      {"icns\0\0", gfx::ImageFormat::ICNS},
      {"<html>", gfx::ImageFormat::Unknown},
      {"R", gfx::ImageFormat::Unknown},
  };
  for (const auto& c : cases)
    EXPECT_EQ(gfx::detectImageFormat(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.format)
        << c.bytes;
  EXPECT_EQ(gfx::formatForTypeIdentifier("com.microsoft.ico"), gfx::ImageFormat::ICO);
  EXPECT_EQ(gfx::typeIdentifierForFormat(gfx::ImageFormat::JPEG2000), rt::String("public.jpeg-2000"));
  EXPECT_EQ(gfx::formatForMIMEType("image/x-icon"), gfx::ImageFormat::ICO);
  EXPECT_EQ(gfx::formatForMIMEType("IMAGE/ICO"), gfx::ImageFormat::ICO);
  EXPECT_EQ(gfx::formatForMIMEType("image/tiff"), gfx::ImageFormat::TIFF);
  EXPECT_EQ(gfx::formatForMIMEType("text/plain"), gfx::ImageFormat::Unknown);
}

TEST(ImageSource, RefusesEmptyDataAndReportsUnknownBytes) {
  EXPECT_FALSE(ImageSource::createWithData(nullptr));
  EXPECT_FALSE(ImageSource::createWithData(fd::Data::create()));
  auto source = ImageSource::createWithData(fd::Data::create(std::string_view("definitely not an image")));
  ASSERT_TRUE(source);
  EXPECT_EQ(source->status(), gfx::kCGImageStatusUnknownType);
  EXPECT_EQ(source->count(), 0u);
  EXPECT_FALSE(source->createImageAtIndex(0));
  EXPECT_FALSE(source->copyPropertiesAtIndex(0));
}

TEST(ImageSource, GifFramesAreComposedWithDisposalAndKeepTheirDelays) {
  // Frame 0 is red; frame 1 is half blue, half transparent. Each frame is disposed to the
  // background, so frame 1's transparent half shows the cleared canvas, not frame 0's red.
  const uint32_t w = 8, h = 4;
  std::vector<uint32_t> half(w * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) half[y * w + x] = x < w / 2 ? 0xff0000ffu : 0;
  auto data = encode(gfx::kUTTypeGIF, {solidBitmap(w, h, 0xffff0000u), bitmapFromPixels(half, w, h)},
                     gifFrameProps(0.25),
                     props({{gfx::kCGImagePropertyGIFDictionary, props({{gfx::kCGImagePropertyGIFLoopCount, fd::box(3)}})}}));
  ASSERT_TRUE(data);
  auto source = ImageSource::createWithData(data);
  ASSERT_EQ(source->count(), 2u);
  EXPECT_EQ(intProp(group(source->copyProperties(), gfx::kCGImagePropertyGIFDictionary), gfx::kCGImagePropertyGIFLoopCount), 3);
  auto gif1 = group(source->copyPropertiesAtIndex(1), gfx::kCGImagePropertyGIFDictionary);
  ASSERT_TRUE(gif1);
  EXPECT_DOUBLE_EQ(gif1->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFDelayTime)->doubleValue(), 0.25);
  auto f0 = source->createImageAtIndex(0), f1 = source->createImageAtIndex(1);
  ASSERT_TRUE(f0 && f1);
  EXPECT_EQ(f0->pixel(6, 2), 0xffff0000u);
  EXPECT_EQ(f1->pixel(1, 1), 0xff0000ffu);
  EXPECT_EQ(f1->pixel(6, 2), 0u);
  // Going back re-decodes from the start.
  EXPECT_EQ(source->createImageAtIndex(0, props({{gfx::kCGImageSourceShouldCache, fd::box(false)}}))->pixel(6, 2), 0xffff0000u);
}

TEST(ImageSource, GifDelaysBelowElevenMillisecondsPlayAtOneTenth) {
  auto data = encode(gfx::kUTTypeGIF, {solidBitmap(2, 2, 0xff00ff00u), solidBitmap(2, 2, 0xff0000ffu)}, gifFrameProps(0.0));
  auto source = ImageSource::createWithData(data);
  auto gif = group(source->copyPropertiesAtIndex(0), gfx::kCGImagePropertyGIFDictionary);
  ASSERT_TRUE(gif);
  EXPECT_DOUBLE_EQ(gif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFDelayTime)->doubleValue(), 0.1);
  EXPECT_DOUBLE_EQ(gif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFUnclampedDelayTime)->doubleValue(), 0.0);
}

TEST(ImageSource, AnimatedWebPComposesFramesAndReportsLoopCount) {
  auto data = encode(gfx::kUTTypeWebP, {solidBitmap(6, 6, 0xffff0000u), solidBitmap(6, 6, 0x800000ffu)}, gifFrameProps(0.05),
                     props({{gfx::kCGImagePropertyGIFDictionary, props({{gfx::kCGImagePropertyGIFLoopCount, fd::box(2)}})}}));
  ASSERT_TRUE(data);
  auto source = ImageSource::createWithData(data);
  ASSERT_EQ(source->count(), 2u);
  EXPECT_EQ(intProp(group(source->copyProperties(), gfx::kCGImagePropertyWebPDictionary), gfx::kCGImagePropertyWebPLoopCount), 2);
  auto webp = group(source->copyPropertiesAtIndex(1), gfx::kCGImagePropertyWebPDictionary);
  ASSERT_TRUE(webp);
  EXPECT_NEAR(webp->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyWebPDelayTime)->doubleValue(), 0.05, 1e-9);
  auto f1 = source->createImageAtIndex(1);
  ASSERT_TRUE(f1);
  // Frames replace the canvas (no blending): half-transparent blue, premultiplied.
  EXPECT_LE(channelDistance(f1->pixel(3, 3), 0x80000080u), 2);
  EXPECT_LE(channelDistance(source->createImageAtIndex(0)->pixel(3, 3), 0xffff0000u), 2);
}

TEST(ImageSource, PngReportsInterlacingAndJpegReportsProgressive) {
  TempDir dir;
  auto png = encode(gfx::kUTTypePNG, {patternBitmap(16, 16, true)});
  auto source = ImageSource::createWithData(png);
  EXPECT_EQ(intProp(group(source->copyPropertiesAtIndex(0), gfx::kCGImagePropertyPNGDictionary), gfx::kCGImagePropertyPNGInterlaceType), 0);
  auto jpeg = encode(gfx::kUTTypeJPEG, {patternBitmap(16, 16, false)});
  auto jsource = ImageSource::createWithData(jpeg);
  auto jfif = group(jsource->copyPropertiesAtIndex(0), gfx::kCGImagePropertyJFIFDictionary);
  ASSERT_TRUE(jfif);
  EXPECT_FALSE(jfif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyJFIFIsProgressive)->boolValue());
  if (!haveTool("jpegtran")) GTEST_SKIP() << "jpegtran not installed";
  writeFile(dir.file("base.jpg"), *jpeg);
  ASSERT_TRUE(run("jpegtran -progressive -outfile " + dir.file("prog.jpg") + " " + dir.file("base.jpg")));
  auto prog = ImageSource::createWithFile(dir.file("prog.jpg"));
  ASSERT_TRUE(prog);
  jfif = group(prog->copyPropertiesAtIndex(0), gfx::kCGImagePropertyJFIFDictionary);
  EXPECT_TRUE(jfif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyJFIFIsProgressive)->boolValue());
  // Same coefficients, same pixels.
  auto a = jsource->createImageAtIndex(0), b = prog->createImageAtIndex(0);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->pixel(5, 9), b->pixel(5, 9));
}

TEST(ImageSource, ReadsExifOrientationFromJpeg) {
  auto jpeg = encode(gfx::kUTTypeJPEG, {patternBitmap(8, 4, false)});
  ASSERT_TRUE(jpeg);
  for (int orientation : {1, 3, 6, 8}) {
    // An APP1 "Exif" segment right after SOI with one IFD entry: Orientation (0x0112).
    const uint8_t tiff[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, uint8_t(orientation), 0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> bytes = {0xff, 0xd8, 0xff, 0xe1, 0, uint8_t(2 + 6 + sizeof tiff), 'E', 'x', 'i', 'f', 0, 0};
    bytes.insert(bytes.end(), tiff, tiff + sizeof tiff);
    bytes.insert(bytes.end(), jpeg->bytes() + 2, jpeg->bytes() + jpeg->length());
    auto source = ImageSource::createWithData(fd::Data::create(std::move(bytes)));
    EXPECT_EQ(intProp(source->copyPropertiesAtIndex(0), gfx::kCGImagePropertyOrientation), orientation);
    auto thumb = source->createThumbnailAtIndex(0, props({{gfx::kCGImageSourceCreateThumbnailWithTransform, fd::box(true)}}));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), orientation >= 5 ? 4u : 8u);
  }
}

TEST(ImageSource, ThumbnailsFitTheMaximumPixelSize) {
  auto source = ImageSource::createWithData(encode(gfx::kUTTypePNG, {solidBitmap(40, 20, 0xff336699u)}));
  auto thumb = source->createThumbnailAtIndex(0, props({{gfx::kCGImageSourceThumbnailMaxPixelSize, fd::box(10)}}));
  ASSERT_TRUE(thumb);
  EXPECT_EQ(thumb->width(), 10u);
  EXPECT_EQ(thumb->height(), 5u);
  EXPECT_EQ(thumb->pixel(4, 2), 0xff336699u);
}

TEST(ImageSource, DecodesFilesMadeByTheLibrariesTools) {
  TempDir dir;
  auto png = encode(gfx::kUTTypePNG, {patternBitmap(20, 12, true)});
  writeFile(dir.file("in.png"), *png);
  auto expected = patternPixels(20, 12, true);
  struct Tool {
    const char* program;
    std::string command;
    const char* output;
    int tolerance;
  } tools[] = {
      {"cwebp", "cwebp -quiet -lossless " + dir.file("in.png") + " -o " + dir.file("lossless.webp"), "lossless.webp", 1},
      {"cwebp", "cwebp -quiet -q 90 -alpha_q 100 " + dir.file("in.png") + " -o " + dir.file("lossy.webp"), "lossy.webp", 60},
      {"img2webp", "img2webp -loop 4 -d 70 " + dir.file("in.png") + " " + dir.file("in.png") + " -o " + dir.file("anim.webp"), "anim.webp", 1},
  };
  int ran = 0;
  for (const auto& t : tools) {
    if (!haveTool(t.program)) continue;
    ASSERT_TRUE(run(t.command)) << t.command;
    auto source = ImageSource::createWithFile(dir.file(t.output));
    ASSERT_TRUE(source) << t.output;
    auto image = source->createImageAtIndex(0);
    ASSERT_TRUE(image) << t.output;
    EXPECT_LE(maxDifference(*image, expected, 20), t.tolerance) << t.output;
    ++ran;
  }
  if (haveTool("cjpeg") && haveTool("djpeg")) {
    // cjpeg reads PPM: write one from the opaque pattern.
    auto opaque = patternPixels(20, 12, false);
    std::string ppm = "P6\n20 12\n255\n";
    for (uint32_t v : opaque) ppm += {char((v >> 16) & 0xff), char((v >> 8) & 0xff), char(v & 0xff)};
    writeFile(dir.file("in.ppm"), *fd::Data::create(ppm));
    ASSERT_TRUE(run("cjpeg -quality 95 -progressive -outfile " + dir.file("tool.jpg") + " " + dir.file("in.ppm")));
    ASSERT_TRUE(run("djpeg -pnm -outfile " + dir.file("tool.ppm") + " " + dir.file("tool.jpg")));
    auto source = ImageSource::createWithFile(dir.file("tool.jpg"));
    ASSERT_TRUE(source);
    auto image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    // The library's own decoder gives the same pixels.
    auto ppmOut = readFile(dir.file("tool.ppm"));
    ASSERT_TRUE(ppmOut && ppmOut->length() >= 20 * 12 * 3);
    const uint8_t* rgb = ppmOut->bytes() + ppmOut->length() - 20 * 12 * 3;
    std::vector<uint32_t> reference(20 * 12);
    for (size_t i = 0; i < reference.size(); ++i)
      reference[i] = 0xff000000u | uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
    EXPECT_EQ(maxDifference(*image, reference, 20), 0);
    EXPECT_LE(meanDifference(*image, opaque, 20), 12);
    ++ran;
  }
  if (ran == 0) GTEST_SKIP() << "no image tools installed";
}

TEST(ImageSource, MultiImageTiffAndIconFamiliesKeepEveryImage) {
  auto tiff = encode(gfx::kUTTypeTIFF, {solidBitmap(3, 2, 0xff112233u), solidBitmap(5, 4, 0x80402010u)});
  ASSERT_TRUE(tiff);
  auto source = ImageSource::createWithData(tiff);
  ASSERT_EQ(source->count(), 2u);
  EXPECT_EQ(source->createImageAtIndex(1)->pixel(4, 3), premultiply(0x80402010u));
  EXPECT_EQ(intProp(source->copyPropertiesAtIndex(1), gfx::kCGImagePropertyPixelWidth), 5);

  auto small = patternPixels(32, 32, true), large = patternPixels(256, 256, true);
  auto icns = encode(gfx::kUTTypeAppleICNS, {bitmapFromPixels(small, 32, 32), bitmapFromPixels(large, 256, 256)});
  ASSERT_TRUE(icns);
  auto family = ImageSource::createWithData(icns);
  ASSERT_EQ(family->count(), 2u);
  bool sawSmall = false, sawLarge = false;
  for (size_t i = 0; i < 2; ++i) {
    auto image = family->createImageAtIndex(i);
    ASSERT_TRUE(image);
    if (image->width() == 32) {
      sawSmall = true;
      EXPECT_LE(maxDifference(*image, small, 32), 2);
    } else if (image->width() == 256) {
      sawLarge = true;
      EXPECT_LE(maxDifference(*image, large, 256), 1);
    }
  }
  EXPECT_TRUE(sawSmall && sawLarge);
  EXPECT_FALSE(encode(gfx::kUTTypeAppleICNS, {solidBitmap(20, 10, 0xff000000u)}));
}

TEST(ImageSource, CachesDecodedFramesUnlessAskedNotTo) {
  auto source = ImageSource::createWithData(encode(gfx::kUTTypePNG, {solidBitmap(4, 4, 0xff00ff00u)}));
  auto first = source->createImageAtIndex(0);
  EXPECT_EQ(source->createImageAtIndex(0), first);
  auto noCache = props({{gfx::kCGImageSourceShouldCache, fd::box(false)}});
  auto uncached = ImageSource::createWithData(encode(gfx::kUTTypePNG, {solidBitmap(4, 4, 0xff00ff00u)}), noCache);
  auto a = uncached->createImageAtIndex(0);
  EXPECT_NE(uncached->createImageAtIndex(0), a);
  EXPECT_EQ(uncached->createImageAtIndex(0)->pixel(1, 1), a->pixel(1, 1));
}

TEST(ImageSource, DecodesFromManyThreadsAtOnce) {
  std::vector<Ref<fd::Data>> files;
  for (const char* type : {gfx::kUTTypePNG, gfx::kUTTypeJPEG, gfx::kUTTypeGIF, gfx::kUTTypeWebP, gfx::kUTTypeTIFF})
    files.push_back(encode(type, {patternBitmap(40, 30, false)}));
  auto shared = ImageSource::createWithData(files[0]);
  std::atomic<int> decoded{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 10; ++round) {
        auto own = ImageSource::createWithData(files[size_t(t + round) % files.size()]);
        if (own->createImageAtIndex(0) && shared->createImageAtIndex(0, props({{gfx::kCGImageSourceShouldCache, fd::box(false)}})))
          ++decoded;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(decoded.load(), 60);
}

TEST(ImageSource, ReadsFromFileURLsAndRefusesMissingFiles) {
  TempDir dir;
  writeFile(dir.file("a.bmp"), *encode(gfx::kUTTypeBMP, {solidBitmap(3, 3, 0xff102030u)}));
  auto source = ImageSource::createWithURL(fd::URL::fileURLWithPath(dir.file("a.bmp").c_str()));
  ASSERT_TRUE(source);
  EXPECT_EQ(source->createImageAtIndex(0)->pixel(2, 2), 0xff102030u);
  EXPECT_FALSE(ImageSource::createWithURL(fd::URL::fileURLWithPath(dir.file("missing.png").c_str())));
}

}  // namespace
