#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/Typesetter.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;
using typeset_test::text;

TEST(Line, CaretOffsetsAndIndexLookupRoundTrip) {
  const char16_t* samples[] = {u"Hello 世界 news", u"مرحبا بالعالم", u"ab مرحبا cd"};
  for (const char16_t* p : samples) {
    rt::String s(p);
    auto line = Line::createWithAttributedString(*text(s, latin(16)));
    double previous = -1;
    bool pureLTR = s[0] == u'H';
    for (size_t i = 0; i <= s.length(); ++i) {
      double x = line->offsetForStringIndex(static_cast<int64_t>(i));
      EXPECT_GE(x, -1e-9);
      EXPECT_LE(x, line->width() + 1e-9);
      if (pureLTR) {
        EXPECT_GT(x, previous) << i;  // strictly advancing carets in one direction
      }
      previous = x;
      // A point just inside the caret's character side finds the caret again.
      if (i < s.length()) {
        bool rtl = false;
        for (const auto& r : line->glyphRuns())
          if (r->stringRange().contains(i)) rtl = r->isRightToLeft();
        double probe = rtl ? x - 0.01 : x + 0.01;
        EXPECT_EQ(line->stringIndexForPosition({probe, 0}), static_cast<int64_t>(i)) << s.utf8() << " " << i;
      }
    }
  }
  auto ltr = Line::createWithAttributedString(*text("abc", latin(16)));
  EXPECT_EQ(ltr->offsetForStringIndex(0), 0);
  EXPECT_DOUBLE_EQ(ltr->offsetForStringIndex(3), ltr->width());
  EXPECT_EQ(ltr->stringIndexForPosition({-5, 0}), 0);
  EXPECT_EQ(ltr->stringIndexForPosition({1e6, 0}), 3);
}

// Runs copy their glyphs out of the shaped text only when asked; whichever thread asks first,
// every reader sees the same arrays, laid end to end along the line.
TEST(Line, GlyphArraysFirstReadFromSeveralThreadsAgreeWithTheLine) {
  auto ts = Typesetter::create(*text(u"Bus 12 leaves 区政府 at 08:00, and 市民 welcome it. The river district, 记者 says.", latin(16)));
  for (size_t pos = 0; pos < ts->length();) {
    size_t n = ts->suggestLineBreak(pos, 120);
    auto line = ts->createLine(Range{pos, n});
    pos += n;
    std::vector<double> widths;  // taken before any glyph array exists
    for (const auto& run : line->glyphRuns()) widths.push_back(run->width());
    std::vector<std::vector<double>> seen(4);
    std::vector<std::thread> readers;
    for (auto& out : seen)
      readers.emplace_back([&line, &out] {
        for (const auto& run : line->glyphRuns()) {
          for (const auto& p : run->positions()) out.push_back(p.x);
          for (const auto& a : run->advances()) out.push_back(a.width);
          for (int64_t i : run->stringIndices()) out.push_back(static_cast<double>(i));
        }
      });
    for (auto& r : readers) r.join();
    for (const auto& out : seen) EXPECT_EQ(out, seen[0]);
    double pen = 0;
    for (size_t r = 0; r < line->glyphRuns().size(); ++r) {
      const auto& run = line->glyphRuns()[r];
      ASSERT_EQ(run->glyphs().size(), run->glyphCount());
      double sum = 0;
      for (size_t k = 0; k < run->glyphCount(); ++k) {
        EXPECT_NEAR(run->positions()[k].x, pen + sum, 1e-9);  // no marks here: no shaping offsets
        sum += run->advances()[k].width;
      }
      EXPECT_DOUBLE_EQ(sum, widths[r]);
      EXPECT_DOUBLE_EQ(run->width(), widths[r]);
      pen += sum;
    }
    EXPECT_NEAR(pen, line->width(), 1e-9);
  }
}

