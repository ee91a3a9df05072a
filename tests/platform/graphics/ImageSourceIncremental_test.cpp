// Growing, truncated and corrupt inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "platform/graphics/ImageSource.h"
#include "tests/platform/graphics/CodecSamples.h"

using namespace codec_samples;
using gfx::ImageSource;

namespace {

struct Sample {
  const char* type;
  bool alpha;
};
// Readable, stable test names: the format and whether it carries alpha.
void PrintTo(const Sample& s, std::ostream* os) { *os << s.type << (s.alpha ? " with alpha" : " opaque"); }

Ref<fd::Data> sampleData(const Sample& s, uint32_t w, uint32_t h) {
  return encode(s.type, {patternBitmap(w, h, s.alpha)});
}

class Incremental : public ::testing::TestWithParam<Sample> {};

TEST_P(Incremental, ByteByByteGivesFullSizeFramesThatEndComplete) {
  const uint32_t w = 24, h = 20;
  auto data = sampleData(GetParam(), w, h);
  ASSERT_TRUE(data);
  auto whole = ImageSource::createWithData(data)->createImageAtIndex(0);
  ASSERT_TRUE(whole);
  auto source = ImageSource::createIncremental();
  EXPECT_EQ(source->status(), gfx::kCGImageStatusReadingHeader);
  bool sawPartial = false;
  for (size_t n = 1; n < data->length(); ++n) {
    source->updateData(prefix(data, n), false);
    auto image = source->createImageAtIndex(0);
    if (!image) continue;
    EXPECT_EQ(source->status(), gfx::kCGImageStatusIncomplete);
    ASSERT_EQ(image->width(), w);
    ASSERT_EQ(image->height(), h);
    // The bottom-right pixel stays clear until the last rows arrive.
    if ((image->pixel(w - 1, h - 1) >> 24) == 0) sawPartial = true;
  }
  EXPECT_TRUE(sawPartial);
  source->updateData(data, true);
  EXPECT_EQ(source->status(), gfx::kCGImageStatusComplete);
  auto final = source->createImageAtIndex(0);
  ASSERT_TRUE(final);
  EXPECT_EQ(final->pixel(w - 1, h - 1), whole->pixel(w - 1, h - 1));
  EXPECT_EQ(final->pixel(3, 5), whole->pixel(3, 5));
}

INSTANTIATE_TEST_SUITE_P(Formats, Incremental,
                         ::testing::Values(Sample{gfx::kUTTypePNG, true}, Sample{gfx::kUTTypeJPEG, false},
                                           Sample{gfx::kUTTypeGIF, false}, Sample{gfx::kUTTypeWebP, true}));

class Truncated : public ::testing::TestWithParam<Sample> {};

TEST_P(Truncated, AFileCutShortGivesTheRowsItHolds) {
  const uint32_t w = 32, h = 64;
  auto data = sampleData(GetParam(), w, h);
  ASSERT_TRUE(data);
  auto expected = ImageSource::createWithData(data)->createImageAtIndex(0);
  bool sawShort = false;
  for (size_t cut : {data->length() * 2 / 3, data->length() * 9 / 10}) {
    auto source = ImageSource::createWithData(prefix(data, cut));
    auto image = source->createImageAtIndex(0);
    if (!image) continue;
    EXPECT_EQ(image->width(), w);
    EXPECT_LE(image->height(), h);
    if (image->height() < h) sawShort = true;
    // The rows that are there are the real ones.
    EXPECT_EQ(image->pixel(5, 0), expected->pixel(5, 0));
  }
  EXPECT_TRUE(sawShort) << GetParam().type;
}

INSTANTIATE_TEST_SUITE_P(Formats, Truncated,
                         ::testing::Values(Sample{gfx::kUTTypePNG, true}, Sample{gfx::kUTTypeJPEG, false},
                                           Sample{gfx::kUTTypeGIF, false}, Sample{gfx::kUTTypeWebP, false}));

TEST(Incremental, ProgressiveJpegShowsItsFirstScansWhileGrowing) {
  if (!haveTool("jpegtran")) GTEST_SKIP() << "jpegtran not installed";
  TempDir dir;
  writeFile(dir.file("b.jpg"), *encode(gfx::kUTTypeJPEG, {patternBitmap(48, 48, false)}));
  ASSERT_TRUE(run("jpegtran -progressive -outfile " + dir.file("p.jpg") + " " + dir.file("b.jpg")));
  auto data = readFile(dir.file("p.jpg"));
  auto source = ImageSource::createIncremental();
  // Past the first scans but before the end, the whole frame has colour (a coarse version).
  source->updateData(prefix(data, data->length() * 3 / 4), false);
  auto image = source->createImageAtIndex(0);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->height(), 48u);
  EXPECT_EQ(image->pixel(47, 47) >> 24, 0xffu);
}

