#include "image/codec/DRImageDecoder.h"

#include <gtest/gtest.h>
#include <webp/mux.h>

#include <cstring>

#include "image/codec/DRImageCoderHelpers.h"
#include "image/codec/DRImageEncoder.h"
#include "image/codec/Image+DRImageCoder.h"
#include "tests/image/ImageSamples.h"

using namespace image_samples;
using image::DRImageDecoder;

namespace {

Ref<gfx::BitmapImage> frameBitmap(const Ref<DRImageDecoder>& d, uint64_t i, bool display = true) {
  auto f = d->frameAtIndex(i, display);
  return f && f->image ? f->image->CGImage() : nullptr;
}

Ref<fd::Data> gifOf(const std::vector<uint32_t>& colours, double delay, int loops) {
  std::vector<Ref<gfx::BitmapImage>> frames;
  for (uint32_t c : colours) frames.push_back(solidBitmap(6, 4, c));
  return encode(gfx::kUTTypeGIF, frames, gifFrameProps(delay),
                props({{gfx::kCGImagePropertyGIFDictionary, props({{gfx::kCGImagePropertyGIFLoopCount, fd::box(loops)}})}}));
}

// An animated WebP with a partial frame over the first: frame 1 covers (2, 1)-(5, 3) and
// blends over frame 0, then frame 2 replaces everything.
Ref<fd::Data> webpWithPartialFrame() {
  std::vector<Ref<fd::Data>> stills = {
      image::DREncodeImageAsWebP(solidBitmap(8, 6, 0xffff0000u), true, 1, 4, 0),
      image::DREncodeImageAsWebP(solidBitmap(4, 2, 0xff00ff00u), true, 1, 4, 0),
      image::DREncodeImageAsWebP(solidBitmap(8, 6, 0xff0000ffu), true, 1, 4, 0)};
  WebPMux* mux = WebPMuxNew();
  const int offsets[3][2] = {{0, 0}, {2, 2}, {0, 0}};
  for (int i = 0; i < 3; ++i) {
    WebPMuxFrameInfo f;
    std::memset(&f, 0, sizeof f);
    f.bitstream = {stills[size_t(i)]->bytes(), stills[size_t(i)]->length()};
    f.x_offset = offsets[i][0];
    f.y_offset = offsets[i][1];
    f.duration = 50 * (i + 1);
    f.id = WEBP_CHUNK_ANMF;
    f.dispose_method = WEBP_MUX_DISPOSE_NONE;
    f.blend_method = i == 2 ? WEBP_MUX_NO_BLEND : WEBP_MUX_BLEND;
    EXPECT_EQ(WebPMuxPushFrame(mux, &f, 1), WEBP_MUX_OK);
  }
  WebPMuxAnimParams params{0, 3};
  WebPMuxSetAnimationParams(mux, &params);
  WebPData out;
  WebPDataInit(&out);
  EXPECT_EQ(WebPMuxAssemble(mux, &out), WEBP_MUX_OK);
  auto data = fd::Data::create(out.bytes, out.size);
  WebPDataClear(&out);
  WebPMuxDelete(mux);
  return data;
}

TEST(ImageDecoder, TakesGrowingDataAndFixesTheTypeOnceLongEnough) {
  auto jpeg = encode(gfx::kUTTypeJPEG, {patternBitmap(16, 16, false)});
  auto decoder = DRImageDecoder::create(2);
  EXPECT_TRUE(decoder->updateData(prefix(jpeg, 10), false));
  EXPECT_EQ(decoder->type(), image::DRImageFileTypeUnknown);
  EXPECT_EQ(decoder->frameCount(), 0u);
  EXPECT_TRUE(decoder->updateData(prefix(jpeg, 17), false));
  EXPECT_EQ(decoder->type(), image::DRImageFileTypeJPEG);
  EXPECT_FALSE(decoder->updateData(prefix(jpeg, 12), false));  // shorter than before
  EXPECT_TRUE(decoder->updateData(jpeg, true));
  EXPECT_EQ(decoder->frameCount(), 1u);
  EXPECT_EQ(decoder->width(), 16u);
  EXPECT_FALSE(decoder->updateData(jpeg, true));  // finalized
  auto frame = decoder->frameAtIndex(0, true);
  ASSERT_TRUE(frame && frame->image);
  EXPECT_EQ(frame->image->scale(), 2);
  EXPECT_TRUE(image::isDecodedForDisplay(*frame->image));
  EXPECT_FALSE(decoder->frameAtIndex(1, true));
  EXPECT_EQ(decoder->frameDurationAtIndex(7), 0);
  // Data of another type is refused once the type is fixed.
  auto png = DRImageDecoder::create(1);
  EXPECT_TRUE(png->updateData(prefix(dataOf(pngOf(solidBitmap(4, 4, 0xff000000u))), 20), false));
  EXPECT_FALSE(png->updateData(jpeg, false));
}

TEST(ImageDecoder, AGifShowsOneFrameUntilFinalThenAllWithLoopCountAndDelays) {
  auto gif = gifOf({0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0xffffffffu, 0xff000000u}, 0.2, 3);
  ASSERT_TRUE(gif);
  auto decoder = DRImageDecoder::create(1);
  decoder->updateData(prefix(gif, gif->length() - 5), false);
  EXPECT_EQ(decoder->frameCount(), 1u);
  EXPECT_FALSE(decoder->frameAtIndex(1, true));
  decoder->updateData(gif, true);
  ASSERT_EQ(decoder->frameCount(), 5u);
  EXPECT_EQ(decoder->loopCount(), 3u);
  EXPECT_NEAR(decoder->frameDurationAtIndex(4), 0.2, 1e-9);
  EXPECT_EQ(pixelAt(frameBitmap(decoder, 2), 1, 1), 0xff0000ffu);
  EXPECT_EQ(pixelAt(frameBitmap(decoder, 0), 5, 3), 0xffff0000u);
  EXPECT_TRUE(decoder->framePropertiesAtIndex(0));
  // A delay of 0 is reported as it stands.
  auto fast = DRImageDecoder::decoderWithData(gifOf({0xffff0000u, 0xff00ff00u}, 0, 0), 1);
  ASSERT_TRUE(fast);
  EXPECT_EQ(fast->frameDurationAtIndex(0), 0);
}

TEST(ImageDecoder, AnimatedPNGIsAStillUntilFinalThenComposesItsFrames) {
  // Frame 1 is a green 4x2 patch at (2, 3) blended over the red canvas and cleared after;
  // frame 2 is blue, replaces everything, and returns the canvas to its state before it.
  std::vector<ApngFrame> frames = {{solidBitmap(8, 6, 0xffff0000u), 0, 0, 1, 10, 0, 0},
                                   {solidBitmap(4, 2, 0x8000ff00u), 2, 3, 1, 5, 1, 1},
                                   {solidBitmap(8, 6, 0xff0000ffu), 0, 0, 3, 100, 2, 0},
                                   {solidBitmap(2, 2, 0xffffffffu), 0, 0, 1, 10, 0, 1}};
  auto bytes = dataOf(bytesOf(apngChunks(8, 6, frames, 2)));
  auto decoder = DRImageDecoder::create(1);
  decoder->updateData(bytes, false);
  EXPECT_EQ(decoder->frameCount(), 1u);
  decoder->updateData(bytes, true);
  ASSERT_EQ(decoder->frameCount(), 4u);
  EXPECT_EQ(decoder->loopCount(), 2u);
  EXPECT_DOUBLE_EQ(decoder->frameDurationAtIndex(1), 0.2);
  EXPECT_DOUBLE_EQ(decoder->frameDurationAtIndex(2), 0.03);
  EXPECT_FALSE(decoder->framePropertiesAtIndex(0));

  auto frame1 = decoder->frameAtIndex(1, true);
  ASSERT_TRUE(frame1 && frame1->image);
  EXPECT_EQ(frame1->width, 8u);  // extended to the canvas
  auto f1 = frame1->image->CGImage();
  EXPECT_EQ(f1->pixel(0, 0), 0xffff0000u);
  const uint32_t blended = f1->pixel(3, 4);  // half green over red
  EXPECT_NEAR(int((blended >> 16) & 0xff), 127, 2);
  EXPECT_NEAR(int((blended >> 8) & 0xff), 128, 2);
  EXPECT_EQ(pixelAt(frameBitmap(decoder, 2), 3, 4), 0xff0000ffu);
  // Frame 3 follows a dispose-previous frame: the canvas is back to frame 1 disposed to
  // background, so its white patch sits on red with a cleared hole where the patch was.
  auto sequential = frameBitmap(decoder, 3);
  ASSERT_TRUE(sequential);
  EXPECT_EQ(sequential->pixel(0, 0), 0xffffffffu);
  EXPECT_EQ(sequential->pixel(7, 5), 0xffff0000u);
  EXPECT_EQ(sequential->pixel(3, 4), 0u);
  // A jump replays from the key frame and gives the same pixels.
  auto again = DRImageDecoder::decoderWithData(bytes, 1);
  auto jumped = frameBitmap(again, 3);
  ASSERT_TRUE(jumped);
  for (size_t y = 0; y < 6; ++y)
    for (size_t x = 0; x < 8; ++x) EXPECT_EQ(jumped->pixel(x, y), sequential->pixel(x, y)) << x << "," << y;
  // The frame's own pixels when not decoding for display.
  auto own = decoder->frameAtIndex(1, false);
  ASSERT_TRUE(own);
  EXPECT_EQ(own->offsetY, 1u);  // counted from the bottom: 6 - 3 - 2
}

TEST(ImageDecoder, ASingleFrameAPNGOrOneThatBreaksTheRulesIsAStill) {
  auto single = dataOf(bytesOf(apngChunks(5, 5, {{solidBitmap(5, 5, 0xff123456u)}}, 0)));
  auto decoder = DRImageDecoder::decoderWithData(single, 1);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->frameCount(), 1u);
  EXPECT_TRUE(decoder->framePropertiesAtIndex(0));  // still read by the platform source
  auto chunks = apngChunks(8, 6, {{solidBitmap(8, 6, 0xffff0000u)}, {solidBitmap(4, 2, 0xff00ff00u), 6, 5}}, 0);
  auto outside = DRImageDecoder::decoderWithData(dataOf(bytesOf(chunks)), 1);  // 6+4 > 8
  ASSERT_TRUE(outside);
  EXPECT_EQ(outside->frameCount(), 1u);
  EXPECT_EQ(pixelAt(frameBitmap(outside, 0), 7, 5), 0xffff0000u);
}

