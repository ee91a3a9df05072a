#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/typeset/Framesetter.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;
using typeset_test::text;

namespace {

const char16_t* kParagraph =
    u"区里的新闻每天更新。The district news is updated every day, with 图片 and video from 本地记者 on the ground. "
    u"读者可以在频道之间切换，也可以收藏文章。";

Ref<gfx::Context> bitmap(size_t w, size_t h) {
  return gfx::Context::createBitmap(nullptr, w, h, 8, 0, gfx::ColorSpace::deviceRGB(), 0x2002);
}

}  // namespace

TEST(Framesetter, RectangleFramesStackLinesFromTheTop) {
  auto fs = Framesetter::create(*text(kParagraph, latin(14)));
  auto frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, 200, 1000)));
  const auto& lines = frame->lines();
  ASSERT_GT(lines.size(), 3u);
  auto origins = frame->lineOrigins();
  ASSERT_EQ(origins.size(), lines.size());
  EXPECT_NEAR(origins[0].y, 1000 - lines[0]->ascent(), 1e-6);
  size_t next = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i]->stringRange().location, next);
    next = lines[i]->stringRange().end();
    EXPECT_LE(lines[i]->width() - lines[i]->trailingWhitespaceWidth(), 200 + 1e-6);
    if (i) {
      double a, d, l;
      lines[i - 1]->typographicBounds(&a, &d, &l);
      EXPECT_NEAR(origins[i - 1].y - origins[i].y, d + l + lines[i]->ascent(), 1e-6);
    }
  }
  EXPECT_EQ(frame->visibleStringRange(), (Range{0, rt::String(kParagraph).length()}));

  // A short box shows only what fits; the suggested size holds all of it.
  auto cut = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, 200, 40)));
  EXPECT_LT(cut->visibleStringRange().length, frame->visibleStringRange().length);
  Range fit;
  gfx::Size size = fs->suggestFrameSizeWithConstraints(Range{0, 0}, nullptr, {200, 1e300}, &fit);
  EXPECT_EQ(fit, frame->visibleStringRange());
  EXPECT_LE(size.width, 200);
  auto exact = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, 200, size.height)));
  EXPECT_EQ(exact->lines().size(), lines.size());
}

TEST(Framesetter, ShapesAndExclusionsNarrowTheLines) {
  auto fs = Framesetter::create(*text(kParagraph, latin(12)));
  auto circle = gfx::Path::createWithEllipseInRect(gfx::RectMake(0, 0, 300, 300));
  auto frame = fs->createFrame(Range{0, 0}, circle);
  ASSERT_GT(frame->lines().size(), 2u);
  auto origins = frame->lineOrigins();
  for (size_t i = 0; i < frame->lines().size(); ++i) {
    // Both ends of every line lie inside the circle.
    double y = origins[i].y;
    double x0 = origins[i].x, x1 = x0 + frame->lines()[i]->width() - frame->lines()[i]->trailingWhitespaceWidth();
    for (double x : {x0, x1}) EXPECT_LE(std::hypot(x - 150, y - 150), 151) << i;
  }
  EXPECT_GT(origins[0].x, 30);  // the top of a circle is narrow

  // A hole in the middle by the even-odd rule, or a clipping path: no ink crosses it.
  auto ring = gfx::MutablePath::create();
  ring->addRect(gfx::RectMake(0, 0, 300, 300));
  ring->addRect(gfx::RectMake(100, 0, 100, 300));
  auto clip = fd::Array::create({gfx::Path::createWithRect(gfx::RectMake(100, 0, 100, 300))});
  for (auto [path, attrs] : {std::pair<Ref<gfx::Path>, Ref<fd::Dictionary>>{ring, nullptr},
                             {gfx::Path::createWithRect(gfx::RectMake(0, 0, 300, 300)),
                              fd::Dictionary::withStrings({{FrameClippingPathsAttributeName, clip}})}}) {
    auto holed = fs->createFrame(Range{0, 0}, path, attrs);
    ASSERT_GT(holed->lines().size(), 2u);
    auto o = holed->lineOrigins();
    for (size_t i = 0; i < o.size(); ++i) {
      double x0 = o[i].x, x1 = x0 + holed->lines()[i]->width() - holed->lines()[i]->trailingWhitespaceWidth();
      EXPECT_TRUE(x1 <= 100 + 1e-6 || x0 >= 200 - 1e-6) << x0 << ".." << x1;
    }
  }
}

TEST(Framesetter, RenderedParagraphInksInsideItsLineBoxes) {
  auto fs = Framesetter::create(*text(kParagraph, latin(14)));
  gfx::Rect box = gfx::RectMake(10, 10, 200, 160);
  auto frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(box));
  auto ctx = bitmap(220, 180);
  ctx->setRGBFillColor(0, 0, 0, 1);
  frame->draw(*ctx);
  auto origins = frame->lineOrigins();
  std::vector<std::pair<double, double>> bands;  // device rows, top and bottom
  for (size_t i = 0; i < origins.size(); ++i) {
    double base = box.origin.y + origins[i].y;
    const auto& line = frame->lines()[i];
    bands.push_back({180 - (base + line->ascent()), 180 - (base - line->descent())});
  }
  std::vector<int> inkPerLine(bands.size(), 0);
  int stray = 0;
  for (size_t y = 0; y < 180; ++y)
    for (size_t x = 0; x < 220; ++x) {
      if ((ctx->pixelAt(x, y) >> 24) == 0) continue;
      bool inside = false;
      for (size_t i = 0; i < bands.size(); ++i)
        if (y + 1 >= bands[i].first && y <= bands[i].second + 1) {
          inside = true;
          ++inkPerLine[i];
        }
      if (!inside || x < 9 || x > 211) ++stray;
    }
  EXPECT_EQ(stray, 0);
  for (size_t i = 0; i < inkPerLine.size(); ++i) EXPECT_GT(inkPerLine[i], 50) << "line " << i;
}