TEST(Incremental, GrowingGifReportsTheFramesSeenSoFar) {
  auto data = encode(gfx::kUTTypeGIF, {solidBitmap(4, 4, 0xffff0000u), solidBitmap(4, 4, 0xff00ff00u),
                                       solidBitmap(4, 4, 0xff0000ffu)});
  auto source = ImageSource::createIncremental();
  size_t lastCount = 0;
  for (size_t n = 1; n <= data->length(); ++n) {
    source->updateData(prefix(data, n), n == data->length());
    size_t c = source->count();
    EXPECT_GE(c, lastCount);
    lastCount = c;
  }
  EXPECT_EQ(lastCount, 3u);
  EXPECT_EQ(source->createImageAtIndex(2)->pixel(1, 1), 0xff0000ffu);
}

class Corrupt : public ::testing::TestWithParam<const char*> {};

TEST_P(Corrupt, DamagedBytesNeverCrash) {
  auto data = encode(GetParam(), {patternBitmap(16, 16, true), patternBitmap(32, 32, false)});
  if (!data) data = encode(GetParam(), {patternBitmap(16, 16, true)});
  ASSERT_TRUE(data);
  std::mt19937 rng(1234);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bytes = data->vector();
    int flips = 1 + int(rng() % 8);
    for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] ^= uint8_t(1 + rng() % 255);
    if (round % 5 == 0) bytes.resize(rng() % bytes.size());
    auto source = ImageSource::createWithData(fd::Data::create(std::move(bytes)));
    if (!source) continue;
    for (size_t i = 0; i < std::min<size_t>(source->count(), 3); ++i) {
      source->copyPropertiesAtIndex(i);
      if (auto image = source->createImageAtIndex(i)) {
        EXPECT_GT(image->width(), 0u);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Corrupt,
                         ::testing::Values(gfx::kUTTypePNG, gfx::kUTTypeJPEG, gfx::kUTTypeGIF, gfx::kUTTypeWebP,
                                           gfx::kUTTypeBMP, gfx::kUTTypeICO, gfx::kUTTypeTIFF, gfx::kUTTypeJPEG2000,
                                           gfx::kUTTypeAppleICNS));

}  // namespace

namespace {

// The offset of the first byte after the JPEG frame header's marker (its length field).
size_t jpegFrameHeader(const std::vector<uint8_t>& b) {
  for (size_t i = 2; i + 1 < b.size(); ++i)
    if (b[i] == 0xff && b[i + 1] == 0xc0) return i + 2;
  return 0;
}

}  // namespace

TEST(Corrupt, UndecodableFilesReportInvalidDataAndNoFrame) {
  auto png = encode(gfx::kUTTypePNG, {patternBitmap(16, 16, true)})->vector();
  auto jpeg = encode(gfx::kUTTypeJPEG, {patternBitmap(16, 16, false)})->vector();
  auto gif = encode(gfx::kUTTypeGIF, {patternBitmap(16, 16, false)})->vector();
  ASSERT_GT(png.size(), 64u);
  const size_t sof = jpegFrameHeader(jpeg);
  ASSERT_GT(sof, 0u);

  auto badChecksum = png;
  badChecksum[29] ^= 0xff;  // the header chunk's checksum
  auto twelveBit = jpeg;
  twelveBit[sof + 2] = 12;  // sample precision
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"png header checksum", badChecksum},
      {"png header only", std::vector<uint8_t>(png.begin(), png.begin() + 33)},
      {"12-bit jpeg", twelveBit},
      {"jpeg cut after the frame header", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + sof + 17)},
      {"gif cut after the screen", std::vector<uint8_t>(gif.begin(), gif.begin() + 13)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto source = ImageSource::createWithData(fd::Data::create(c.bytes));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->status(), gfx::kCGImageStatusInvalidData);
    EXPECT_EQ(source->count(), 0u);
    EXPECT_FALSE(source->copyPropertiesAtIndex(0));
    EXPECT_FALSE(source->createImageAtIndex(0));
    EXPECT_FALSE(source->createThumbnailAtIndex(0));

    // Arriving a little at a time it is still being read; once the last bytes are in, invalid.
    auto growing = ImageSource::createIncremental();
    growing->updateData(fd::Data::create(c.bytes), false);
    EXPECT_NE(growing->status(), gfx::kCGImageStatusComplete);
    growing->updateData(fd::Data::create(c.bytes), true);
    EXPECT_EQ(growing->status(), gfx::kCGImageStatusInvalidData);
  }
  // The sound files still read as complete images.
  for (auto* bytes : {&png, &jpeg, &gif}) {
    auto source = ImageSource::createWithData(fd::Data::create(*bytes));
    EXPECT_EQ(source->status(), gfx::kCGImageStatusComplete);
    EXPECT_EQ(source->count(), 1u);
    EXPECT_TRUE(source->createImageAtIndex(0));
  }
}