TEST(ImageDecoder, WebPNeedsWholeDataAndComposesPartialFrames) {
  auto webp = webpWithPartialFrame();
  auto decoder = DRImageDecoder::create(1);
  decoder->updateData(prefix(webp, webp->length() / 2), false);
  EXPECT_EQ(decoder->frameCount(), 0u);
  decoder->updateData(webp, true);
  ASSERT_EQ(decoder->frameCount(), 3u);
  EXPECT_EQ(decoder->loopCount(), 3u);
  EXPECT_EQ(decoder->width(), 8u);
  EXPECT_DOUBLE_EQ(decoder->frameDurationAtIndex(1), 0.1);
  auto f1 = frameBitmap(decoder, 1);
  ASSERT_TRUE(f1);
  EXPECT_EQ(f1->pixel(0, 0), 0xffff0000u);
  EXPECT_EQ(f1->pixel(2, 2), 0xff00ff00u);
  EXPECT_EQ(f1->pixel(5, 3), 0xff00ff00u);
  EXPECT_EQ(f1->pixel(6, 3), 0xffff0000u);
  EXPECT_EQ(pixelAt(frameBitmap(decoder, 2), 3, 3), 0xff0000ffu);
  auto own = decoder->frameAtIndex(1, false);
  ASSERT_TRUE(own && own->image);
  EXPECT_EQ(own->image->CGImage()->width(), 8u);  // frames are always shown whole
}

