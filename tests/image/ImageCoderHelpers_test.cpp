#include "image/codec/DRImageCoderHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <string>

#include "image/codec/Image+DRImageCoder.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "tests/image/ImageSamples.h"

using namespace image_samples;

namespace {

std::vector<uint8_t> padded(std::string head, size_t length = 16) {
  std::vector<uint8_t> v(head.begin(), head.end());
  v.resize(std::max(length, v.size()), 0);
  return v;
}

TEST(ImageCoderHelpers, DetectsTypesFromLeadingBytes) {
  using S = std::string;
  struct Case {
    std::vector<uint8_t> bytes;
    image::DRImageFileType type;
  };
  const std::vector<Case> cases = {
      {padded("\xFF\xD8\xFF"), image::DRImageFileTypeJPEG},
      {padded("\xFF\xD8\xFF", 15), image::DRImageFileTypeUnknown},
      {padded("\xFF\x4F"), image::DRImageFileTypeJPEG2000},
      {padded(S("\0\0\0\x0CjP  \x0D", 9)), image::DRImageFileTypeJPEG2000},
      {padded(S("II*\0", 4)), image::DRImageFileTypeTIFF},
      {padded(S("MM\0*", 4)), image::DRImageFileTypeTIFF},
      {padded("BM"), image::DRImageFileTypeBMP},
      {padded("BA"), image::DRImageFileTypeBMP},
      {padded("CI"), image::DRImageFileTypeBMP},
      {padded("CP"), image::DRImageFileTypeBMP},
      {padded("IC"), image::DRImageFileTypeBMP},
      {padded("PI"), image::DRImageFileTypeBMP},
      {padded(S("\0\0\1\0", 4)), image::DRImageFileTypeICO},
      {padded(S("\0\0\2\0", 4)), image::DRImageFileTypeICO},
      {padded("icns"), image::DRImageFileTypeICNS},
      {padded("GIF89a"), image::DRImageFileTypeGIF},
      {padded("\x89PNG\r\n\x1a\n"), image::DRImageFileTypePNG},
      {padded("\x89PNG\r\n\x1a\x0b"), image::DRImageFileTypeUnknown},
      {padded("RIFF\1\2\3\4WEBP"), image::DRImageFileTypeWebP},
      {padded("RIFF\1\2\3\4WAVE"), image::DRImageFileTypeUnknown},
      {padded("hello, world"), image::DRImageFileTypeUnknown},
  };
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(image::DRImageTypeFromData(cases[i].bytes.data(), cases[i].bytes.size()), cases[i].type) << "case " << i;
  EXPECT_EQ(image::DRImageTypeFromData(static_cast<const fd::Data*>(nullptr)), image::DRImageFileTypeUnknown);
  EXPECT_EQ(image::DRUTTypeForImageType(image::DRImageFileTypePNG), gfx::kUTTypePNG);
  EXPECT_EQ(image::DRUTTypeForImageType(image::DRImageFileTypeICNS), gfx::kUTTypeAppleICNS);
  EXPECT_TRUE(image::DRUTTypeForImageType(image::DRImageFileTypeWebP).isEmpty());
  EXPECT_TRUE(image::DRUTTypeForImageType(image::DRImageFileTypeOther).isEmpty());
}

TEST(ImageCoderHelpers, BitmapBuffersComeInTheRequestedLayout) {
  auto bitmap = solidBitmap(3, 2, 0x80ff4020u);  // half-transparent orange
  struct Case {
    uint32_t info;
    uint8_t bytes[4];
  };
  // Premultiplied components of 0x80ff4020 are (0x80, 0x20, 0x10); straight ones (0xff, 0x40, 0x20).
  for (const Case& c : {Case{gfx::ImageAlphaLast, {0xff, 0x40, 0x20, 0x80}},
                        Case{gfx::ImageAlphaPremultipliedFirst, {0x80, 0x80, 0x20, 0x10}},
                        Case{gfx::ImageAlphaPremultipliedFirst | gfx::BitmapByteOrder32Little, {0x10, 0x20, 0x80, 0x80}},
                        Case{gfx::ImageAlphaFirst | gfx::BitmapByteOrder32Big, {0x80, 0xff, 0x40, 0x20}},
                        Case{gfx::ImageAlphaNoneSkipLast, {0x80, 0x20, 0x10, 0xff}}}) {
    image::DRBitmapBuffer buffer;
    ASSERT_TRUE(image::DRConvertImageToBitmapBuffer(bitmap, &buffer, c.info)) << c.info;
    EXPECT_EQ(buffer.width, 3u);
    EXPECT_EQ(buffer.rowBytes % 32, 0u);
    const auto* p = static_cast<const uint8_t*>(buffer.data) + buffer.rowBytes + 4;
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(p[k], c.bytes[k], 1) << c.info << " byte " << k;
    std::free(buffer.data);
  }
  image::DRBitmapBuffer buffer;
  buffer.data = &buffer;  // must come back null
  EXPECT_FALSE(image::DRConvertImageToBitmapBuffer(bitmap, &buffer, gfx::ImageAlphaOnly));
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_FALSE(image::DRConvertImageToBitmapBuffer(bitmap, &buffer, gfx::ImageAlphaLast | gfx::BitmapByteOrder16Little));
  EXPECT_FALSE(image::DRConvertImageToBitmapBuffer(nullptr, &buffer, gfx::ImageAlphaLast));
}

TEST(ImageCoderHelpers, OrientationCopiesAreUpright) {
  // A 3x2 bitmap with one red pixel at the top-left.
  std::vector<uint32_t> px(6, 0xff000000u);
  px[0] = 0xffff0000u;
  auto bitmap = bitmapFromPixels(px, 3, 2);
  using O = gfx::ImageOrientation;
  struct Case {
    O orientation;
    size_t w, h, redX, redY;
  };
  for (const Case& c : {Case{O::Down, 3, 2, 2, 1}, Case{O::UpMirrored, 3, 2, 2, 0}, Case{O::DownMirrored, 3, 2, 0, 1},
                        Case{O::Left, 2, 3, 0, 2}, Case{O::Right, 2, 3, 1, 0}, Case{O::LeftMirrored, 2, 3, 0, 0},
                        Case{O::RightMirrored, 2, 3, 1, 2}}) {
    auto upright = image::DRCopyImageWithOrientation(bitmap, c.orientation, gfx::BitmapInfoNativePremultiplied);
    ASSERT_TRUE(upright) << int(c.orientation);
    EXPECT_EQ(upright->width(), c.w);
    EXPECT_EQ(upright->height(), c.h);
    EXPECT_EQ(upright->pixel(c.redX, c.redY), 0xffff0000u) << int(c.orientation);
  }
  EXPECT_EQ(image::DRCopyImageWithOrientation(bitmap, O::Up, 0x2002), bitmap);
  EXPECT_EQ(image::DRCopyImageWithOrientation(bitmap, O(9), 0x2002), bitmap);
}

TEST(ImageCoderHelpers, WebPEncodingKeepsToItsLimits) {
  EXPECT_FALSE(image::DREncodeImageAsWebP(solidBitmap(16384, 1, 0xff000000u), false, 0.5, 4, 0));
  EXPECT_TRUE(image::DREncodeImageAsWebP(solidBitmap(16383, 1, 0xff000000u), false, 0.5, 9, 7));
  auto lossless = image::DREncodeImageWithImageIO(patternBitmap(32, 32, true), image::DRImageFileTypeWebP, 1.5);
  auto lossy = image::DREncodeImageWithImageIO(patternBitmap(32, 32, true), image::DRImageFileTypeWebP, 0.99);
  ASSERT_TRUE(lossless && lossy);
  auto chunkName = [](const Ref<fd::Data>& d) { return std::string(reinterpret_cast<const char*>(d->bytes()) + 12, 4); };
  EXPECT_EQ(chunkName(lossless), "VP8L");
  EXPECT_NE(chunkName(lossy), "VP8L");
  EXPECT_FALSE(image::DREncodeImageWithImageIO(nullptr, image::DRImageFileTypePNG, 1));
  EXPECT_FALSE(image::DREncodeImageWithImageIO(solidBitmap(2, 2, 0xff000000u), image::DRImageFileTypeOther, 1));
}

TEST(ImageCoderHelpers, DecodedImagesCarryTheirMark) {
  auto plain = gfx::Image::imageWithCGImage(patternBitmap(4, 4, false));
  EXPECT_FALSE(image::isDecodedForDisplay(*plain));
  auto decoded = image::imageByDecoded(plain);
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(image::isDecodedForDisplay(*decoded));
  EXPECT_EQ(image::imageByDecoded(decoded), decoded);
  auto empty = rt::make<gfx::Image>();
  EXPECT_EQ(image::imageByDecoded(empty), empty);
  EXPECT_FALSE(image::isDecodedForDisplay(*empty));
  auto animated = gfx::Image::animatedImageWithImages({plain, plain}, 1);
  EXPECT_TRUE(image::isDecodedForDisplay(*animated));
  // Pixels kept in another layout are redrawn into the display format.
  gfx::PixelFormat f;
  f.width = 2, f.height = 1, f.bytesPerRow = 8, f.bitmapInfo = gfx::ImageAlphaLast, f.colorSpace = gfx::ColorSpace::deviceRGB();
  const uint8_t rgba[8] = {255, 0, 0, 128, 0, 0, 255, 255};
  auto straight = gfx::BitmapImage::createCopying(f, rgba);
  ASSERT_TRUE(straight);
  auto display = image::DRCopyDecodedImage(straight, true);
  ASSERT_TRUE(display);
  EXPECT_EQ(display->bitmapInfo(), gfx::BitmapInfoNativePremultiplied);
  EXPECT_LE(channelDistance(display->pixel(0, 0), 0x80800000u), 1);
  auto copy = image::DRCopyDecodedImage(straight, false);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->bitmapInfo(), gfx::ImageAlphaLast);
  EXPECT_NE(copy->bytes(), straight->bytes());
}

