#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/RegularExpression.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {
namespace {

std::vector<Range> matchRanges(const char* pattern, uint64_t options, const String& text) {
  Ref<Error> error;
  auto re = RegularExpression::create(pattern, options, &error);
  EXPECT_TRUE(re) << pattern;
  std::vector<Range> out;
  if (!re) return out;
  for (const auto& m : re->matchesInString(text)) out.push_back(m->range());
  return out;
}

TEST(RegularExpressionTest, Matches) {
  struct Case {
    const char* pattern;
    uint64_t options;
    String text;
    std::vector<Range> expected;
  } cases[] = {
      {"(?<=\\$)\\d+", 0, "cost $42 and $7", {{6, 2}, {14, 1}}},
      {"<.+?>", 0, "<a><b>", {{0, 3}, {3, 3}}},
      {"<.+>", 0, "<a><b>", {{0, 6}}},
      {"(\\w)\\1", 0, "hello aabb", {{2, 2}, {6, 2}, {8, 2}}},
      {"abc\\z", 0, "abc\n", {}},
      {"abc$", 0, "abc\n", {{0, 3}}},
      {"\\d+\\s\\d+", 0, "12 34", {{0, 5}}},
      {"hello", RegularExpressionCaseInsensitive, "HeLLo", {{0, 5}}},
      {"hello", 0, "HeLLo", {}},
      {"^\\w+$", RegularExpressionAnchorsMatchLines, "ab\ncd", {{0, 2}, {3, 2}}},
      {"^\\w+$", 0, "ab\ncd", {}},
      {"a.b", RegularExpressionDotMatchesLineSeparators, "a\nb", {{0, 3}}},
      {"a.b", 0, "a\nb", {}},
      {"a.b", RegularExpressionIgnoreMetacharacters, "axb a.b", {{4, 3}}},
      {"a b # letters", RegularExpressionAllowCommentsAndWhitespace, "ab", {{0, 2}}},
      {"x*", 0, "ab", {{0, 0}, {1, 0}, {2, 0}}},
      // UTF-16 ranges of astral characters and emoji sequences
      {"\U0001F600", 0, u"a\U0001F600b", {{1, 2}}},
      {"\\X", 0, u"\U0001F468\u200D\U0001F469\u200D\U0001F467x", {{0, 8}, {8, 1}}},
      {"b", 0, u"\U0001F1E8\U0001F1F3b", {{4, 1}}},
      // image scale suffixes
      {"@[0-9]+\\.?[0-9]*x$", RegularExpressionAnchorsMatchLines, "image@2x", {{5, 3}}},
      {"@[0-9]+\\.?[0-9]*x$", RegularExpressionAnchorsMatchLines, "icon@1.5x", {{4, 5}}},
      {"@[0-9]+\\.?[0-9]*x$", RegularExpressionAnchorsMatchLines, "a@2x.png", {}},
      {"@[0-9]+\\.?[0-9]*x$", RegularExpressionAnchorsMatchLines, "a@2x\nb@3x", {{1, 3}, {6, 3}}},
  };
  for (const auto& c : cases) EXPECT_EQ(matchRanges(c.pattern, c.options, c.text), c.expected) << c.pattern;
}

TEST(RegularExpressionTest, BadPatternsGiveAnError) {
  for (const char* bad : {"(", "a{2,1}", "[z-a]", "*a", "(?<=a+)b"}) {
    Ref<Error> error;
    EXPECT_FALSE(RegularExpression::create(bad, 0, &error)) << bad;
    ASSERT_TRUE(error) << bad;
    EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), kRegularExpressionPatternErrorCode);
    EXPECT_EQ(stringValue(error->userInfo()->objectForKey("NSInvalidValue")), String(bad));
    EXPECT_EQ(error->localizedDescription(), String::format("The value “%s” is invalid.", bad));
  }
  EXPECT_FALSE(RegularExpression::create("("));  // no error out-parameter is fine too
}

TEST(RegularExpressionTest, CaptureGroups) {
  auto re = RegularExpression::create("(\\d+)-(\\d+)?");
  ASSERT_TRUE(re);
  EXPECT_EQ(re->numberOfCaptureGroups(), 2u);
  auto m = re->firstMatchInString("ab12-");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->numberOfRanges(), 3u);
  EXPECT_EQ(m->range(), (Range{2, 3}));
  EXPECT_EQ(m->rangeAtIndex(1), (Range{2, 2}));
  EXPECT_EQ(m->rangeAtIndex(2), rt::NotFoundRange);
  EXPECT_THROW(m->rangeAtIndex(3), rt::Exception);
  EXPECT_EQ(m->regularExpression().get(), re.get());
  EXPECT_FALSE(re->firstMatchInString("none"));
  EXPECT_EQ(re->rangeOfFirstMatchInString("none"), rt::NotFoundRange);
  EXPECT_EQ(re->rangeOfFirstMatchInString("x1-2"), (Range{1, 3}));
  EXPECT_EQ(re->numberOfMatchesInString("1-2 3-4 5-"), 3u);
}

