#include <gtest/gtest.h>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/RecordingContext.h"
#include "platform/typeset/Hyphenator.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/Typesetter.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;

namespace {

Ref<AttributedString> withStyle(const rt::String& s, const Ref<ParagraphStyle>& style) {
  return AttributedString::create(
      s, fd::Dictionary::withStrings({{FontAttributeName, latin(16)}, {ParagraphStyleAttributeName, style}}));
}

Ref<MutableParagraphStyle> styleWithTabs(std::vector<Ref<TextTab>> tabs, double interval = 0) {
  auto style = rt::as<MutableParagraphStyle>(ParagraphStyle::defaultParagraphStyle()->mutableCopy());
  style->setTabStops(std::move(tabs));
  style->setDefaultTabInterval(interval);
  return style;
}

double width(const rt::String& s) { return Line::createWithAttributedString(*typeset_test::text(s, latin(16)))->width(); }

}  // namespace

TEST(TabStops, TabsReachTheStopsOfTheirParagraph) {
  struct Case {
    const char* name;
    Ref<ParagraphStyle> style;
    rt::String text;
    size_t index;     // the character whose caret is checked
    double expected;  // its caret offset
  };
  const Case cases[] = {
      {"default stops every 28", ParagraphStyle::defaultParagraphStyle(), u"a\tb", 2, 28},
      {"second default stop", ParagraphStyle::defaultParagraphStyle(), u"abcdefghij\tb", 11, 28 * (1 + std::floor(width("abcdefghij") / 28))},
      {"left stop", styleWithTabs({TextTab::create(TextAlignment::Left, 100)}), u"a\tb", 2, 100},
      {"right stop ends the text there", styleWithTabs({TextTab::create(TextAlignment::Right, 200)}), u"x\t12", 2, 200 - width("12")},
      {"centred stop", styleWithTabs({TextTab::create(TextAlignment::Center, 150)}), u"x\t1234", 2, 150 - width("1234") / 2},
      {"interval past the stops", styleWithTabs({}, 50), u"\t\ta", 2, 100},
      {"stops given out of order", styleWithTabs({TextTab::create(TextAlignment::Left, 90), TextTab::create(TextAlignment::Left, 40)}), u"\t\tz", 2, 90},
  };
  for (const auto& c : cases) {
    auto ts = Typesetter::create(*withStyle(c.text, c.style));
    auto line = ts->createLine(Range{0, 0});
    EXPECT_NEAR(line->offsetForStringIndex(static_cast<int64_t>(c.index)), c.expected, 1e-6) << c.name;
  }
}

TEST(TabStops, IndentCountsTowardsTheStopAndBreaksSeeTabWidths) {
  auto ts = Typesetter::create(*withStyle(u"a\tb", styleWithTabs({TextTab::create(TextAlignment::Left, 100)})));
  // A line that starts 30 points in reaches the same stop 30 points sooner.
  EXPECT_NEAR(ts->createLine(Range{0, 0}, 30)->offsetForStringIndex(2), 70, 1e-6);
  // The tab makes "b" overflow 60 points, so the line breaks after the tab.
  EXPECT_EQ(ts->suggestLineBreak(0, 60), 2u);
  EXPECT_EQ(ts->suggestLineBreak(0, 200), 3u);
}

TEST(TabStops, ATabReachesItsStopDownAColumnToo) {
  // In vertical forms the tab still reaches the stop along the line.
  for (bool vertical : {false, true}) {
    auto s = MutableAttributedString::create(
        u"\u4E2D\t\u6587", fd::Dictionary::withStrings({{FontAttributeName, typeset_test::cjk(16)},
                                                       {ParagraphStyleAttributeName, styleWithTabs({}, 50)}}));
    if (vertical) s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, 3});
    auto line = Typesetter::create(*s)->createLine(Range{0, 0});
    ASSERT_TRUE(line->glyphRuns()[0]->isVertical() == vertical);
    EXPECT_NEAR(line->offsetForStringIndex(2), 50, 1e-6) << vertical;
    EXPECT_NEAR(line->width(), 50 + 16, 1e-6) << vertical;
  }
}

