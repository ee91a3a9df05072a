#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Line.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;
using typeset_test::latin;
using typeset_test::text;

namespace {

std::vector<Glyph> allGlyphs(const Line& line) {
  std::vector<Glyph> out;
  for (const auto& r : line.glyphRuns()) out.insert(out.end(), r->glyphs().begin(), r->glyphs().end());
  return out;
}

}  // namespace

TEST(Shaping, LatinWithAndWithoutLigatures) {
  auto f = latin(20);
  auto plain = Line::createWithAttributedString(*text("office", f));
  ASSERT_EQ(plain->glyphRuns().size(), 1u);
  const auto& run = plain->glyphRuns()[0];
  EXPECT_EQ(run->font()->familyName(), "DejaVu Sans");
  EXPECT_EQ(run->status() & RunStatusRightToLeft, 0u);
  EXPECT_EQ(run->stringRange(), (Range{0, 6}));
  auto noLig = MutableAttributedString::create("office", typeset_test::attrs(f));
  noLig->addAttribute(LigatureAttributeName, fd::Number::numberWithInt(0), Range{0, 6});
  auto separate = Line::createWithAttributedString(*noLig);
  auto glyphs = allGlyphs(*separate);
  ASSERT_EQ(glyphs.size(), 6u);
  const char16_t* s = u"office";
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(glyphs[i], f->glyphForCharacter(s[i]));
  // The default shaping forms the ffi/fi ligature where the face has one.
  EXPECT_LE(plain->glyphCount(), separate->glyphCount());
  // Indices are ascending and positions follow advances.
  const auto& r = separate->glyphRuns()[0];
  for (size_t i = 0; i < r->glyphCount(); ++i) {
    EXPECT_EQ(r->stringIndices()[i], static_cast<int64_t>(i));
    if (i) {
      EXPECT_NEAR(r->positions()[i].x, r->positions()[i - 1].x + r->advances()[i - 1].width, 1e-9);
    }
  }
}

TEST(Shaping, ChineseFallsBackPerRunAndMeasuresAsTheSumOfAdvances) {
  auto f = latin(16);
  rt::String s = u"新闻2024年";
  auto line = Line::createWithAttributedString(*text(s, f));
  // Chinese in the CJK face, digits in the Latin one.
  ASSERT_EQ(line->glyphRuns().size(), 3u);
  auto zh = cjk(16);
  double manual = 0;
  for (size_t i = 0; i < s.length(); ++i) {
    char32_t c = s[i];
    Ref<Font> g = f->fallbackForCharacter(c);
    manual += g->advanceForGlyph(g->glyphForCharacter(c));
  }
  EXPECT_NEAR(line->width(), manual, 1e-6);
  EXPECT_EQ(line->glyphRuns()[0]->font()->familyName(), zh->familyName());
  EXPECT_EQ(line->glyphRuns()[1]->font()->familyName(), "DejaVu Sans");
  EXPECT_EQ(line->glyphRuns()[0]->stringRange(), (Range{0, 2}));
  EXPECT_EQ(line->glyphRuns()[2]->stringRange(), (Range{6, 1}));
  for (const auto& r : line->glyphRuns())
    for (Glyph g : r->glyphs()) EXPECT_NE(g, 0);
  EXPECT_GE(line->ascent(), zh->ascent());
}

TEST(Shaping, ArabicIsRightToLeftWithJoinedForms) {
  rt::String s = u"مرحبا";
  auto f = latin(20);
  auto line = Line::createWithAttributedString(*text(s, f));
  ASSERT_EQ(line->glyphRuns().size(), 1u);
  const auto& run = line->glyphRuns()[0];
  EXPECT_TRUE(run->status() & RunStatusRightToLeft);
  EXPECT_TRUE(line->isRightToLeftParagraph());
  ASSERT_EQ(run->glyphCount(), 5u);
  // Visual order: the first character is at the right end.
  EXPECT_EQ(run->stringIndices().front(), 4);
  EXPECT_EQ(run->stringIndices().back(), 0);
  // Contextual forms replace the nominal (isolated) glyphs of joining letters.
  int changed = 0;
  for (size_t i = 0; i < 5; ++i)
    if (run->glyphs()[i] != f->glyphForCharacter(s[static_cast<size_t>(run->stringIndices()[i])])) ++changed;
  EXPECT_GE(changed, 3);
}

TEST(Shaping, MixedDirectionsReorderRuns) {
  rt::String s = u"abc مرحبا def";
  auto line = Line::createWithAttributedString(*text(s, latin(14)));
  const auto& runs = line->glyphRuns();
  ASSERT_GE(runs.size(), 3u);
  EXPECT_FALSE(line->isRightToLeftParagraph());
  EXPECT_EQ(runs.front()->stringRange().location, 0u);
  EXPECT_EQ(runs.back()->stringRange().end(), s.length());
  bool sawRTL = false;
  for (const auto& r : runs) sawRTL |= r->isRightToLeft();
  EXPECT_TRUE(sawRTL);
  // Visual positions increase run after run.
  for (size_t i = 1; i < runs.size(); ++i) EXPECT_GT(runs[i]->positions()[0].x, runs[i - 1]->positions()[0].x);
}

TEST(Shaping, CombiningMarksVariationSelectorsAndJoinersStayInTheirCluster) {
  struct Case {
    const char16_t* text;
    size_t clusters;
  } cases[] = {
      {u"e\u0301a", 2},                         // combining acute
      {u"\u2764\uFE0F\u2764\uFE0E", 2},         // emoji and text presentation selectors
      {u"\U0001F468\u200D\U0001F469", 1},       // a joiner sequence
  };
  for (const auto& c : cases) {
    rt::String s(c.text);
    auto line = Line::createWithAttributedString(*text(s, latin(16)));
    std::set<int64_t> starts;
    for (const auto& r : line->glyphRuns()) starts.insert(r->stringIndices().begin(), r->stringIndices().end());
    // No glyph starts inside a composed character sequence.
    for (int64_t i : starts) EXPECT_EQ(s.rangeOfComposedCharacterSequenceAtIndex(static_cast<size_t>(i)).location, static_cast<uint64_t>(i));
    EXPECT_EQ(s.composedCharacterCount(), c.clusters);
    EXPECT_EQ(line->stringRange(), (Range{0, s.length()}));
  }
}
