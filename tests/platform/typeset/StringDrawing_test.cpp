#include <gtest/gtest.h>

#include "platform/typeset/Line.h"
#include "platform/typeset/StringDrawing.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;
using typeset_test::text;

namespace {
const char16_t* kHeadline = u"今日要闻：区政府宣布新的公共交通计划，市民反响热烈 and more";
}

TEST(StringDrawing, BoundingRectSingleAndMultiLine) {
  auto f = latin(16);
  auto s = text(kHeadline, f);
  auto line = Line::createWithAttributedString(*s);
  gfx::Rect single = boundingRectWithSize(*s, {1e300, 1e300}, 0);
  EXPECT_NEAR(single.size.width, line->width(), 1e-6);
  EXPECT_NEAR(single.origin.y, -line->ascent(), 1e-6);

  gfx::Rect wrapped = boundingRectWithSize(*s, {120, 1e300}, StringDrawingUsesLineFragmentOrigin);
  size_t lines = numberOfLines(*s, 120);
  EXPECT_GT(lines, 2u);
  EXPECT_LE(wrapped.size.width, 120);
  // The height is the sum of the wrapped lines' ascents and descents.
  auto ts = Typesetter::create(*s);
  double manual = 0;
  size_t count = 0;
  for (size_t pos = 0; pos < s->length(); ++count) {
    size_t n = ts->suggestLineBreak(pos, 120);
    auto l = ts->createLine(Range{pos, n});
    manual += l->ascent() + l->descent();
    pos += n;
  }
  EXPECT_EQ(count, lines);
  EXPECT_NEAR(wrapped.size.height, manual, 1e-6);
  gfx::Rect withLeading = boundingRectWithSize(*s, {120, 1e300}, StringDrawingUsesLineFragmentOrigin | StringDrawingUsesFontLeading);
  EXPECT_GE(withLeading.size.height, wrapped.size.height);

  // Truncating the last visible line limits the height to whole lines that fit.
  double lineHeight = line->ascent() + line->descent() + line->leading();
  gfx::Rect capped = boundingRectWithSize(*s, {120, lineHeight * 2.5}, 35);
  EXPECT_GT(capped.size.height, lineHeight * 1.5);
  EXPECT_LE(capped.size.height, lineHeight * 2.5);
  EXPECT_EQ(boundingRectWithSize(*text("", f), {100, 100}, 3), gfx::RectZero);

  gfx::Size one = sizeWithAttributes("abc", typeset_test::attrs(f));
  EXPECT_NEAR(one.width, Line::createWithAttributedString(*text("abc", f))->width(), 1e-6);
}

TEST(StringDrawing, LabelLinesTruncationAndLineSpacing) {
  auto f = latin(16);
  auto s = MutableAttributedString::create(kHeadline, typeset_test::attrs(f));
  auto ps = MutableParagraphStyle::create();
  ps->setLineSpacing(15);
  s->addAttribute(ParagraphStyleAttributeName, ps, Range{0, s->length()});
  LabelLayout two = layOutLabel(*s, {120, 1e300}, 2, LineBreakMode::ByTruncatingTail);
  ASSERT_EQ(two.layout.lines.size(), 2u);
  Glyph ellipsis = f->glyphForCharacter(0x2026);
  const auto& last = two.layout.lines.back().line;
  EXPECT_EQ(last->glyphRuns().back()->glyphs().back(), ellipsis);
  EXPECT_LE(last->width(), 120 + 1e-6);
  double h0 = two.layout.lines[0].height;
  EXPECT_NEAR(two.layout.lines[1].top - two.layout.lines[0].top, h0 + 15, 1e-6);
  EXPECT_NEAR(two.size.height, two.layout.lines[1].top + two.layout.lines[1].height, 1e-9);

  LabelLayout all = layOutLabel(*s, {120, 1e300}, 0, LineBreakMode::ByTruncatingTail);
  EXPECT_EQ(all.layout.lines.size(), numberOfLines(*s, 120));
  EXPECT_EQ(all.layout.end, s->length());
  LabelLayout one = layOutLabel(*s, {120, 1e300}, 1, LineBreakMode::ByTruncatingTail);
  ASSERT_EQ(one.layout.lines.size(), 1u);
  EXPECT_NEAR(one.firstBaseline, one.layout.lines[0].line->ascent(), 1e-9);

  double scale = scaleToFitWidth(*s, 100, 0.1);
  EXPECT_LT(scale, 1);
  auto smaller = MutableAttributedString::create(kHeadline, typeset_test::attrs(latin(16 * scale)));
  auto line = Line::createWithAttributedString(*smaller);
  EXPECT_LE(line->width() - line->trailingWhitespaceWidth(), 100 + 0.5);
  EXPECT_EQ(scaleToFitWidth(*s, 1e6, 0.5), 1);
}

