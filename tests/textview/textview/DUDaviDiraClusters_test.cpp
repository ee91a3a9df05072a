// Characters stay whole: selections set from outside, carets after edits, backward delete and
// replacements all fall on grapheme-cluster boundaries, no lone surrogate gets into the text,
// and a not-found range is no range.
#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

namespace clusters_test {

rt::String u(const char16_t* s) { return rt::String(s); }

Ref<ui::TextRange> range(uint64_t location, uint64_t length) {
  return text::DRTextRange::rangeWithRange({location, length});
}

rt::Range selectionOf(const DUDaviDira& view) { return view.selectedTextRange()->asRange(); }

class ClustersTest : public ::testing::Test {
 protected:
  void SetUp() override { view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 240, 300)); }
  void TearDown() override {
    view.reset();
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.01));
  }
  // A fresh text with the caret at `caret`.
  void start(const rt::String& text, uint64_t caret) {
    view->setText(text);
    view->setSelectedTextRange(range(caret, 0));
    ASSERT_EQ(selectionOf(*view), (rt::Range{caret, 0}));
  }
  Ref<DUDaviDira> view;
};

TEST_F(ClustersTest, SelectionSetFromOutsideLandsOnBoundaries) {
  // Ends inside a character go outward; a caret inside one goes after it.
  struct Case {
    const char16_t* text;
    rt::Range given, expected;
  } cases[] = {
      {u"\U0001D4B3", {1, 1}, {0, 2}},                    // inside a surrogate pair
      {u"\U0001D4B3", {1, 0}, {2, 0}},
      {u"a\U0001F469\U0001F3FD\u200D\U0001F4BBb", {3, 2}, {1, 7}},  // inside a joined emoji
      {u"a\U0001F469\U0001F3FD\u200D\U0001F4BBb", {5, 0}, {8, 0}},
      {u"e\u0301x", {1, 2}, {0, 3}},                       // a combining mark
      {u"\r\n", {1, 0}, {2, 0}},                           // CR LF
      {u"\u1100\u1161\u11A8", {1, 1}, {0, 3}},             // Hangul jamo
      {u"\U0001F1E9\U0001F1EB\U0001F1F7", {2, 0}, {4, 0}},  // flags pair up
      {u"\U0001F1E9\U0001F1EB\U0001F1F7", {4, 1}, {4, 2}},
      {u"ab", {1, 0}, {1, 0}},                             // already on a boundary
  };
  for (const auto& c : cases) {
    view->setText(u(c.text));
    view->setSelectedTextRange(range(c.given.location, c.given.length));
    EXPECT_EQ(selectionOf(*view), c.expected) << rt::String(c.text).utf8() << " given " << c.given.location;
    // The range setter keeps to the same rule.
    view->setText(u(c.text).stringByAppendingString("!"));
    view->setSelectedRange(c.given);
    EXPECT_EQ(view->selectedRange(), c.expected) << rt::String(c.text).utf8() << " given " << c.given.location;
  }
}

TEST_F(ClustersTest, DeletingAfterAnInsideSelectionLeavesNoHalfPair) {
  view->insertText(u(u"\U0001D4B3"));
  view->setSelectedTextRange(range(1, 1));
  view->deleteBackward();
  EXPECT_EQ(view->text(), rt::String());
}

TEST_F(ClustersTest, CaretAfterAnEditStandsOnABoundary) {
  struct Case {
    const char16_t* text;
    uint64_t caret;
    const char16_t* typed;
    const char16_t* result;
    uint64_t expected;
  } cases[] = {
      {u"\u200D", 0, u"\u1100\u1161\u11A8", u"\u1100\u1161\u11A8\u200D", 4},  // joins the ZWJ after it
      {u"a\n", 1, u"\r", u"a\r\n", 3},                                     // CR before LF
      {u"e", 1, u"\u0301", u"e\u0301", 2},
      {u"\U0001F1E9x", 2, u"\U0001F1EB", u"\U0001F1E9\U0001F1EBx", 4},
  };
  for (const auto& c : cases) {
    start(u(c.text), c.caret);
    view->insertText(u(c.typed));
    EXPECT_EQ(view->text(), u(c.result));
    EXPECT_EQ(selectionOf(*view), (rt::Range{c.expected, 0})) << rt::String(c.result).utf8();
  }
  // Deleting what stood between two halves of a flag joins them; the caret goes after the flag.
  start(u(u"\U0001F1EBa\U0001F1F7"), 3);
  view->deleteBackward();
  EXPECT_EQ(view->text(), u(u"\U0001F1EB\U0001F1F7"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{4, 0}));
}

