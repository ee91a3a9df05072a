#include <gtest/gtest.h>

#include "platform/runtime/String.h"

using rt::Range;
using rt::String;

namespace {
const char16_t* kFamily = u"👨\u200D👩\u200D👧";  // ZWJ sequence, 8 units
}

TEST(StringComposed, SequenceAtIndex) {
  struct Case {
    std::u16string s;
    size_t index;
    Range expected;
  } cases[] = {
      {u"a\u0301b", 0, {0, 2}},
      {u"a\u0301b", 1, {0, 2}},
      {u"a\u0301b", 2, {2, 1}},
      {u"😀", 1, {0, 2}},
      {std::u16string(kFamily) + u"x", 3, {0, 8}},
      {std::u16string(kFamily) + u"x", 8, {8, 1}},
      {u"🇨🇳🇺🇸", 2, {0, 4}},
      {u"🇨🇳🇺🇸", 5, {4, 4}},
      {u"1\uFE0F\u20E32", 1, {0, 3}},    // keycap
      {u"👍🏽!", 2, {0, 4}},               // skin tone
      {u"\u263A\uFE0Ex", 0, {0, 2}},      // text variation selector
      {u"\u2764\uFE0F", 1, {0, 2}},       // emoji variation selector
      {u"\r\n", 1, {0, 2}},
      {u"abc", 1, {1, 1}},
      {u"\u1112\u1161\u11AB", 1, {0, 3}},  // decomposed Hangul syllable
      {u"abc", 3, {3, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.s).utf8() + " @" + std::to_string(c.index));
    EXPECT_EQ(String(c.s).rangeOfComposedCharacterSequenceAtIndex(c.index), c.expected);
  }
}

TEST(StringComposed, SequencesForRange) {
  struct Case {
    const char16_t* s;
    Range r;
    Range expected;
  } cases[] = {
      {u"a😀b", {1, 2}, {1, 2}}, {u"a😀b", {2, 1}, {1, 2}},   {u"e\u0301x", {1, 1}, {0, 2}},
      {u"a😀b", {0, 4}, {0, 4}}, {u"a😀b", {2, 10}, {1, 3}},  {u"ab", {5, 1}, {2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.s).utf8());
    EXPECT_EQ(String(c.s).rangeOfComposedCharacterSequencesForRange(c.r), c.expected);
  }
}

TEST(StringComposed, CountAndEnumeration) {
  struct Case {
    std::u16string s;
    size_t count;
  } cases[] = {
      {u"", 0}, {u"abc", 3}, {u"a\u0301b", 2}, {std::u16string(kFamily) + u"🇨🇳1\uFE0F\u20E3", 3}, {u"\r\nx", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.s).utf8());
    EXPECT_EQ(String(c.s).composedCharacterCount(), c.count);
  }

  String s(u"a👍🏽b");
  std::vector<Range> seen;
  s.enumerateComposedCharacterSequences(Range{0, s.length()}, [&](Range r, bool&) { seen.push_back(r); });
  EXPECT_EQ(seen, (std::vector<Range>{{0, 1}, {1, 4}, {5, 1}}));

  seen.clear();
  s.enumerateComposedCharacterSequences(Range{2, 1}, [&](Range r, bool&) { seen.push_back(r); });
  EXPECT_EQ(seen, (std::vector<Range>{{1, 4}}));

  seen.clear();
  s.enumerateComposedCharacterSequences(Range{0, s.length()}, [&](Range r, bool& stop) {
    seen.push_back(r);
    stop = seen.size() == 2;
  });
  EXPECT_EQ(seen.size(), 2u);
}

TEST(StringComposed, EnumerationOfLongTextMayNestCalls) {
  std::u16string text;
  for (int i = 0; i < 150; ++i) text += u"😀a\u0301";
  String s(text);
  String other(u"x👍🏽");
  size_t count = 0, units = 0;
  s.enumerateComposedCharacterSequences(Range{0, s.length()}, [&](Range r, bool&) {
    ++count;
    units += r.length;
    // A nested call re-points this thread's break iterator at another text.
    EXPECT_EQ(other.rangeOfComposedCharacterSequenceAtIndex(2), (Range{1, 4}));
  });
  EXPECT_EQ(count, 300u);
  EXPECT_EQ(units, s.length());
  EXPECT_EQ(s.composedCharacterCount(), 300u);
}
