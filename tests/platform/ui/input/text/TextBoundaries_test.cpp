#include "platform/ui/input/text/TextBoundaries.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {
std::optional<rt::Range> enclosing(const char* text, int64_t p, TextGranularity g, bool forward) {
  TextBoundaries b{rt::String(text)};
  return b.rangeEnclosing(p, g, forward);
}
}  // namespace

TEST(TextBoundaries, UnitsPerGranularity) {
  struct Case { const char* text; int64_t p; TextGranularity g; bool forward; std::optional<rt::Range> unit; };
  using G = TextGranularity;
  const Case cases[] = {
      {"ab\U0001F600c", 2, G::Character, true, rt::Range{2, 2}},
      {"ab\U0001F600c", 4, G::Character, false, rt::Range{2, 2}},
      {"a\r\nb", 1, G::Character, true, rt::Range{1, 2}},
      {"one, two", 5, G::Word, true, rt::Range{5, 3}},
      {"one, two", 3, G::Word, true, std::nullopt},     // the comma is not a word
      {"one, two", 3, G::Word, false, rt::Range{0, 3}},
      {"\u6211\u4EEC\u7684\u65B0\u95FB", 0, G::Word, true, rt::Range{0, 2}},  // dictionary words in Chinese
      {"Hi there. Bye.", 1, G::Sentence, true, rt::Range{0, 9}},
      {"Hi there. Bye.", 10, G::Sentence, true, rt::Range{10, 4}},
      {"first\r\nsecond\n\nlast", 3, G::Paragraph, true, rt::Range{0, 5}},
      {"first\r\nsecond\n\nlast", 7, G::Paragraph, true, rt::Range{7, 6}},
      {"first\r\nsecond\n\nlast", 14, G::Paragraph, true, std::nullopt},  // an empty paragraph
      {"first\r\nsecond\n\nlast", 5, G::Paragraph, false, rt::Range{0, 5}},
      {"first\nsecond", 2, G::Line, true, rt::Range{0, 5}},
      {"abc", 1, G::Document, true, rt::Range{0, 3}},
      {"", 0, G::Document, true, std::nullopt},
      {"abc", -1, G::Word, true, std::nullopt},
      {"abc", 9, G::Word, false, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(enclosing(c.text, c.p, c.g, c.forward), c.unit) << c.text << " at " << c.p;
}

TEST(TextBoundaries, BoundariesAndMoves) {
  TextBoundaries b{rt::String("Hello brave  world")};
  EXPECT_TRUE(b.isAtBoundary(5, TextGranularity::Word, true));    // "Hello" ends
  EXPECT_FALSE(b.isAtBoundary(5, TextGranularity::Word, false));  // nothing starts
  EXPECT_TRUE(b.isAtBoundary(6, TextGranularity::Word, false));
  EXPECT_EQ(b.toBoundary(0, TextGranularity::Word, true), 5);
  EXPECT_EQ(b.toBoundary(5, TextGranularity::Word, true), 11);
  EXPECT_EQ(b.toBoundary(18, TextGranularity::Word, false), 13);
  EXPECT_EQ(b.toBoundary(13, TextGranularity::Word, false), 6);
  EXPECT_EQ(b.toBoundary(18, TextGranularity::Word, true), std::nullopt);
  EXPECT_EQ(b.toBoundary(0, TextGranularity::Word, false), std::nullopt);
  TextBoundaries spaces{rt::String("   ")};
  EXPECT_EQ(spaces.toBoundary(0, TextGranularity::Word, true), 3);  // no word left: the end
}

namespace {
// Writes over the stack below the caller, where the frames of an earlier call lay.
[[gnu::noinline]] void scribbleOverTheStack() {
  volatile unsigned char junk[64 * 1024];
  for (size_t i = 0; i < sizeof junk; ++i) junk[i] = 0xa5;
}
}  // namespace

// The word iterator is made inside the first query; nothing of that query's frames may be
// read by later ones.
TEST(TextBoundaries, WordMovesHoldAfterTheFirstQuerysFramesAreGone) {
  TextBoundaries b{rt::String("Hello brave  world")};
  ASSERT_EQ(b.toBoundary(0, TextGranularity::Word, true), 5);
  scribbleOverTheStack();
  EXPECT_EQ(b.toBoundary(18, TextGranularity::Word, false), 13);
  EXPECT_EQ(b.toBoundary(13, TextGranularity::Word, false), 6);
  EXPECT_EQ(b.rangeEnclosing(8, TextGranularity::Word, true), (rt::Range{6, 5}));
}

TEST(TextBoundaries, LinesFollowTheOwnersWraps) {
  // The layout wraps "aaaa bbbb" after "aaaa ".
  TextBoundaries b{rt::String("aaaa bbbb\ncc"), [](int64_t start, int64_t) {
                     return start == 0 ? std::vector<int64_t>{5} : std::vector<int64_t>{};
                   }};
  EXPECT_EQ(b.rangeEnclosing(2, TextGranularity::Line, true), (rt::Range{0, 5}));
  EXPECT_EQ(b.rangeEnclosing(6, TextGranularity::Line, true), (rt::Range{5, 4}));
  EXPECT_EQ(b.rangeEnclosing(10, TextGranularity::Line, true), (rt::Range{10, 2}));
  EXPECT_EQ(b.toBoundary(0, TextGranularity::Line, true), 5);
}