TEST_F(ClustersTest, BackwardDeleteTakesExactlyTheLastCharacter) {
  struct Case {
    const char16_t* text;
    const char16_t* left;
  } cases[] = {
      {u"\u0628\u064B\U0001F469\U0001F3FD\u200D\U0001F4BB", u"\u0628\u064B"},
      {u"x\u0600\U0001F469\U0001F3FD\u200D\U0001F4BB", u"x"},  // a prepended sign goes with what follows
      {u"\U0001F1E9\U0001F1EB\U0001F1F7", u"\U0001F1E9\U0001F1EB"},
      {u"a\U0001F468\u200D\U0001F469\u200D\U0001F467", u"a"},
      {u"x\r\n", u"x"},
      {u"\u1100\u1161\u11A8\u1100", u"\u1100\u1161\u11A8"},
      {u"e\u0301\u0308", u""},
  };
  for (bool rightToLeft : {false, true}) {
    for (bool vertical : {false, true}) {
      view->setVerticalForm(vertical);
      for (const auto& c : cases) {
        view->setText(u(c.text));
        if (rightToLeft)
          view->setBaseWritingDirection(ui::WritingDirection::RightToLeft, range(0, view->text().length()));
        view->setSelectedTextRange(range(view->text().length(), 0));
        view->deleteBackward();
        EXPECT_EQ(view->text(), u(c.left)) << rt::String(c.text).utf8() << (rightToLeft ? " rtl" : "")
                                           << (vertical ? " vertical" : "");
        EXPECT_EQ(selectionOf(*view), (rt::Range{u(c.left).length(), 0}));
      }
    }
  }
}

TEST_F(ClustersTest, NoLoneSurrogateGetsIn) {
  const rt::String high(u"\xD83D"), low(u"\xDE00");
  const rt::String replacement(u"\uFFFD");
  view->insertText(high);
  EXPECT_EQ(view->text(), replacement);
  view->replaceRange(range(1, 0), rt::String(u"a").stringByAppendingString(low));
  EXPECT_EQ(view->text(), replacement + u(u"a") + replacement);
  view->setMarkedText(low, {1, 0});
  EXPECT_EQ(view->text(), replacement + u(u"a") + replacement + replacement);
  view->unmarkText();
  view->setText(high);
  EXPECT_EQ(view->text(), replacement);
  view->setAttributedText(typeset::AttributedString::create(rt::String(u"x") + low));
  EXPECT_EQ(view->text(), rt::String(u"x") + replacement);
  // A pair that arrives whole stays whole.
  view->setText(rt::String());
  view->insertText(high + low);
  EXPECT_EQ(view->text(), u(u"\U0001F600"));
}

TEST_F(ClustersTest, ReplacementsCoverWholeCharacters) {
  start(u(u"a\U0001F600"), 0);
  view->replaceRange(range(2, 0), u(u"x"));  // between the halves of the pair
  EXPECT_EQ(view->text(), u(u"a\U0001F600x"));
  view->replaceRange(range(2, 1), u(u"y"));  // the second half only
  EXPECT_EQ(view->text(), u(u"ayx"));
  view->replaceRange(rt::Range{1, 0}, u(u"\u0301"));  // the view's own range entry
  EXPECT_EQ(view->text(), u(u"a\u0301yx"));
  view->replaceRange(rt::Range{1, 1}, u(u"b"));  // half of "a" + mark
  EXPECT_EQ(view->text(), u(u"byx"));
}

TEST_F(ClustersTest, ANotFoundRangeIsNoRange) {
  start(u(u"hello"), 2);
  auto notFound = rt::make<ui::TextRange>(rt::Range{rt::NotFound, 2});
  auto ownNotFound = text::DRTextRange::rangeWithRange({rt::NotFound, 2});
  for (const auto& r : {notFound, Ref<ui::TextRange>(ownNotFound)}) {
    view->replaceRange(r, u(u"x"));
    view->setSelectedTextRange(r);
    EXPECT_EQ(view->textInRange(r), rt::String());
  }
  view->replaceRange(rt::Range{rt::NotFound, 2}, u(u"x"));
  view->replaceRange(rt::Range{3, rt::NotFound}, u(u"x"));
  view->setSelectedRange({rt::NotFound, 0});
  EXPECT_EQ(view->text(), u(u"hello"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{2, 0}));
}

TEST_F(ClustersTest, MovesByCountStopBetweenCharacters) {
  view->setText(u(u"\U0001F1E9\U0001F1EB\U0001F1F7\u0600x"));
  auto at = [&](int64_t offset, int64_t by) {
    auto p = view->positionFromPosition(text::DRTextPosition::positionWithOffset(offset), by);
    return p ? p->offset() : -1;
  };
  EXPECT_EQ(at(0, 1), 4);
  EXPECT_EQ(at(4, 1), 6);
  EXPECT_EQ(at(6, -1), 4);
  EXPECT_EQ(at(4, -1), 0);
  EXPECT_EQ(at(6, 1), 8);  // the prepended sign goes with the letter after it
}

}  // namespace clusters_test
