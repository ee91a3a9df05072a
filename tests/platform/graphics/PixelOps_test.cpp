#include "platform/graphics/PixelOps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tests/platform/graphics/CodecSamples.h"

using namespace gfx;

namespace {

// A buffer over a vector of bytes, `pad` spare bytes per row.
struct Buffer {
  std::vector<uint8_t> bytes;
  vImage_Buffer b;
  Buffer(size_t w, size_t h, size_t pad = 0) : bytes((w * 4 + pad) * h, 0) {
    b.data = bytes.data();
    b.width = w;
    b.height = h;
    b.rowBytes = w * 4 + pad;
  }
  uint8_t* at(size_t x, size_t y) { return bytes.data() + y * b.rowBytes + 4 * x; }
  void set(size_t x, size_t y, std::initializer_list<uint8_t> p) { std::copy(p.begin(), p.end(), at(x, y)); }
  std::vector<uint8_t> px(size_t x, size_t y) { return {at(x, y), at(x, y) + 4}; }
};

TEST(PixelOps, BufferInitRoundsRowsTo32BytesAndCanSkipAllocation) {
  vImage_Buffer b;
  EXPECT_EQ(vImageBuffer_Init(&b, 3, 9, 32, kvImageNoAllocate), 32);
  EXPECT_EQ(b.rowBytes, 64u);
  EXPECT_EQ(b.data, nullptr);
  ASSERT_GE(vImageBuffer_Init(&b, 3, 8, 32, kvImageNoFlags), 0);
  EXPECT_EQ(b.rowBytes, 32u);
  ASSERT_NE(b.data, nullptr);
  std::free(b.data);
  EXPECT_EQ(vImageBuffer_Init(nullptr, 1, 1, 32, 0), kvImageNullPointerArgument);
  EXPECT_EQ(vImageBuffer_Init(&b, 0, 1, 32, 0), kvImageInvalidParameter);
}

TEST(PixelOps, PremultiplyAndUnpremultiplyFollowAlphasBytePosition) {
  struct Case {
    bool argb;
    std::vector<uint8_t> straight, premultiplied;
  } cases[] = {
      {true, {128, 255, 100, 0}, {128, 128, 50, 0}},
      {false, {255, 100, 0, 128}, {128, 50, 0, 128}},
      {true, {0, 200, 200, 200}, {0, 0, 0, 0}},
      {true, {255, 1, 2, 3}, {255, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    Buffer src(1, 1), mid(1, 1), back(1, 1);
    std::copy(c.straight.begin(), c.straight.end(), src.at(0, 0));
    ASSERT_EQ((c.argb ? vImagePremultiplyData_ARGB8888 : vImagePremultiplyData_RGBA8888)(&src.b, &mid.b, 0), kvImageNoError);
    EXPECT_EQ(mid.px(0, 0), c.premultiplied);
    ASSERT_EQ((c.argb ? vImageUnpremultiplyData_ARGB8888 : vImageUnpremultiplyData_RGBA8888)(&mid.b, &back.b, 0), kvImageNoError);
    const bool cleared = c.premultiplied[c.argb ? 0 : 3] == 0;  // colour under zero alpha is lost
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(back.px(0, 0)[i], cleared ? 0 : c.straight[i], 1);
  }
}

TEST(PixelOps, PermutesChannelsAndExpandsRgb) {
  Buffer src(2, 1), dst(2, 1);
  src.set(0, 0, {1, 2, 3, 4});
  src.set(1, 0, {5, 6, 7, 8});
  const uint8_t map[4] = {3, 2, 1, 0};
  ASSERT_EQ(vImagePermuteChannels_ARGB8888(&src.b, &dst.b, map, 0), kvImageNoError);
  EXPECT_EQ(dst.px(1, 0), (std::vector<uint8_t>{8, 7, 6, 5}));
  const uint8_t bad[4] = {0, 1, 2, 4};
  EXPECT_EQ(vImagePermuteChannels_ARGB8888(&src.b, &dst.b, bad, 0), kvImageInvalidParameter);

  std::vector<uint8_t> rgb = {200, 100, 50};
  vImage_Buffer rgbBuf{rgb.data(), 1, 1, 3};
  Buffer out(1, 1);
  ASSERT_EQ(vImageConvert_RGB888toARGB8888(&rgbBuf, nullptr, 128, &out.b, true, 0), kvImageNoError);
  EXPECT_EQ(out.px(0, 0), (std::vector<uint8_t>{128, 100, 50, 25}));
  ASSERT_EQ(vImageConvert_RGB888toARGB8888(&rgbBuf, nullptr, 128, &out.b, false, 0), kvImageNoError);
  EXPECT_EQ(out.px(0, 0), (std::vector<uint8_t>{128, 200, 100, 50}));
}

TEST(PixelOps, BoxConvolveAveragesWithEdgeExtension) {
  // One bright pixel in a 5x1 row; a 3-wide box spreads a third of it to each neighbour.
  Buffer src(5, 1), dst(5, 1);
  src.set(2, 0, {255, 255, 255, 255});
  ASSERT_EQ(vImageBoxConvolve_ARGB8888(&src.b, &dst.b, nullptr, 0, 0, 1, 3, nullptr, kvImageEdgeExtend), kvImageNoError);
  EXPECT_EQ(dst.px(0, 0)[0], 0);
  EXPECT_EQ(dst.px(1, 0)[0], 85);
  EXPECT_EQ(dst.px(2, 0)[0], 85);
  EXPECT_EQ(dst.px(3, 0)[0], 85);
  // Edge extension repeats the border: a bright edge pixel counts twice at the edge.
  Buffer edge(3, 3), out(3, 3);
  for (int y = 0; y < 3; ++y) edge.set(0, y, {90, 90, 90, 90});
  ASSERT_EQ(vImageBoxConvolve_ARGB8888(&edge.b, &out.b, nullptr, 0, 0, 3, 3, nullptr, kvImageEdgeExtend), kvImageNoError);
  EXPECT_EQ(out.px(0, 1)[1], 60);  // (90 + 90 + 0) / 3 across, same down
  EXPECT_EQ(out.px(2, 2)[1], 0);
}

TEST(PixelOps, BoxConvolveChecksArgumentsAndAnswersTempSize) {
  Buffer src(8, 8), dst(8, 8);
  vImage_Error size = vImageBoxConvolve_ARGB8888(&src.b, &dst.b, nullptr, 0, 0, 5, 5, nullptr,
                                                 kvImageEdgeExtend | kvImageGetTempBufferSize);
  EXPECT_GT(size, 0);
  std::vector<uint8_t> temp(static_cast<size_t>(size));
  // Flags 136 are what callers pass for the query; the same call without it convolves.
  EXPECT_EQ(vImageBoxConvolve_ARGB8888(&src.b, &dst.b, nullptr, 0, 0, 5, 5, nullptr, 136), size);
  EXPECT_EQ(vImageBoxConvolve_ARGB8888(&src.b, &dst.b, temp.data(), 0, 0, 5, 5, nullptr, 8), kvImageNoError);
  struct Case {
    uint32_t kh, kw;
    vImage_Flags flags;
    vImage_Error expected;
  } cases[] = {
      {4, 3, kvImageEdgeExtend, kvImageInvalidKernelSize},
      {3, 0, kvImageEdgeExtend, kvImageInvalidKernelSize},
      {3, 3, 0, kvImageInvalidEdgeStyle},
      {3, 3, kvImageEdgeExtend | kvImageTruncateKernel, kvImageInvalidEdgeStyle},
      {3, 3, kvImageBackgroundColorFill, kvImageNullPointerArgument},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vImageBoxConvolve_ARGB8888(&src.b, &dst.b, nullptr, 0, 0, c.kh, c.kw, nullptr, c.flags), c.expected);
  Buffer small(4, 4);
  EXPECT_EQ(vImageBoxConvolve_ARGB8888(&small.b, &dst.b, nullptr, 0, 0, 3, 3, nullptr, kvImageEdgeExtend),
            kvImageRoiLargerThanInputBuffer);
}

TEST(PixelOps, BoxConvolveEdgeStylesDifferAtTheBorder) {
  Buffer src(3, 1), dst(3, 1);
  for (int x = 0; x < 3; ++x) src.set(x, 0, {60, 60, 60, 60});
  const uint8_t white[4] = {255, 255, 255, 255};
  struct Case {
    vImage_Flags flags;
    uint8_t left;
  } cases[] = {{kvImageEdgeExtend, 60}, {kvImageTruncateKernel, 60}, {kvImageBackgroundColorFill, 125}, {kvImageCopyInPlace, 60}};
  for (const auto& c : cases) {
    ASSERT_EQ(vImageBoxConvolve_ARGB8888(&src.b, &dst.b, nullptr, 0, 0, 1, 3, white, c.flags), kvImageNoError);
    EXPECT_EQ(dst.px(0, 0)[0], c.left) << c.flags;
  }
}

TEST(PixelOps, BoxConvolveReadsTheRegionOfInterest) {
  Buffer src(6, 1), dst(2, 1);
  for (int x = 0; x < 6; ++x) src.set(x, 0, {uint8_t(x * 30), 0, 0, 0});
  ASSERT_EQ(vImageBoxConvolve_ARGB8888(&src.b, &dst.b, nullptr, 3, 0, 1, 3, nullptr, kvImageEdgeExtend), kvImageNoError);
  EXPECT_EQ(dst.px(0, 0)[0], 90);   // (60 + 90 + 120) / 3
  EXPECT_EQ(dst.px(1, 0)[0], 120);  // (90 + 120 + 150) / 3
}

TEST(PixelOps, ReflectionsMirrorRowsAndColumns) {
  Buffer src(3, 2, 4), h(3, 2, 4), v(3, 2, 4);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) src.set(x, y, {uint8_t(x), uint8_t(y), 0, 0});
  ASSERT_EQ(vImageHorizontalReflect_ARGB8888(&src.b, &h.b, 0), kvImageNoError);
  ASSERT_EQ(vImageVerticalReflect_ARGB8888(&src.b, &v.b, 0), kvImageNoError);
  EXPECT_EQ(h.px(0, 1), (std::vector<uint8_t>{2, 1, 0, 0}));
  EXPECT_EQ(v.px(0, 0), (std::vector<uint8_t>{0, 1, 0, 0}));
  // In place works too.
  ASSERT_EQ(vImageVerticalReflect_ARGB8888(&v.b, &v.b, 0), kvImageNoError);
  EXPECT_EQ(v.bytes, src.bytes);
}

TEST(PixelOps, MatrixMultiplyWithDivisor256) {
  Buffer src(1, 1), dst(1, 1);
  src.set(0, 0, {255, 100, 50, 10});
  // Identity scaled by 256, then a matrix that swaps the two middle channels and halves alpha.
  const int16_t identity[16] = {256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256};
  ASSERT_EQ(vImageMatrixMultiply_ARGB8888(&src.b, &dst.b, identity, 256, nullptr, nullptr, 0), kvImageNoError);
  EXPECT_EQ(dst.px(0, 0), src.px(0, 0));
  const int16_t swap[16] = {128, 0, 0, 0, 0, 0, 256, 0, 0, 256, 0, 0, 0, 0, 0, 256};
  const int32_t post[4] = {0, 0, 0, 256 * 300};
  ASSERT_EQ(vImageMatrixMultiply_ARGB8888(&src.b, &dst.b, swap, 256, nullptr, post, 0), kvImageNoError);
  EXPECT_EQ(dst.px(0, 0), (std::vector<uint8_t>{127, 50, 100, 255}));
  EXPECT_EQ(vImageMatrixMultiply_ARGB8888(&src.b, &dst.b, swap, 0, nullptr, nullptr, 0), kvImageInvalidParameter);
}

TEST(PixelOps, AffineWarpTranslatesAndFillsTheBackground) {
  Buffer src(4, 4), dst(4, 4);
  src.set(1, 1, {255, 255, 0, 0});
  const uint8_t back[4] = {9, 9, 9, 9};
  AffineTransform shift{1, 0, 0, 1, 2, 1};
  ASSERT_EQ(vImageAffineWarpCG_ARGB8888(&src.b, &dst.b, nullptr, &shift, back, kvImageBackgroundColorFill), kvImageNoError);
  EXPECT_EQ(dst.px(3, 2), (std::vector<uint8_t>{255, 255, 0, 0}));
  EXPECT_EQ(dst.px(0, 0), (std::vector<uint8_t>{9, 9, 9, 9}));  // came from outside the source
  EXPECT_EQ(dst.px(2, 2), (std::vector<uint8_t>{0, 0, 0, 0}));
  AffineTransform singular{0, 0, 0, 0, 0, 0};
  EXPECT_EQ(vImageAffineWarpCG_ARGB8888(&src.b, &dst.b, nullptr, &singular, back, 0), kvImageInvalidParameter);
}

TEST(PixelOps, ConvertsAnyLayoutToAnyAndBuildsBitmapsWithoutCopying) {
  auto image = codec_samples::solidBitmap(3, 2, 0x80ff0000u);  // half-transparent red
  vImage_CGImageFormat rgbaLast{8, 32, nullptr, ImageAlphaLast, 0, nullptr, 0};
  vImage_Buffer straight;
  ASSERT_EQ(vImageBuffer_InitWithCGImage(&straight, &rgbaLast, nullptr, image.get(), 0), kvImageNoError);
  auto* p = static_cast<uint8_t*>(straight.data);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[3], 128);
  vImage_CGImageFormat native{8, 32, nullptr, BitmapInfoNativePremultiplied, 0, nullptr, 0};
  vImage_Error err = 0;
  auto converter = vImageConverterCreateWithCGImageFormat(&rgbaLast, &native, nullptr, 0, &err);
  ASSERT_TRUE(converter);
  vImage_Buffer back;
  ASSERT_GE(vImageBuffer_Init(&back, 2, 3, 32, 0), 0);
  ASSERT_EQ(vImageConvert_AnyToAny(converter.get(), &straight, &back, nullptr, 0), kvImageNoError);
  EXPECT_EQ(static_cast<uint32_t*>(back.data)[0], 0x80800000u);
  bool released = false;
  {
    auto made = vImageCreateCGImageFromBuffer(&back, &native, [&released](void*, void* bytes) {
      released = true;
      std::free(bytes);
    }, nullptr, 0, &err);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->bytes(), back.data);
    EXPECT_EQ(made->pixel(2, 1), 0x80800000u);
  }
  EXPECT_TRUE(released);
  std::free(straight.data);
  vImage_CGImageFormat bogus{5, 32, nullptr, 0, 0, nullptr, 0};
  EXPECT_FALSE(vImageConverterCreateWithCGImageFormat(&bogus, &native, nullptr, 0, &err));
  EXPECT_EQ(err, kvImageInvalidImageFormat);
}

}  // namespace
