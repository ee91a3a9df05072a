#include <gtest/gtest.h>
#include <unicode/ubrk.h>

#include <set>

#include "platform/typeset/Line.h"
#include "platform/typeset/TextBoundaries.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;
using typeset_test::text;

namespace {

// Grapheme boundaries straight from ICU's character rules, to check the line against.
std::vector<size_t> icuGraphemes(const rt::String& s) {
  std::vector<size_t> out;
  UErrorCode st = U_ZERO_ERROR;
  UBreakIterator* bi =
      ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.length()), &st);
  for (int32_t p = ubrk_first(bi); p != UBRK_DONE; p = ubrk_next(bi)) out.push_back(static_cast<size_t>(p));
  ubrk_close(bi);
  return out;
}

}  // namespace

// Caret stops follow grapheme clusters, never the shaper's clusters: no caret lands inside
// an emoji sequence, a flag, a base with its marks, a jamo syllable or CR LF, whatever fonts
// (fallbacks included) draw them.
TEST(LineQueries, CaretStopsAreGraphemeClusterBoundaries) {
  struct Case {
    const char16_t* text;
    size_t stops;  // grapheme clusters + 1
  } cases[] = {
      {u"a\U0001F468\u200D\U0001F469\u200D\U0001F467b", 4},    // family ZWJ sequence
      {u"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", 3},        // two flags
      {u"e\u0301\u0323x", 3},                                  // base with two marks
      {u"\u1100\u1161\u11A8\u1100\u1161", 3},                  // conjoining jamo syllables
      {u"a\r\nb", 4},                                          // CR LF is one cluster
      {u"\U0001F44D\U0001F3FD ok", 5},                         // emoji with a skin tone
      {u"office \uFB01 fi", 12},                               // ligatures in the font
  };
  for (const auto& c : cases) {
    rt::String s(c.text);
    auto line = Line::createWithAttributedString(*text(s, latin(16)));
    auto stops = line->caretStops();
    EXPECT_EQ(stops, icuGraphemes(s)) << s.utf8();
    EXPECT_EQ(stops.size(), c.stops) << s.utf8();
    std::set<size_t> stopSet(stops.begin(), stops.end());
    // Indices inside a cluster have the caret of the cluster's start.
    for (size_t i = 0; i < s.length(); ++i) {
      size_t owner = *std::prev(stopSet.upper_bound(i));
      EXPECT_DOUBLE_EQ(line->offsetForStringIndex(static_cast<int64_t>(i)),
                       line->offsetForStringIndex(static_cast<int64_t>(owner)))
          << s.utf8() << " @" << i;
    }
    // Carets advance strictly from stop to stop in this left-to-right text (a zero-width
    // cluster, such as CR LF, may share its neighbour's place).
    for (size_t k = 1; k + 1 < stops.size(); ++k)
      EXPECT_GE(line->offsetForStringIndex(static_cast<int64_t>(stops[k])),
                line->offsetForStringIndex(static_cast<int64_t>(stops[k - 1])))
          << s.utf8() << " stop " << k;
    // Hit testing across the whole line only ever answers a stop.
    for (double x = -2; x < line->width() + 2; x += 0.25) {
      TextAffinity a;
      int64_t i = line->stringIndexForPosition({x, 0}, &a);
      EXPECT_TRUE(stopSet.count(static_cast<size_t>(i))) << s.utf8() << " x=" << x << " -> " << i;
    }
    // Edges: two per cluster, in logical order, leading at or before trailing here.
    auto edges = line->caretOffsets();
    ASSERT_EQ(edges.size(), 2 * (stops.size() - 1)) << s.utf8();
    for (size_t k = 0; k + 1 < stops.size(); ++k) {
      EXPECT_EQ(edges[2 * k].index, static_cast<int64_t>(stops[k]));
      EXPECT_TRUE(edges[2 * k].leadingEdge);
      EXPECT_FALSE(edges[2 * k + 1].leadingEdge);
      EXPECT_LE(edges[2 * k].offset, edges[2 * k + 1].offset + 1e-9);
      EXPECT_DOUBLE_EQ(edges[2 * k].offset, line->offsetForStringIndex(static_cast<int64_t>(stops[k])));
    }
  }
}

// A ligature of two letters gets two carets, the second one inside its glyph.
TEST(LineQueries, LigaturesShareTheirWidthAmongTheirLetters) {
  auto line = Line::createWithAttributedString(*text(u"office", latin(20)));
  size_t glyphs = line->glyphCount();
  auto edges = line->caretOffsets();
  ASSERT_EQ(edges.size(), 12u);
  for (size_t k = 0; k + 1 < edges.size(); ++k) EXPECT_LE(edges[k].offset, edges[k + 1].offset + 1e-9);
  // Whether the font joins "ffi" or not, every letter gets a caret of its own width.
  for (size_t k = 0; k < 6; ++k) EXPECT_GT(edges[2 * k + 1].offset - edges[2 * k].offset, 1) << k << " of " << glyphs;
  EXPECT_DOUBLE_EQ(edges.back().offset, line->width());
}

