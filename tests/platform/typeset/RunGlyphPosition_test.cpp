// One glyph's position asked of a run before anything copied its arrays must be the one the
// arrays hold once copied: marks with shaping offsets, raised text, right-to-left runs, runs
// after the first, and tab runs (which lay out from their copied arrays).
#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Line.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;

namespace {

Ref<AttributedString> sample(const rt::String& s) {
  auto t = MutableAttributedString::create(s, typeset_test::attrs(latin(16)));
  // A raised middle stretch in another font gives a run with a baseline shift.
  if (s.length() > 6) {
    t->addAttribute(FontAttributeName, typeset_test::cjk(14), rt::Range{2, 3});
    t->addAttribute(BaselineOffsetAttributeName, fd::Number::numberWithDouble(3.5), rt::Range{2, 3});
  }
  return t;
}

}  // namespace

TEST(RunGlyphPosition, MatchesTheCopiedPositions) {
  const char16_t* samples[] = {u"Cafe\u0301 na\u0308ive e\u0301e\u0301", u"ab 区里新闻 cd", u"\u0645\u0631\u062D\u0628\u0627 news \u0628\u0627\u0644",
                               u"a\tb\tcolumn", u"x"};
  for (const char16_t* p : samples) {
    const rt::String s(p);
    auto asked = Line::createWithAttributedString(*sample(s));
    auto copied = Line::createWithAttributedString(*sample(s));
    ASSERT_EQ(asked->glyphRuns().size(), copied->glyphRuns().size()) << s.utf8();
    size_t checked = 0;
    for (size_t r = 0; r < asked->glyphRuns().size(); ++r) {
      const auto& a = asked->glyphRuns()[r];
      const auto& c = copied->glyphRuns()[r];
      ASSERT_EQ(a->glyphCount(), c->glyphCount());
      // Asked from the last glyph down, so no earlier answer could have copied the arrays.
      for (size_t k = a->glyphCount(); k-- > 0;) {
        const gfx::Point q = a->glyphPosition(k);
        EXPECT_DOUBLE_EQ(q.x, c->positions()[k].x) << s.utf8() << " run " << r << " glyph " << k;
        EXPECT_DOUBLE_EQ(q.y, c->positions()[k].y) << s.utf8() << " run " << r << " glyph " << k;
        ++checked;
      }
      // Once copied, the arrays answer the same.
      for (size_t k = 0; k < a->glyphCount(); ++k) EXPECT_DOUBLE_EQ(a->positions()[k].x, a->glyphPosition(k).x);
    }
    EXPECT_GT(checked, 0u) << s.utf8();
  }
}

TEST(RunGlyphPosition, BaselineShiftCounts) {
  auto line = Line::createWithAttributedString(*sample(u"ab 区里新闻 cd"));
  bool raised = false;
  for (const auto& run : line->glyphRuns())
    if (run->stringRange().contains(3)) raised = run->glyphPosition(0).y == 3.5;
  EXPECT_TRUE(raised);
}

// Positions can be asked for alone; the arrays copied afterwards agree with a run whose
// arrays were all copied at once, whichever is asked first.
TEST(RunGlyphPosition, PositionsAloneThenTheRestAgreeWithAllAtOnce) {
  const char16_t* samples[] = {u"Cafe\u0301 na\u0308ive", u"ab 区里新闻 cd", u"\u0645\u0631\u062D\u0628\u0627 news", u"a\tb\tc"};
  for (const char16_t* p : samples) {
    const rt::String s(p);
    auto first = Line::createWithAttributedString(*sample(s));
    auto whole = Line::createWithAttributedString(*sample(s));
    for (size_t r = 0; r < first->glyphRuns().size(); ++r) {
      const auto& a = first->glyphRuns()[r];
      const auto& b = whole->glyphRuns()[r];
      ASSERT_EQ(b->glyphs().size(), b->glyphCount());  // everything copied at once
      const std::vector<gfx::Point> positions = a->positions();
      ASSERT_EQ(positions.size(), a->glyphCount()) << s.utf8();
      EXPECT_EQ(a->glyphs(), b->glyphs()) << s.utf8();
      EXPECT_EQ(a->stringIndices(), b->stringIndices()) << s.utf8();
      for (size_t k = 0; k < a->glyphCount(); ++k) {
        EXPECT_EQ(positions[k].x, b->positions()[k].x) << s.utf8() << " " << k;
        EXPECT_EQ(positions[k].y, b->positions()[k].y) << s.utf8() << " " << k;
        EXPECT_EQ(a->positions()[k].x, positions[k].x);  // unchanged by the later copy
        EXPECT_EQ(a->advances()[k].width, b->advances()[k].width);
      }
    }
  }
}
