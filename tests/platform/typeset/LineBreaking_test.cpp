#include <gtest/gtest.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>

#include <chrono>
#include <set>

#include "platform/typeset/Typesetter.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::latin;
using typeset_test::text;

namespace {

std::set<size_t> icuLineBreaks(const rt::String& s) {
  std::set<size_t> out;
  UErrorCode st = U_ZERO_ERROR;
  UBreakIterator* bi = ubrk_open(UBRK_LINE, "", reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.length()), &st);
  for (int32_t p = ubrk_first(bi); p != UBRK_DONE; p = ubrk_next(bi)) out.insert(static_cast<size_t>(p));
  ubrk_close(bi);
  return out;
}

double visibleWidth(const Typesetter& ts, size_t from, size_t to) {
  auto line = ts.createLine(Range{from, to - from});
  return line->width() - line->trailingWhitespaceWidth();
}

// Greedy filling: each line ends at the last opportunity ICU offers that still fits, or, for
// a word wider than the line, at a composed-character boundary.
void expectGreedyIcuBreaks(const std::vector<const char16_t*>& paragraphs, const std::vector<double>& widths,
                           const Ref<typeset::Font>& font) {
  for (double width : widths) {
    for (const char16_t* p : paragraphs) {
      rt::String s(p);
      auto ts = Typesetter::create(*text(s, font));
      auto icu = icuLineBreaks(s);
      size_t pos = 0;
      while (pos < s.length()) {
        size_t n = ts->suggestLineBreak(pos, width);
        ASSERT_GT(n, 0u);
        size_t end = pos + n;
        double w = visibleWidth(*ts, pos, end);
        if (icu.count(end) && w <= width + 1e-6) {
          // Maximal: the next opportunity would not have fitted.
          auto next = icu.upper_bound(end);
          if (next != icu.end()) {
            EXPECT_GT(visibleWidth(*ts, pos, *next), width - 1e-6) << s.utf8() << " @" << end;
          }
        } else {
          // Only a word wider than the line is cut elsewhere, and then at a cluster.
          EXPECT_EQ(s.rangeOfComposedCharacterSequenceAtIndex(end - 1).end(), end);
          auto prev = icu.lower_bound(end);
          EXPECT_TRUE(prev == icu.begin() || *std::prev(prev) <= pos) << s.utf8() << " @" << end;
        }
        pos = end;
      }
    }
  }
}

}  // namespace

TEST(LineBreaking, GreedyBreaksAtIcuOpportunities) {
  expectGreedyIcuBreaks(
      {
          u"The district council met on Tuesday to discuss the new cycle lanes along the river.",
          u"市政府周二召开会议，讨论沿河新建自行车道的计划，并听取了居民的意见。",
          u"Mixed 中文 and English text, with numbers like 2024 and 3.14 in between 文字。",
          u"Supercalifragilisticexpialidocious is long; so is 中华人民共和国国务院新闻办公室.",
          u"居民表示欢迎，也有人担心噪音。Read more at 08:00. 市民可以查询信息！Officials said 2.4 million, 新的计划？Yes 好。",
      },
      {80.0, 150.0, 260.0}, latin(14));
}

// Characters outside the basic plane (emoji, flags, CJK extension B) take breaks before them
// exactly where the rules allow, like any other character.
TEST(LineBreaking, AstralCharactersBreakByTheRules) {
  expectGreedyIcuBreaks(
      {
          u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600",
          u"go \U0001F600\U0001F601\U0001F602 now \U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA\U0001F1EF\U0001F1F5 flags",
          u"\U00020000\U00020001\U00020002\U00020003\U00020004\U00020005\U00020006\U00020007\U00020008",
          u"\u4E2D\U00020000\u6587\U00020001 mixed \U0001F44D\U0001F3FD\U0001F44D\U0001F3FD\u3002 text \u5B57",
          u"a \U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F468\u200D\U0001F469\u200D\U0001F467 b",
      },
      {30.0, 50.0, 90.0}, latin(14));
  // The break found before an astral ideograph is the one right before it, not one earlier.
  rt::String s(u"\u4E2D\u4E2D\U00020000\U00020000");
  auto ts = Typesetter::create(*text(s, latin(14)));
  double two = visibleWidth(*ts, 0, 2);
  EXPECT_EQ(ts->suggestLineBreak(0, two + 1), 2u);
  double three = visibleWidth(*ts, 0, 4);
  EXPECT_EQ(ts->suggestLineBreak(0, three + 1), 4u);
}

TEST(LineBreaking, HardBreaksEndLines) {
  struct Case {
    const char16_t* text;
    std::vector<size_t> ends;
  } cases[] = {
      {u"ab\ncd", {3, 5}},
      {u"ab\rcd", {3, 5}},
      {u"ab\r\ncd", {4, 6}},
      {u"ab\u2028cd", {3, 5}},
      {u"ab\u2029cd\n", {3, 6}},
      {u"\n\nx", {1, 2, 3}},
      {u"ab\vcd", {3, 5}},  // vertical tab and form feed are mandatory breaks too
      {u"ab\fcd\fe", {3, 6, 7}},
  };
  for (const auto& c : cases) {
    rt::String s(c.text);
    auto ts = Typesetter::create(*text(s, latin(14)));
    std::vector<size_t> ends;
    for (size_t pos = 0; pos < s.length();) ends.push_back(pos += ts->suggestLineBreak(pos, 1000));
    EXPECT_EQ(ends, c.ends) << s.utf8();
  }
}

TEST(LineBreaking, ClusterBreaksNeverSplitAComposedCharacter) {
  rt::String s(u"e\u0301e\u0301e\u0301e\u0301\U0001F600\U0001F600");
  auto ts = Typesetter::create(*text(s, latin(20)));
  for (double width : {1.0, 15.0, 30.0}) {
    for (size_t pos = 0; pos < s.length();) {
      size_t n = ts->suggestClusterBreak(pos, width);
      ASSERT_GT(n, 0u);
      pos += n;
      EXPECT_EQ(s.rangeOfComposedCharacterSequenceAtIndex(pos - 1).end(), pos);
    }
  }
}

// A hundred thousand characters without a break opportunity: cut by clusters, line after line,
// without rescanning the rest of the word for every line.
TEST(LineBreaking, HugeUnbrokenWordsAreCutQuickly) {
  std::u16string units(100000, u'x');
  for (size_t i = 7; i < units.size(); i += 1000) units[i] = u'\u0301';  // a mark now and then
  rt::String s{std::u16string_view(units)};
  auto ts = Typesetter::create(*text(s, latin(14)));
  auto started = std::chrono::steady_clock::now();
  size_t lines = 0;
  for (size_t pos = 0; pos < s.length(); ++lines) {
    size_t n = ts->suggestLineBreak(pos, 120);
    ASSERT_GT(n, 0u);
    pos += n;
    EXPECT_EQ(s.rangeOfComposedCharacterSequenceAtIndex(pos - 1).end(), pos);
  }
  EXPECT_GT(lines, 1000u);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}