// Hostile input: every truncation and a spread of flipped bytes of each animated format gives
// a decoder that reports what it can and never crashes.
TEST(ImageDecoder, TruncatedOrCorruptAnimationsNeverCrash) {
  std::vector<ApngFrame> frames = {{solidBitmap(8, 6, 0xffff0000u)},
                                   {solidBitmap(4, 2, 0x8000ff00u), 2, 3, 1, 5, 1, 1},
                                   {solidBitmap(8, 6, 0xff0000ffu), 0, 0, 3, 100, 2, 0}};
  const std::vector<Ref<fd::Data>> samples = {dataOf(bytesOf(apngChunks(8, 6, frames, 2))), webpWithPartialFrame(),
                                              gifOf({0xffff0000u, 0xff00ff00u, 0xff0000ffu}, 0.1, 0)};
  for (const auto& sample : samples) {
    const size_t n = sample->length();
    for (size_t cut = 0; cut <= n; cut += std::max<size_t>(1, n / 60)) {
      auto decoder = DRImageDecoder::create(1);
      decoder->updateData(prefix(sample, cut), true);
      for (uint64_t i = 0; i < decoder->frameCount(); ++i) decoder->frameAtIndex(i, i % 2 == 0);
    }
    for (size_t at = 8; at < n; at += std::max<size_t>(1, n / 80)) {
      std::vector<uint8_t> bent(sample->bytes(), sample->bytes() + n);
      bent[at] ^= 0xA5;
      auto decoder = DRImageDecoder::decoderWithData(dataOf(bent), 1);
      if (!decoder) continue;
      for (uint64_t i = 0; i < decoder->frameCount() && i < 8; ++i) decoder->frameAtIndex(i, true);
    }
  }
  EXPECT_FALSE(DRImageDecoder::decoderWithData(nullptr, 1));
  EXPECT_FALSE(DRImageDecoder::decoderWithData(fd::Data::create("not an image at all, really"), 1));
}