TEST(TabStops, ATabDrawsNoGlyph) {
  // Whatever the font holds for a tab (often nothing: its missing-glyph box), nothing is drawn
  // in the gap; the glyphs shown are those of the other characters.
  for (bool vertical : {false, true}) {
    auto s = MutableAttributedString::create(u"ab\tc\td", typeset_test::attrs(latin(16)));
    if (vertical) s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, 6});
    auto line = Line::createWithAttributedString(*s);
    const auto& run = *line->glyphRuns()[0];
    ASSERT_EQ(run.glyphCount(), 6u);
    auto ctx = gfx::RecordingContext::create({300, 300}, 1);
    line->draw(*ctx, {10, 100});
    size_t glyphs = 0;
    for (const auto& c : ctx->commands())
      if (c.name == "showGlyphsAtPositions") glyphs += c.glyphs.size();
    EXPECT_EQ(glyphs, 4u) << vertical;
    // The tab leaves no ink, so the line's ink box is that of its letters.
    EXPECT_TRUE(gfx::RectIsNull(run.imageBounds(Range{2, 1}))) << vertical;
  }
}

TEST(WritingDirection, EmbeddingsAndOverridesSetTheLevels) {
  auto make = [](const rt::String& s, std::vector<int64_t> dirs) {
    auto array = fd::MutableArray::create();
    for (int64_t d : dirs) array->addObject(fd::Number::numberWithInteger(d));
    return Typesetter::create(*AttributedString::create(
        s, fd::Dictionary::withStrings({{FontAttributeName, latin(16)}, {WritingDirectionAttributeName, array}})));
  };
  struct Case {
    const char* name;
    rt::String text;
    std::vector<int64_t> dirs;
    uint8_t level;
  };
  const Case cases[] = {
      {"right-to-left override of Latin", u"abc", {3}, 1},
      {"right-to-left embedding keeps Latin left-to-right", u"abc", {1}, 2},
      {"left-to-right override of Hebrew", u"\u05D0\u05D1\u05D2", {2}, 2},
      {"nested: override inside an embedding", u"abc", {1, 3}, 3},
  };
  for (const auto& c : cases) {
    auto ts = make(c.text, c.dirs);
    for (size_t i = 0; i < c.text.length(); ++i) EXPECT_EQ(ts->shapedText()->levels[i], c.level) << c.name;
  }
  // An overridden Latin word runs right to left: its first letter is drawn rightmost.
  auto line = make(u"abc", {3})->createLine(Range{0, 0});
  ASSERT_EQ(line->glyphRuns().size(), 1u);
  EXPECT_TRUE(line->glyphRuns()[0]->isRightToLeft());
  EXPECT_GT(line->offsetForStringIndex(0), line->offsetForStringIndex(2));
}

TEST(Hyphenation, PointsFromTheSystemPatterns) {
  auto points = hyphenationPoints(u"hyphenation", u"en-US");
  ASSERT_FALSE(points.empty());
  for (size_t p : points) {
    EXPECT_GE(p, 2u);
    EXPECT_LE(p + 2, 11u);
  }
  EXPECT_NE(std::find(points.begin(), points.end(), 2u), points.end());  // hy-phen-ation
  EXPECT_TRUE(hyphenationPoints(u"中文字符", u"en").empty());
  EXPECT_TRUE(hyphenationPoints(u"word2vec", u"en").empty());
  EXPECT_TRUE(hyphenationPoints(u"hyphenation", u"xx").empty());
}

TEST(Hyphenation, LinesBreakInsideWordsOnlyWhenTheFactorAsks) {
  auto lineOf = [](float factor) {
    auto style = rt::as<MutableParagraphStyle>(ParagraphStyle::defaultParagraphStyle()->mutableCopy());
    style->setHyphenationFactor(factor);
    auto ts = Typesetter::create(*withStyle(u"a representation", style));
    double w = width(u"a representa");  // room for "a " and part of the long word only
    size_t n = ts->suggestLineBreak(0, w);
    return std::make_pair(n, ts->createLine(Range{0, n}));
  };
  auto [plain, plainLine] = lineOf(0);
  EXPECT_EQ(plain, 2u);  // before the word
  auto [hyph, hyphLine] = lineOf(1);
  EXPECT_GT(hyph, 2u);
  EXPECT_LT(hyph, 16u);
  // The hyphen is drawn after the cut: one glyph more than the characters of the line.
  EXPECT_EQ(hyphLine->glyphCount(), hyph + 1);
  EXPECT_EQ(hyphLine->stringRange().length, hyph);
  EXPECT_LE(hyphLine->width(), width(u"a representa") + 1e-6);
}