TEST(RegularExpressionTest, RangesAndMatchingOptions) {
  auto digit = RegularExpression::create("\\d");
  EXPECT_EQ(digit->numberOfMatchesInString("1a2b3", 0, Range{1, 3}), 1u);
  EXPECT_EQ(digit->numberOfMatchesInString("12a3", MatchingAnchored, Range{0, 4}), 2u);
  EXPECT_THROW(digit->numberOfMatchesInString("123", 0, Range{2, 5}), rt::Exception);
  EXPECT_THROW(digit->numberOfMatchesInString("123", 0, Range{4, 0}), rt::Exception);

  auto start = RegularExpression::create("^b");
  EXPECT_EQ(start->numberOfMatchesInString("ab", 0, Range{1, 1}), 1u);  // bounds anchor by default
  EXPECT_EQ(start->numberOfMatchesInString("ab", MatchingWithoutAnchoringBounds, Range{1, 1}), 0u);
  auto ahead = RegularExpression::create("a(?=b)");
  EXPECT_EQ(ahead->numberOfMatchesInString("ab", 0, Range{0, 1}), 0u);
  EXPECT_EQ(ahead->numberOfMatchesInString("ab", MatchingWithTransparentBounds, Range{0, 1}), 1u);
}

TEST(RegularExpressionTest, EnumerationStopsAndReportsCompletion) {
  auto re = RegularExpression::create("\\w+");
  int calls = 0;
  re->enumerateMatchesInString("one two three", 0, Range{0, 13},
                               [&](const Ref<TextCheckingResult>& r, uint64_t, bool& stop) {
                                 ++calls;
                                 EXPECT_EQ(r->range(), (Range{0, 3}));
                                 stop = true;
                               });
  EXPECT_EQ(calls, 1);

  std::vector<uint64_t> flags;
  int nulls = 0;
  re->enumerateMatchesInString("one two", MatchingReportCompletion, Range{0, 7},
                               [&](const Ref<TextCheckingResult>& r, uint64_t f, bool&) {
                                 flags.push_back(f);
                                 nulls += r == nullptr;
                               });
  ASSERT_EQ(flags.size(), 3u);
  EXPECT_EQ(nulls, 1);
  EXPECT_TRUE(flags.back() & MatchingCompleted);
  EXPECT_FALSE(flags.front() & MatchingCompleted);
}

TEST(RegularExpressionTest, ReplacingWithTemplates) {
  struct Case {
    const char* pattern;
    const char* text;
    const char* templ;
    const char* result;
  } cases[] = {
      {"(\\w+)@(\\w+)", "me@host you@there", "$2 at $1", "host at me there at you"},
      {"(\\w+)@(\\w+)", "me@host", "\\$1", "$1"},
      {"(\\w+)@(\\w+)", "me@host", "[$0]", "[me@host]"},
      {"(a)", "a", "$10", "a0"},  // only existing groups are read
      {"(a)", "a", "<$9>", "<>"},
      {"(a)", "a", "\\\\", "\\"},
      {"\\s+", " a  b ", "", "ab"},
      {"x", "abc", "y", "abc"},
      {"\\d", "价格1元", "#", "价格#元"},
  };
  for (const auto& c : cases) {
    auto re = RegularExpression::create(c.pattern);
    ASSERT_TRUE(re);
    EXPECT_EQ(re->stringByReplacingMatchesInString(c.text, c.templ), c.result) << c.pattern << " / " << c.templ;
  }
  auto re = RegularExpression::create("o");
  String text = "foo boo";
  EXPECT_EQ(re->replaceMatchesInString(text, 0, Range{0, 7}, "0"), 4u);
  EXPECT_EQ(text, "f00 b00");
  EXPECT_EQ(re->stringByReplacingMatchesInString("foo boo", 0, Range{4, 3}, "0"), "foo b00");
}

TEST(RegularExpressionTest, EscapedPatternsAndTemplatesAreLiteral) {
  for (const char* literal : {"a.b*c", "(1+1)=2?", "[x]{y}", "^$|\\/", "price: $5.00", "plain"}) {
    String pattern = RegularExpression::escapedPatternForString(literal);
    EXPECT_TRUE(matchesPattern(literal, pattern)) << literal << " -> " << pattern;
    auto re = RegularExpression::create(pattern);
    ASSERT_TRUE(re) << pattern;
    String templ = RegularExpression::escapedTemplateForString(literal);
    EXPECT_EQ(RegularExpression::create("X")->stringByReplacingMatchesInString("<X>", templ),
              String("<") + literal + ">");
  }
  EXPECT_EQ(RegularExpression::escapedPatternForString("a.b"), "a\\.b");
  EXPECT_EQ(RegularExpression::escapedTemplateForString("$1\\"), "\\$1\\\\");
}

TEST(RegularExpressionTest, WholeStringMatches) {
  struct Case {
    const char* text;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"张三", "^[\\u4e00-\\u9fa5]+$", true},
      {"张三a", "^[\\u4e00-\\u9fa5]+$", false},
      {"张三", "[\\u4e00-\\u9fa5]{2,8}", true},
      {"13800138000", "1[3-9]\\d{9}", true},
      {"138001380001", "1[3-9]\\d{9}", false},
      {"a@b.com", "[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}", true},
      {"abc", "b", false},  // the whole string must match, not a part
      {"", "a*", true},
      {"abc", "(", false},  // a bad pattern matches nothing
  };
  for (const auto& c : cases) EXPECT_EQ(matchesPattern(c.text, c.pattern), c.matches) << c.text << " ~ " << c.pattern;
}

TEST(RegularExpressionTest, OneExpressionServesSeveralThreads) {
  auto re = RegularExpression::create("(\\d+)-(\\d+)");
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        String text = String::format("x%d-%d y%d-%d", t, i, i, t);
        if (re->numberOfMatchesInString(text) != 2) ++failures;
        if (re->stringByReplacingMatchesInString(text, "$2-$1") != String::format("x%d-%d y%d-%d", i, t, t, i)) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace fd