namespace {

// A picture with detail everywhere (gradients and noise), so that its bytes spread over the
// whole file rather than collapsing into a few runs.
Ref<gfx::BitmapImage> detailedBitmap(uint32_t w, uint32_t h, bool alpha) {
  std::vector<uint32_t> px = patternPixels(w, h, alpha);
  std::mt19937 rng(7);
  for (auto& p : px) {
    uint32_t noise = rng() & 0x1f1f1f;
    uint32_t a = p >> 24;
    uint32_t c = (p & 0xffffff) ^ noise;
    // Stay premultiplied: no channel above alpha.
    uint32_t r = std::min((c >> 16) & 0xff, a), g = std::min((c >> 8) & 0xff, a), b = std::min(c & 0xff, a);
    p = (a << 24) | (r << 16) | (g << 8) | b;
  }
  return bitmapFromPixels(px, w, h);
}

struct StreamSample {
  const char* name;
  const char* type;
  bool alpha;
  double quality;  // negative: the format's default
};
void PrintTo(const StreamSample& s, std::ostream* os) { *os << s.name; }

Ref<fd::Data> streamData(const StreamSample& s, uint32_t w, uint32_t h) {
  Ref<fd::Dictionary> options;
  if (s.quality >= 0) options = props({{gfx::kCGImageDestinationLossyCompressionQuality, fd::box(s.quality)}});
  return encode(s.type, {detailedBitmap(w, h, s.alpha)}, options);
}

bool sameRow(const gfx::BitmapImage& a, const gfx::BitmapImage& b, size_t y) {
  return std::memcmp(a.bytes() + y * a.bytesPerRow(), b.bytes() + y * b.bytesPerRow(), a.width() * 4) == 0;
}

bool clearRow(const gfx::BitmapImage& a, size_t y) {
  const uint8_t* row = a.bytes() + y * a.bytesPerRow();
  return std::all_of(row, row + a.width() * 4, [](uint8_t v) { return v == 0; });
}

class Streamed : public ::testing::TestWithParam<StreamSample> {};

// However the bytes are cut, every partial image has the full size and rows that are either
// the finished image's or clear, and the last update gives exactly the whole file's pixels.
TEST_P(Streamed, PiecesOfAnySizeGiveTheWholeFilesPixels) {
  const uint32_t w = 97, h = 61;
  auto data = streamData(GetParam(), w, h);
  ASSERT_TRUE(data);
  auto whole = ImageSource::createWithData(data)->createImageAtIndex(0);
  ASSERT_TRUE(whole);
  for (size_t piece : {size_t(1), size_t(7), size_t(100), size_t(1000), data->length() - 1}) {
    SCOPED_TRACE(piece);
    auto source = ImageSource::createIncremental();
    const size_t updates = (data->length() + piece - 1) / piece;
    const size_t checkEvery = std::max<size_t>(1, updates / 40);
    size_t partials = 0;
    for (size_t u = 0, n = piece; n < data->length(); ++u, n += piece) {
      source->updateData(prefix(data, n), false);
      if (u % checkEvery != 0) continue;
      auto image = source->createImageAtIndex(0);
      if (!image) continue;
      ++partials;
      ASSERT_EQ(image->width(), w);
      ASSERT_EQ(image->height(), h);
      for (size_t y = 0; y < h; ++y) ASSERT_TRUE(sameRow(*image, *whole, y) || clearRow(*image, y)) << "row " << y;
    }
    if (piece < data->length() / 4) {
      EXPECT_GT(partials, 0u);
    }
    source->updateData(data, true);
    EXPECT_EQ(source->status(), gfx::kCGImageStatusComplete);
    auto final = source->createImageAtIndex(0);
    ASSERT_TRUE(final);
    ASSERT_EQ(final->width(), w);
    ASSERT_EQ(final->height(), h);
    for (size_t y = 0; y < h; ++y) ASSERT_TRUE(sameRow(*final, *whole, y)) << "row " << y;
  }
}

// An update decodes only the bytes it brings, and a partial image nothing more: a source
// that started over at every update would read the file's first bytes again each time.
TEST_P(Streamed, EveryByteIsReadOnceHoweverTheFileIsCut) {
  auto data = streamData(GetParam(), 97, 61);
  ASSERT_TRUE(data);
  for (size_t piece : {size_t(1), size_t(100), data->length() / 3}) {
    SCOPED_TRACE(piece);
    auto source = ImageSource::createIncremental();
    for (size_t n = piece; n < data->length(); n += piece) {
      source->updateData(prefix(data, n), false);
      source->createImageAtIndex(0);
      ASSERT_LE(source->streamedBytesRead(), n);
    }
    source->updateData(data, true);
    ASSERT_TRUE(source->createImageAtIndex(0));
    // All of it but what follows the image data (a padding byte) was read, and only once.
    EXPECT_LE(source->streamedBytesRead(), data->length());
    EXPECT_GE(source->streamedBytesRead(), data->length() - 1);
  }
}

// A partial image is the source's copy: later updates, and the partial images made after
// it, leave it as it was, whether it is held or let go meanwhile.
void expectPartialImagesStayAsTheyWereMade(const Ref<fd::Data>& data) {
  auto source = ImageSource::createIncremental();
  std::vector<std::pair<Ref<gfx::BitmapImage>, Ref<fd::Data>>> held;
  for (size_t n = data->length() / 8, u = 0; n < data->length(); n += data->length() / 8, ++u) {
    source->updateData(prefix(data, n), false);
    // Every other one let go at once, so that later ones may be made in its memory.
    auto image = source->createImageAtIndex(0);
    if (image && u % 2 == 0) held.emplace_back(image, image->copyData());
  }
  source->updateData(data, true);
  ASSERT_TRUE(source->createImageAtIndex(0));
  ASSERT_GE(held.size(), 2u);
  for (const auto& [image, pixels] : held)
    EXPECT_EQ(std::memcmp(image->bytes(), pixels->bytes(), pixels->length()), 0);
}

TEST_P(Streamed, PartialImagesStayAsTheyWereMade) { expectPartialImagesStayAsTheyWereMade(streamData(GetParam(), 97, 61)); }

TEST_P(Streamed, PartialImagesAreAlikeInAnyMemory) {
  auto data = streamData(GetParam(), 97, 61);
  ASSERT_TRUE(data);
  for (size_t piece : {size_t(50), data->length() / 5}) EXPECT_GT(expectPartialImagesAlike(data, piece), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, Streamed,
                         ::testing::Values(StreamSample{"png", gfx::kUTTypePNG, true, -1},
                                           StreamSample{"jpeg", gfx::kUTTypeJPEG, false, 0.8},
                                           StreamSample{"webp_lossless", gfx::kUTTypeWebP, true, -1},
                                           StreamSample{"webp_lossy", gfx::kUTTypeWebP, false, 0.8}),
                         [](const auto& info) { return std::string(info.param.name); });

// Frames of 2 MB and more get their partial images' memory another way than small ones.
TEST(Streamed, LargeFramesPartialImagesShowTheRowsSoFarInAnyMemory) {
  const uint32_t w = 1024, h = 640;
  auto data = streamData(StreamSample{"png", gfx::kUTTypePNG, true, -1}, w, h);
  ASSERT_TRUE(data);
  auto whole = ImageSource::createWithData(data)->createImageAtIndex(0);
  ASSERT_TRUE(whole);
  auto source = ImageSource::createIncremental();
  size_t partials = 0;
  for (size_t n = data->length() / 6; n < data->length() * 5 / 6; n += data->length() / 6, ++partials) {
    source->updateData(prefix(data, n), false);
    auto image = source->createImageAtIndex(0);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->height(), h);
    ASSERT_TRUE(sameRow(*image, *whole, 0));
    ASSERT_TRUE(clearRow(*image, h - 1));
    for (size_t y = 0; y < h; ++y) ASSERT_TRUE(sameRow(*image, *whole, y) || clearRow(*image, y)) << "row " << y;
  }
  EXPECT_GE(partials, 3u);
  expectPartialImagesStayAsTheyWereMade(data);
  EXPECT_GT(expectPartialImagesAlike(data, data->length() / 6), 0u);
}

TEST(Streamed, ProgressiveJpegInPiecesEndsAsTheWholeFile) {
  if (!haveTool("jpegtran")) GTEST_SKIP() << "jpegtran not installed";
  TempDir dir;
  writeFile(dir.file("b.jpg"), *encode(gfx::kUTTypeJPEG, {detailedBitmap(80, 48, false)}));
  ASSERT_TRUE(run("jpegtran -progressive -outfile " + dir.file("p.jpg") + " " + dir.file("b.jpg")));
  auto data = readFile(dir.file("p.jpg"));
  auto whole = ImageSource::createWithData(data)->createImageAtIndex(0);
  ASSERT_TRUE(whole);
  for (size_t piece : {size_t(3), size_t(250)}) {
    SCOPED_TRACE(piece);
    auto source = ImageSource::createIncremental();
    bool sawCoarse = false;
    for (size_t n = piece; n < data->length(); n += piece) {
      source->updateData(prefix(data, n), false);
      if (auto image = source->createImageAtIndex(0)) {
        ASSERT_EQ(image->width(), 80u);
        ASSERT_EQ(image->height(), 48u);
        if ((image->pixel(79, 47) >> 24) == 0xff && !sameRow(*image, *whole, 47)) sawCoarse = true;
      }
    }
    EXPECT_TRUE(sawCoarse) << "an early scan shows the whole frame, coarsely";
    // Each scan changes rows shown before: a partial image shows the latest, in any memory.
    EXPECT_GT(expectPartialImagesAlike(data, piece), 0u);
    source->updateData(data, true);
    auto final = source->createImageAtIndex(0);
    ASSERT_TRUE(final);
    for (size_t y = 0; y < 48; ++y) ASSERT_TRUE(sameRow(*final, *whole, y)) << "row " << y;
  }
}

// A stream damaged on the way or cut short never crashes; what is decoded is sound, and a
// stream that holds no image ends as invalid data.
TEST_P(Streamed, DamagedOrCutShortStreamsEndCleanly) {
  const uint32_t w = 64, h = 40;
  auto data = streamData(GetParam(), w, h);
  ASSERT_TRUE(data);
  std::mt19937 rng(99);
  for (int round = 0; round < 30; ++round) {
    std::vector<uint8_t> bytes = data->vector();
    for (int i = 0; i < 1 + round % 4; ++i) bytes[16 + rng() % (bytes.size() - 16)] ^= uint8_t(1 + rng() % 255);
    if (round % 3 == 0) bytes.resize(bytes.size() / 2 + rng() % (bytes.size() / 2));
    auto damaged = fd::Data::create(std::move(bytes));
    auto source = ImageSource::createIncremental();
    const size_t piece = 1 + rng() % 200;
    for (size_t n = piece; n < damaged->length(); n += piece) {
      source->updateData(prefix(damaged, n), false);
      if (auto image = source->createImageAtIndex(0)) {
        EXPECT_EQ(image->width(), w);
        EXPECT_EQ(image->height(), h);
      }
    }
    source->updateData(damaged, true);
    auto status = source->status();
    EXPECT_TRUE(status == gfx::kCGImageStatusComplete || status == gfx::kCGImageStatusInvalidData) << status;
    auto image = source->createImageAtIndex(0);
    EXPECT_EQ(image != nullptr, status == gfx::kCGImageStatusComplete);
    if (image) {
      EXPECT_EQ(image->width(), w);
      EXPECT_LE(image->height(), h);
    }
  }
  // Garbage where the image data should start holds no image (in the formats that can tell:
  // lossy WebP has no check that would catch it).
  if (std::strcmp(GetParam().type, gfx::kUTTypeWebP) == 0) return;
  std::vector<uint8_t> bytes = data->vector();
  std::fill(bytes.begin() + 40, bytes.end(), uint8_t(0x5a));
  auto garbage = fd::Data::create(std::move(bytes));
  auto source = ImageSource::createIncremental();
  for (size_t n = 64; n < garbage->length(); n += 64) source->updateData(prefix(garbage, n), false);
  source->updateData(garbage, true);
  EXPECT_EQ(source->status(), gfx::kCGImageStatusInvalidData);
  EXPECT_FALSE(source->createImageAtIndex(0));
}

}  // namespace