// At a direction boundary the caret has two places: the leading edge of the character at the
// index and the trailing edge of the one before. Hit testing tells them apart by affinity.
TEST(LineQueries, BidiBoundariesHavePrimaryAndSecondaryCarets) {
  rt::String s(u"abc \u05D0\u05D1\u05D2 def");
  auto line = Line::createWithAttributedString(*text(s, latin(16)));
  // Visual order: "abc " | Hebrew (reversed) | " def".
  double hebrewLeft = 0, hebrewRight = 0;
  for (const auto& r : line->glyphRuns())
    if (r->isRightToLeft()) {
      hebrewLeft = r->positions().front().x;
      hebrewRight = hebrewLeft + r->width();
    }
  ASSERT_GT(hebrewRight, hebrewLeft);
  struct Row {
    int64_t index;
    double primary, secondary;
  } rows[] = {
      {4, hebrewRight, hebrewLeft},  // first Hebrew letter after a left-to-right space
      {7, hebrewRight, hebrewLeft},  // the space after the Hebrew: its own leading edge
      {5, 0, 0},                     // inside the Hebrew run: one caret (filled in below)
  };
  for (auto& row : rows) {
    double secondary = -1;
    double primary = line->offsetForStringIndex(row.index, &secondary);
    if (row.index == 5) {
      EXPECT_DOUBLE_EQ(primary, secondary);
      EXPECT_GT(primary, hebrewLeft);
      EXPECT_LT(primary, hebrewRight);
      continue;
    }
    EXPECT_NEAR(primary, row.primary, 1e-9) << row.index;
    EXPECT_NEAR(secondary, row.secondary, 1e-9) << row.index;
  }
  // Just right of the Hebrew run's left edge lies the end of the Hebrew text (index 7, the
  // trailing edge of its last letter): backward. Just right of its right edge lies the space
  // at 7's own leading edge: forward.
  TextAffinity a;
  EXPECT_EQ(line->stringIndexForPosition({hebrewLeft + 0.5, 0}, &a), 7);
  EXPECT_EQ(a, TextAffinity::Backward);
  EXPECT_EQ(line->stringIndexForPosition({hebrewRight + 0.5, 0}, &a), 7);
  EXPECT_EQ(a, TextAffinity::Forward);
  // Just left of its right edge: the first Hebrew letter's leading edge, forward.
  EXPECT_EQ(line->stringIndexForPosition({hebrewRight - 0.5, 0}, &a), 4);
  EXPECT_EQ(a, TextAffinity::Forward);
  // Past the line's ends.
  EXPECT_EQ(line->stringIndexForPosition({-10, 0}, &a), 0);
  EXPECT_EQ(a, TextAffinity::Forward);
  EXPECT_EQ(line->stringIndexForPosition({line->width() + 10, 0}, &a), static_cast<int64_t>(s.length()));
  EXPECT_EQ(a, TextAffinity::Backward);
}

// Word boundaries by ICU's rules: spaces and punctuation in alphabetic scripts, dictionaries
// for scripts written without spaces.
TEST(LineQueries, WordRangesByLanguage) {
  struct Case {
    const char16_t* text;
    const char* locale;
    size_t index;
    Range word;
  } cases[] = {
      {u"Hello, world!", "en", 1, {0, 5}},
      {u"Hello, world!", "en", 5, {5, 1}},
      {u"Hello, world!", "en", 9, {7, 5}},
      {u"don't stop", "en", 2, {0, 5}},
      {u"3.14 apples", "en", 1, {0, 4}},
      {u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35\u0E04\u0E23\u0E31\u0E1A", "th", 7, {6, 4}},  // สวัสดี|ครับ
      {u"\u6211\u4EEC\u662F\u5B66\u751F", "zh", 4, {3, 2}},                                 // 我们|是|学生
      {u"\u6211\u4EEC\u662F\u5B66\u751F", "zh", 0, {0, 2}},
      {u"\U0001F600 ok", "en", 1, {0, 2}},  // an astral character is never cut
      {u"abc", "en", 3, {3, 0}},
  };
  for (const auto& c : cases) {
    rt::String s(c.text);
    Range r = wordRangeAtIndex(s, c.index, rt::String(c.locale));
    EXPECT_EQ(r.location, c.word.location) << s.utf8() << " @" << c.index;
    EXPECT_EQ(r.length, c.word.length) << s.utf8() << " @" << c.index;
    auto bounds = wordBoundaries(s, rt::String(c.locale));
    EXPECT_EQ(bounds.front(), 0u);
    EXPECT_EQ(bounds.back(), s.length());
  }
  // Lone surrogates are answered, not crashed on.
  rt::String broken(std::u16string{u'a', char16_t(0xD800), u' ', char16_t(0xDC00), u'b'});
  EXPECT_EQ(wordBoundaries(broken).back(), 5u);
  EXPECT_EQ(graphemeBoundaries(broken).back(), 5u);
  auto line = Line::createWithAttributedString(*text(broken, latin(16)));
  EXPECT_EQ(line->caretStops().back(), 5u);
}