TEST(StringDrawing, DrawInRectInksTheRectInAYDownContext) {
  auto ctx = gfx::Context::createForImage({100, 60}, false, 1);
  ASSERT_TRUE(ctx);
  auto f = latin(14);
  auto attrs = fd::Dictionary::withStrings({{FontAttributeName, f}, {ForegroundColorAttributeName, gfx::Color::redColor()}});
  drawInRect(rt::String(kHeadline), *ctx, gfx::RectMake(10, 10, 80, 40), attrs);
  int inside = 0, outside = 0;
  for (size_t y = 0; y < 60; ++y)
    for (size_t x = 0; x < 100; ++x) {
      uint32_t p = ctx->pixelAt(x, y);
      if ((p >> 24) == 0) continue;
      EXPECT_GE((p >> 16) & 0xFF, p & 0xFF);  // red ink
      bool in = x >= 9 && x <= 91 && y >= 9 && y <= 51;
      in ? ++inside : ++outside;
    }
  EXPECT_GT(inside, 100);
  EXPECT_EQ(outside, 0);
  // The first line's ink starts near the top of the rect, not the bottom.
  bool topInk = false;
  for (size_t x = 0; x < 100 && !topInk; ++x)
    for (size_t y = 10; y < 10 + static_cast<size_t>(f->ascent() + f->descent()); ++y)
      if (ctx->pixelAt(x, y) >> 24) topInk = true;
  EXPECT_TRUE(topInk);
}

TEST(StringDrawing, EmojiFallsBackToAColourFaceAndDrawsInColour) {
  // The Latin face has a plain smiley of its own; emoji presentation still asks for colour,
  // and U+FE0E asks for the plain one.
  auto f = latin(24);
  auto colourRuns = [&](const rt::String& s) {
    int n = 0;
    auto line = Line::createWithAttributedString(*text(s, f));
    for (const auto& run : line->glyphRuns())
      n += (run->font()->symbolicTraits() & FontTraitColorGlyphs) != 0;
    return n;
  };
  EXPECT_EQ(colourRuns(u"a\U0001F600b"), 1);
  EXPECT_EQ(colourRuns(u"a\U0001F600\uFE0Eb"), 0);
  EXPECT_FALSE(f->symbolicTraits() & FontTraitColorGlyphs);

  auto ctx = gfx::Context::createForImage({120, 40}, false, 1);
  ASSERT_TRUE(ctx);
  auto attrs = fd::Dictionary::withStrings({{FontAttributeName, f}, {ForegroundColorAttributeName, gfx::Color::blackColor()}});
  drawInRect(rt::String(u"a\U0001F600b"), *ctx, gfx::RectMake(0, 0, 120, 40), attrs);
  // Black text ink is grey at most; the face's yellow shows only if the picture was drawn.
  int coloured = 0;
  for (size_t y = 0; y < 40; ++y)
    for (size_t x = 0; x < 120; ++x) {
      uint32_t p = ctx->pixelAt(x, y);
      int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if ((p >> 24) > 200 && r > 150 && g > 100 && b < 80) ++coloured;
    }
  EXPECT_GT(coloured, 50);
}
