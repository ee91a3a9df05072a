#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "base/graphics/Image+DUDerSources.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageTypes.h"

namespace base {
namespace {

Ref<fd::Data> gifWithDelays(const std::vector<double>& delays) {
  auto data = fd::MutableData::create();
  auto destination = gfx::ImageDestination::createWithData(data, gfx::kUTTypeGIF, delays.size());
  if (!destination) return nullptr;
  for (size_t i = 0; i < delays.size(); ++i) {
    auto frame = gfx::BitmapImage::createNative(4, 3, true);
    auto gif = fd::Dictionary::withStrings({{gfx::kCGImagePropertyGIFDelayTime, fd::Number::numberWithDouble(delays[i])}});
    destination->addImage(frame, fd::Dictionary::withStrings({{gfx::kCGImagePropertyGIFDictionary, gif}}));
  }
  return destination->finalize() ? data : nullptr;
}

// Frames repeat in proportion to their delays in fiftieths of a second, halves rounding to
// even; delays under 0.02 s count as 0.1 s.
TEST(ImageSources, SmallGIFFramesFollowTheirDelays) {
  struct Case {
    std::vector<double> delays;
    size_t frames;
    double duration;
  } cases[] = {
      {{0.05, 0.1, 0.01}, 2 + 5 + 5, 0.25},
      {{0.1, 0.2}, 1 + 2, 0.3},
      {{0.07, 0.03}, (4 + 2) / 2, 0.10},  // weights 4 and 2 share a factor of 2
  };
  for (const auto& c : cases) {
    auto data = gifWithDelays(c.delays);
    ASSERT_TRUE(data);
    EXPECT_TRUE(isAnimatedGIFData(data));
    auto image = imageWithSmallGIFData(data, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->images().size(), c.frames) << c.delays[0];
    EXPECT_NEAR(image->duration(), c.duration, 1e-6);
    EXPECT_EQ(image->images()[0]->scale(), 2);
    EXPECT_EQ(image->images()[0]->size(), gfx::SizeMake(2, 1.5));
  }
  auto single = gifWithDelays({0.1});
  EXPECT_FALSE(isAnimatedGIFData(single));
  auto still = imageWithSmallGIFData(single, 1);
  ASSERT_TRUE(still);
  EXPECT_TRUE(still->images().empty());
  EXPECT_EQ(imageWithSmallGIFData(fd::Data::create(std::string_view("GIF89a truncated")), 1), nullptr);
  EXPECT_EQ(imageWithSmallGIFData(nullptr, 1), nullptr);
}

// A GIF written byte by byte: `frames` one-pixel frames of 2/100 s on a canvas of the given
// size, which is what every frame is decoded onto.
Ref<fd::Data> handMadeGIF(uint16_t canvasWidth, uint16_t canvasHeight, size_t frames) {
  std::string b = "GIF89a";
  auto le16 = [&](uint16_t v) {
    b += char(v & 0xff);
    b += char(v >> 8);
  };
  le16(canvasWidth);
  le16(canvasHeight);
  b += std::string("\x80\x00\x00", 3);                      // a global table of two colours
  b += std::string("\x00\x00\x00\xff\xff\xff", 6);
  for (size_t i = 0; i < frames; ++i) {
    b += std::string("\x21\xf9\x04\x00\x02\x00\x00\x00", 8);  // 2/100 s
    b += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    b += std::string("\x02\x02\x44\x01\x00", 5);          // one pixel of colour 0
  }
  b += '\x3b';
  return fd::Data::create(b.data(), b.size());
}

TEST(ImageSources, SmallGIFRefusesWhatWouldExhaustMemory) {
  // Within the limits the same kind of file decodes.
  auto fine = imageWithSmallGIFData(handMadeGIF(16, 16, 3), 1);
  ASSERT_TRUE(fine);
  EXPECT_EQ(fine->images().size(), 3u);

  struct Case {
    const char* name;
    Ref<fd::Data> gif;
  } cases[] = {
      // 3,500 x 3,500 pixels a frame, 49 MB each once decoded: 147 MB for the three.
      {"large canvas", handMadeGIF(3500, 3500, 3)},
      {"too many frames", handMadeGIF(1, 1, kDRSmallGIFMaxFrames + 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(isAnimatedGIFData(c.gif));
    EXPECT_EQ(imageWithSmallGIFData(c.gif, 1), nullptr);
  }
  // Few frames, each held long: the repetitions count as frames of the animated image.
  std::vector<double> delays(40, 0.02);
  delays.push_back(0.02 * 4200);
  auto repeated = gifWithDelays(delays);
  ASSERT_TRUE(repeated);
  EXPECT_EQ(imageWithSmallGIFData(repeated, 1), nullptr);
}

TEST(ImageSources, GIFFilesAreKnownByTheirFirstBytes) {
  auto dir = std::filesystem::temp_directory_path() / ("gif-files-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "a.gif") << "GIF8";
  std::ofstream(dir / "short.gif") << "GIF";
  std::ofstream(dir / "b.png") << "\x89PNG";
  EXPECT_TRUE(isAnimatedGIFFile((dir / "a.gif").string()));
  EXPECT_FALSE(isAnimatedGIFFile((dir / "short.gif").string()));
  EXPECT_FALSE(isAnimatedGIFFile((dir / "b.png").string()));
  EXPECT_FALSE(isAnimatedGIFFile((dir / "missing.gif").string()));
  EXPECT_FALSE(isAnimatedGIFData(fd::Data::create(std::string_view("GIF89a"))));  // under 16 bytes
  std::filesystem::remove_all(dir);
}

// A 100 x 50 page with a red square in its top left corner.
Ref<fd::Data> redCornerPDF() {
  auto data = fd::MutableData::create();
  gfx::Rect box{{0, 0}, {100, 50}};
  auto pdf = gfx::Context::createPDF(data, box, true);
  pdf->beginPage(&box);
  pdf->setFillColor(gfx::Color::redColor());
  pdf->fillRect({{0, 0}, {10, 10}});
  pdf->endPage();
  pdf->closePDF();
  return data;
}

TEST(ImageSources, FirstPageOfAPDFAtItsSizeOrOnAGivenCanvas) {
  auto data = redCornerPDF();
  double scale = gfx::mainScreenScale();
  auto dir = std::filesystem::temp_directory_path() / ("pdf-pages-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / "page.pdf").string();
  std::ofstream(path, std::ios::binary).write(data->view().data(), static_cast<std::streamsize>(data->length()));
  for (auto image : {imageWithPDF(data), imageWithPDF(rt::String(path)), imageWithPDF(rt::String("file://" + path))}) {
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), gfx::SizeMake(100, 50));
    EXPECT_EQ(image->scale(), scale);
    auto bitmap = image->CGImage();
    EXPECT_EQ(bitmap->pixel(static_cast<size_t>(5 * scale), static_cast<size_t>(5 * scale)), 0xFFFF0000u);
    EXPECT_EQ(bitmap->pixel(static_cast<size_t>(50 * scale), static_cast<size_t>(30 * scale)) >> 24, 0u);
  }
  auto canvas = imageWithPDF(data, {40, 40});
  ASSERT_TRUE(canvas);
  EXPECT_EQ(canvas->size(), gfx::SizeMake(40, 40));
  EXPECT_EQ(canvas->CGImage()->pixel(static_cast<size_t>(5 * scale), static_cast<size_t>(5 * scale)), 0xFFFF0000u);
  EXPECT_EQ(canvas->CGImage()->pixel(static_cast<size_t>(20 * scale), static_cast<size_t>(5 * scale)) >> 24, 0u);

  EXPECT_EQ(imageWithPDF(fd::Data::create(std::string_view("%PDF-1.4 broken"))), nullptr);
  EXPECT_EQ(imageWithPDF(Ref<fd::Data>()), nullptr);
  EXPECT_EQ(imageWithPDF(rt::String((dir / "missing.pdf").string())), nullptr);
  std::filesystem::remove_all(dir);
}

TEST(ImageSources, EmojiDrawnInColourInASquare) {
  double scale = gfx::mainScreenScale();
  auto image = imageWithEmoji("\xF0\x9F\x8D\x8E", 32);  // red apple
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), gfx::SizeMake(32, 32));
  EXPECT_EQ(image->scale(), scale);
  auto bitmap = image->CGImage();
  size_t inked = 0, reddish = 0;
  for (size_t y = 0; y < bitmap->height(); ++y)
    for (size_t x = 0; x < bitmap->width(); ++x) {
      uint32_t p = bitmap->pixel(x, y);
      if ((p >> 24) < 200) continue;
      ++inked;
      if (((p >> 16) & 0xFF) > 2 * (p & 0xFF)) ++reddish;
    }
  size_t area = bitmap->width() * bitmap->height();
  EXPECT_GT(inked, area / 4);
  EXPECT_GT(reddish, inked / 2);  // the glyph's own colours, not the clear text colour

  EXPECT_EQ(imageWithEmoji("plain text", 32), nullptr);
  EXPECT_EQ(imageWithEmoji("", 32), nullptr);
  EXPECT_EQ(imageWithEmoji("\xF0\x9F\x8D\x8E", 0.5), nullptr);
}

TEST(ImageSources, TextOutlineStartsAtTheTopLeft) {
  auto font = typeset::Font::fontWithName("DejaVu Sans", 20);
  ASSERT_TRUE(font);
  EXPECT_EQ(bezierPathWithText("A", nullptr), nullptr);
  auto path = bezierPathWithText("HH", font);
  ASSERT_TRUE(path);
  gfx::Rect box = path->bounds();
  // Capitals stand on the baseline, one ascent below the top, and reach up to cap height.
  EXPECT_NEAR(box.origin.y + box.size.height, font->ascent(), 0.5);
  EXPECT_NEAR(box.size.height, font->capHeight(), 1.0);
  EXPECT_GT(box.origin.x, 0);
  EXPECT_LT(box.origin.x, 4);
  EXPECT_GT(box.size.width, font->advanceForGlyph(font->glyphForCharacter('H')));
  EXPECT_TRUE(path->containsPoint({box.origin.x + 1, box.origin.y + box.size.height / 2}));
}

}  // namespace
}  // namespace base