// The picture lands in the album folder as PNG, and the answer comes on the main thread.
TEST(ImageCoderHelpers, SavesToTheAlbumAndAnswersOnTheMainThread) {
  namespace fs = std::filesystem;
  fs::path album = fs::temp_directory_path() / ("coder-album-" + std::to_string(::getpid()));
  fs::create_directories(album);
  const char* old = std::getenv("XDG_PICTURES_DIR");
  std::string saved = old ? old : "";
  ::setenv("XDG_PICTURES_DIR", album.c_str(), 1);
  bool arrived = false, onMain = false;
  Ref<fd::URL> url;
  Ref<fd::Error> error;
  auto main = std::this_thread::get_id();
  image::saveToAlbumWithCompletionBlock(gfx::Image::imageWithCGImage(patternBitmap(4, 4, true)),
                                        [&](Ref<fd::URL> u, Ref<fd::Error> e) {
                                          url = u, error = e, arrived = true;
                                          onMain = std::this_thread::get_id() == main;
                                        });
  EXPECT_TRUE(fd::RunLoopDriver::runUntil([&] { return arrived; }, 10));
  EXPECT_TRUE(onMain);
  EXPECT_FALSE(error);
  EXPECT_TRUE(url);
  size_t pngs = 0;
  for (const auto& entry : fs::directory_iterator(album)) {
    std::ifstream in(entry.path(), std::ios::binary);
    char magic[4] = {};
    in.read(magic, 4);
    pngs += std::string(magic + 1, 3) == "PNG";
  }
  EXPECT_EQ(pngs, 1u);
  if (old) ::setenv("XDG_PICTURES_DIR", saved.c_str(), 1);
  else ::unsetenv("XDG_PICTURES_DIR");
  fs::remove_all(album);
}

}  // namespace