TEST(Line, TrailingWhitespaceAndBounds) {
  auto f = latin(16);
  auto bare = Line::createWithAttributedString(*text("news", f));
  auto spaced = Line::createWithAttributedString(*text("news   ", f));
  EXPECT_NEAR(spaced->trailingWhitespaceWidth(), 3 * f->advanceForGlyph(f->glyphForCharacter(U' ')), 1e-9);
  EXPECT_NEAR(spaced->width() - spaced->trailingWhitespaceWidth(), bare->width(), 1e-9);
  double a, d, l;
  EXPECT_EQ(bare->typographicBounds(&a, &d, &l), bare->width());
  EXPECT_NEAR(a, f->ascent(), 1e-9);
  EXPECT_NEAR(d, f->descent(), 1e-9);
  gfx::Rect ink = bare->imageBounds();
  EXPECT_GT(ink.size.width, 0);
  EXPECT_LE(ink.size.width, bare->width());
  EXPECT_NEAR(ink.origin.y, 0, 1);  // no descenders in "news"
  EXPECT_NEAR(ink.size.height, f->xHeight(), 1);
  EXPECT_DOUBLE_EQ(bare->penOffsetForFlush(0.5, bare->width() + 10), 5);
}

TEST(Line, TruncationWithToken) {
  auto f = latin(16);
  rt::String s = "Breaking news from the district council";
  auto line = Line::createWithAttributedString(*text(s, f));
  auto token = Line::createWithAttributedString(*text(u"\u2026", f));
  Glyph ellipsis = f->glyphForCharacter(0x2026);
  double width = line->width() / 2;
  struct Case {
    TruncationType type;
    bool tokenFirst, tokenLast;
  } cases[] = {{TruncationType::End, false, true}, {TruncationType::Start, true, false}, {TruncationType::Middle, false, false}};
  for (const auto& c : cases) {
    auto t = line->createTruncatedLine(width, c.type, token);
    ASSERT_TRUE(t);
    EXPECT_LE(t->width(), width + 1e-9);
    EXPECT_GT(t->width(), width - 3 * f->pointSize());  // filled, not just the token
    const auto& runs = t->glyphRuns();
    EXPECT_EQ(runs.front()->glyphs().front() == ellipsis, c.tokenFirst);
    EXPECT_EQ(runs.back()->glyphs().back() == ellipsis, c.tokenLast);
    int tokens = 0;
    for (const auto& r : runs)
      for (Glyph g : r->glyphs()) tokens += g == ellipsis;
    EXPECT_EQ(tokens, 1);
  }
  auto fits = line->createTruncatedLine(line->width() + 1, TruncationType::End, token);
  EXPECT_DOUBLE_EQ(fits->width(), line->width());
  EXPECT_FALSE(line->createTruncatedLine(token->width() / 2, TruncationType::End, token));
}

TEST(Line, JustifiedLinesFillTheWidth) {
  auto line = Line::createWithAttributedString(*text("one two three", latin(16)));
  auto j = line->createJustifiedLine(1.0, line->width() + 30);
  ASSERT_TRUE(j);
  EXPECT_NEAR(j->width(), line->width() + 30, 1e-9);
  auto half = line->createJustifiedLine(0.5, line->width() + 30);
  EXPECT_NEAR(half->width(), line->width() + 15, 1e-9);
  EXPECT_FALSE(line->createJustifiedLine(1.0, line->width() - 5));
  EXPECT_FALSE(line->createJustifiedLine(0, line->width() + 30));
}

TEST(Line, KernAndBaselineOffsetAttributes) {
  auto f = latin(16);
  auto plain = Line::createWithAttributedString(*text("abcd", f));
  auto s = MutableAttributedString::create("abcd", typeset_test::attrs(f));
  s->addAttribute(KernAttributeName, fd::Number::numberWithDouble(2), Range{0, 4});
  s->addAttribute(BaselineOffsetAttributeName, fd::Number::numberWithDouble(5), Range{0, 4});
  auto kerned = Line::createWithAttributedString(*s);
  EXPECT_NEAR(kerned->width(), plain->width() + 8, 1e-9);
  EXPECT_NEAR(kerned->ascent(), plain->ascent() + 5, 1e-9);
  EXPECT_NEAR(kerned->glyphRuns()[0]->positions()[0].y, 5, 1e-9);
}