TEST(ImageDecoder, IconsAreNeverExtendedToTheirCanvas) {
  auto ico = encode(gfx::kUTTypeICO, {solidBitmap(16, 16, 0xff00ff00u)});
  ASSERT_TRUE(ico);
  auto decoder = DRImageDecoder::decoderWithData(ico, 1);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->type(), image::DRImageFileTypeICO);
  auto frame = decoder->frameAtIndex(0, true);
  ASSERT_TRUE(frame && frame->image);
  EXPECT_EQ(frame->image->CGImage()->width(), 16u);
}

TEST(ImageDecoder, ServesFramesToSeveralThreadsAtOnce) {
  auto gif = gifOf({0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0xffffffffu}, 0.1, 0);
  std::vector<ApngFrame> frames = {{solidBitmap(8, 6, 0xffff0000u)}, {solidBitmap(4, 2, 0x8000ff00u), 2, 3, 1, 5, 1, 1},
                                   {solidBitmap(8, 6, 0xff0000ffu), 0, 0, 3, 100, 2, 0}};
  for (auto data : {gif, dataOf(bytesOf(apngChunks(8, 6, frames, 2)))}) {
    auto decoder = DRImageDecoder::decoderWithData(data, 1);
    ASSERT_TRUE(decoder);
    auto reference = frameBitmap(DRImageDecoder::decoderWithData(data, 1), 1);
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([&, t] {
        for (int k = 0; k < 20; ++k) {
          const uint64_t i = uint64_t(k + t) % decoder->frameCount();
          auto b = frameBitmap(decoder, i);
          decoder->frameDurationAtIndex(i);
          if (i == 1 && (!b || b->pixel(3, 2) != reference->pixel(3, 2))) ++mismatches;
        }
      });
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
  }
}

}  // namespace
