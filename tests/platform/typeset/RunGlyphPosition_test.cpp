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
