#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/Bitmap.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

namespace {

PixelFormat rgbaFormat(size_t w, size_t h, uint32_t info) {
  PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = w * 4;
  f.bitmapInfo = info;
  f.colorSpace = ColorSpace::deviceRGB();
  return f;
}

}  // namespace

TEST(BitmapImage, NativeFacts) {
  auto img = BitmapImage::createNative(3, 2);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width(), 3u);
  EXPECT_EQ(img->height(), 2u);
  EXPECT_EQ(img->bitsPerComponent(), 8u);
  EXPECT_EQ(img->bitsPerPixel(), 32u);
  EXPECT_GE(img->bytesPerRow(), 12u);
  EXPECT_EQ(img->bitmapInfo(), 0x2002u);
  EXPECT_EQ(img->alphaInfo(), ImageAlphaPremultipliedFirst);
  EXPECT_EQ(img->byteOrder(), BitmapByteOrder32Little);
  EXPECT_EQ(img->colorSpace()->model(), ColorSpaceModel::RGB);
  EXPECT_EQ(img->copyData()->length(), img->bytesPerRow() * 2);
  auto opaque = BitmapImage::createNative(1, 1, true);
  EXPECT_EQ(opaque->alphaInfo(), ImageAlphaNoneSkipFirst);
  EXPECT_EQ(unpack(opaque->pixel(0, 0)).a, 255);
  EXPECT_FALSE(BitmapImage::createNative(0, 5));
}

TEST(BitmapImage, ReadsOtherLayoutsAsPremultipliedNative) {
  // One half-transparent red pixel written in several layouts.
  struct {
    uint32_t info;
    uint8_t bytes[4];
  } cases[] = {
      {ImageAlphaLast, {255, 0, 0, 128}},                                    // RGBA straight
      {ImageAlphaPremultipliedLast, {128, 0, 0, 128}},                       // RGBA premultiplied
      {ImageAlphaFirst, {128, 255, 0, 0}},                                   // ARGB straight
      {BitmapByteOrder32Little | ImageAlphaPremultipliedFirst, {0, 0, 128, 128}},  // BGRA premultiplied
      {BitmapByteOrder32Little | ImageAlphaLast, {128, 0, 0, 255}},          // ABGR straight
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.info);
    auto img = BitmapImage::create(rgbaFormat(1, 1, c.info), fd::Data::create(c.bytes, 4));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->bitmapInfo(), c.info);
    EXPECT_PIXEL(img->pixel(0, 0), (Argb{128, 128, 0, 0}));
  }
  // Grey without alpha.
  PixelFormat gray;
  gray.width = 2, gray.height = 1, gray.bitsPerPixel = 8, gray.bytesPerRow = 2, gray.bitmapInfo = 0;
  gray.colorSpace = ColorSpace::deviceGray();
  uint8_t g[2] = {0, 200};
  auto gimg = BitmapImage::create(gray, fd::Data::create(g, 2));
  ASSERT_TRUE(gimg);
  EXPECT_PIXEL(gimg->pixel(1, 0), (Argb{255, 200, 200, 200}));
}

TEST(BitmapImage, RejectsUnusableInput) {
  uint8_t px[4] = {};
  EXPECT_FALSE(BitmapImage::create(rgbaFormat(2, 2, ImageAlphaLast), fd::Data::create(px, 4)));  // too short
  PixelFormat sixteen = rgbaFormat(1, 1, ImageAlphaLast);
  sixteen.bitsPerComponent = 16;
  EXPECT_FALSE(BitmapImage::create(sixteen, fd::Data::create(px, 4)));
  EXPECT_FALSE(BitmapImage::create(rgbaFormat(1, 1, ImageAlphaNone), fd::Data::create(px, 4)));  // 32 bpp, no alpha
  EXPECT_FALSE(BitmapImage::create(rgbaFormat(1, 1, ImageAlphaLast), nullptr));
}

TEST(BitmapImage, BytesWithoutCopyAreReleasedWithTheImage) {
  std::vector<uint8_t> buffer{0, 0, 255, 255};  // BGRA opaque red
  int released = 0;
  {
    auto img = BitmapImage::createWithBytesNoCopy(rgbaFormat(1, 1, BitmapInfoNativePremultiplied), buffer.data(),
                                                  [&](const void* p) {
                                                    EXPECT_EQ(p, buffer.data());
                                                    ++released;
                                                  });
    ASSERT_TRUE(img);
    EXPECT_EQ(img->bytes(), buffer.data());
    EXPECT_PIXEL(img->pixel(0, 0), (Argb{255, 255, 0, 0}));
    EXPECT_EQ(released, 0);
  }
  EXPECT_EQ(released, 1);
}

TEST(BitmapImage, CropKeepsFormatAndPixels) {
  // 4x2 RGBA straight, each pixel's red = x * 60, green = y * 100.
  std::vector<uint8_t> bytes;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) bytes.insert(bytes.end(), {uint8_t(x * 60), uint8_t(y * 100), 0, 255});
  auto img = BitmapImage::create(rgbaFormat(4, 2, ImageAlphaLast), fd::Data::create(bytes));
  ASSERT_TRUE(img);
  auto crop = img->createWithImageInRect(RectMake(1.5, 1, 10, 10));
  ASSERT_TRUE(crop);
  EXPECT_EQ(crop->width(), 3u);
  EXPECT_EQ(crop->height(), 1u);
  EXPECT_EQ(crop->bitmapInfo(), ImageAlphaLast);
  EXPECT_PIXEL(crop->pixel(0, 0), (Argb{255, 60, 100, 0}));
  EXPECT_FALSE(img->createWithImageInRect(RectMake(10, 10, 2, 2)));
  auto native = img->nativeCopy();
  EXPECT_EQ(native->bitmapInfo(), BitmapInfoNativePremultiplied);
  EXPECT_PIXEL(native->pixel(3, 1), (Argb{255, 180, 100, 0}));
}
