#include <gtest/gtest.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>

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

}  // namespace

TEST(LineBreaking, GreedyBreaksAtIcuOpportunities) {
  const char16_t* paragraphs[] = {
      u"The district council met on Tuesday to discuss the new cycle lanes along the river.",
      u"市政府周二召开会议，讨论沿河新建自行车道的计划，并听取了居民的意见。",
      u"Mixed 中文 and English text, with numbers like 2024 and 3.14 in between 文字。",
      u"Supercalifragilisticexpialidocious is long; so is 中华人民共和国国务院新闻办公室.",
      u"居民表示欢迎，也有人担心噪音。Read more at 08:00. 市民可以查询信息！Officials said 2.4 million, 新的计划？Yes 好。",
  };
  for (double width : {80.0, 150.0, 260.0}) {
    for (const char16_t* p : paragraphs) {
      rt::String s(p);
      auto ts = Typesetter::create(*text(s, latin(14)));
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
