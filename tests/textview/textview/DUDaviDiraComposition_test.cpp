// Compositions (marked text from input methods) against the other edits: the marked range
// follows the text or ends, undo and redo commit it first, and committing puts the caret after
// the committed text.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "text/model/AttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

namespace composition_test {

Ref<ui::TextRange> range(uint64_t location, uint64_t length) {
  return text::DRTextRange::rangeWithRange({location, length});
}

rt::Range selectionOf(const DUDaviDira& view) { return view.selectedTextRange()->asRange(); }

class CompositionTest : public ::testing::Test {
 protected:
  void SetUp() override { view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 240, 300)); }
  void TearDown() override {
    view.reset();
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.01));
  }
  Ref<DUDaviDira> view;
};

TEST_F(CompositionTest, MarkedRangeFollowsOtherEdits) {
  struct Case {
    const char* name;
    std::function<void(DUDaviDira&)> edit;
    const char* text;
    bool composing;
    rt::Range marked;  // when still composing
  } cases[] = {
      {"delete inside", [](DUDaviDira& v) { v.deleteBackward(); }, "hi xy", true, {3, 2}},
      {"replace before", [](DUDaviDira& v) { v.replaceRange(range(0, 2), "hello"); }, "hello xyz", true, {6, 3}},
      {"replace after", [](DUDaviDira& v) { v.replaceRange(range(6, 0), "!"); }, "hi xyz!", true, {3, 3}},
      {"replace inside", [](DUDaviDira& v) { v.replaceRange(range(4, 1), "YY"); }, "hi xYYz", true, {3, 4}},
      {"replace across", [](DUDaviDira& v) { v.replaceRange(range(2, 2), "-"); }, "hi-yz", false, {}},
      {"replace all of it", [](DUDaviDira& v) { v.replaceRange(range(3, 3), ""); }, "hi ", false, {}},
      {"new text", [](DUDaviDira& v) { v.setAttributedText(typeset::AttributedString::create("ab")); }, "ab", false, {}},
      {"emptied", [](DUDaviDira& v) { v.setAttributedText(typeset::AttributedString::create("")); }, "", false, {}},
  };
  for (const auto& c : cases) {
    view->setText("hi ");
    view->setSelectedTextRange(range(3, 0));
    view->setMarkedText("xyz", {3, 0});
    ASSERT_EQ(view->markedTextRange()->asRange(), (rt::Range{3, 3}));
    c.edit(*view);
    EXPECT_EQ(view->text(), rt::String(c.text)) << c.name;
    auto marked = view->markedTextRange();
    EXPECT_EQ(static_cast<bool>(marked), c.composing) << c.name;
    if (marked && c.composing) {
      EXPECT_EQ(marked->asRange(), c.marked) << c.name;
    }
    view->unmarkText();
  }
}

TEST_F(CompositionTest, MarkedRangeNeverPointsPastTheText) {
  view->setText("abc");
  view->setSelectedTextRange(range(0, 3));
  view->setMarkedText("xyz", {3, 0});
  view->deleteBackward();
  EXPECT_EQ(view->text(), rt::String("xy"));
  ASSERT_TRUE(view->markedTextRange());
  EXPECT_EQ(view->markedTextRange()->asRange(), (rt::Range{0, 2}));
  // Composing goes on over what is left.
  view->setMarkedText("xyw", {3, 0});
  EXPECT_EQ(view->text(), rt::String("xyw"));
}

TEST_F(CompositionTest, UndoAndRedoCommitTheCompositionFirst) {
  view->setText("hello");
  view->saveToUndoStack();
  view->insertText(" world");
  view->setMarkedText("ni", {2, 0});
  ASSERT_EQ(view->text(), rt::String("hello worldni"));
  view->undo();
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), rt::String("hello"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{5, 0}));
  // The next composition starts at the caret and replaces nothing.
  view->setMarkedText("x", {1, 0});
  EXPECT_EQ(view->text(), rt::String("hellox"));
  view->unmarkText();

  // Composing after an undo is an edit of its own: redo has nothing left, and only commits.
  view->setText("one");
  view->saveToUndoStack();
  view->insertText(" two");
  ASSERT_EQ(view->text(), rt::String("one two"));
  view->undo();
  ASSERT_EQ(view->text(), rt::String("one"));
  ASSERT_TRUE(view->canRedo());
  view->setMarkedText("ka", {2, 0});
  EXPECT_FALSE(view->canRedo());
  view->redo();
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), rt::String("oneka"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{5, 0}));
}

TEST_F(CompositionTest, CommittingPutsTheCaretAfterTheCommittedText) {
  struct Case {
    rt::Range selectedInMarked;
  } cases[] = {{{0, 0}}, {{1, 0}}, {{2, 0}}, {{0, 2}}};
  for (const auto& c : cases) {
    view->setText("ab");
    view->setSelectedTextRange(range(1, 0));
    view->setMarkedText(rt::String(u"\u0915\u094D"), c.selectedInMarked);
    view->insertText(rt::String(u"\u5B57"));
    EXPECT_EQ(view->text(), rt::String(u"a\u5B57b"));
    EXPECT_EQ(selectionOf(*view), (rt::Range{2, 0})) << c.selectedInMarked.location;
    EXPECT_FALSE(view->markedTextRange());
  }
}

// An input method may select all or part of its composition; the next composition replaces
// it. However little of the text is left, the composed characters wear the view's font and
// colour while shown, and take no more room than once committed.
TEST_F(CompositionTest, ComposedTextLooksLikeTheViewsText) {
  struct Case {
    const char* name;
    const char* before;       // the text ahead of the composition
    rt::Range firstSelected;  // what the input method selected of the first composition
  } cases[] = {
      {"empty view, caret at the end", "", {3, 0}},
      {"empty view, composition selected whole", "", {0, 3}},
      {"empty view, composition selected in part", "", {1, 2}},
      {"after text, composition selected whole", "ab", {0, 3}},
  };
  auto font = typeset::Font::fontWithName("DejaVu Sans", 22);
  ASSERT_TRUE(font);
  auto red = gfx::Color::redColor();
  const rt::String composed(u"\u5E02\u573A");
  for (const auto& c : cases) {
    auto v = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 240, 300));
    v->setFont(font);
    v->setTextColor(red);
    if (*c.before) v->insertText(c.before);
    const uint64_t at = std::char_traits<char>::length(c.before);
    v->setMarkedText("shi", c.firstSelected);
    v->setMarkedText(composed, {2, 0});
    ASSERT_EQ(v->text(), rt::String(c.before) + composed) << c.name;
    ASSERT_TRUE(v->markedTextRange()) << c.name;

    auto composing = v->textLayout();
    ASSERT_TRUE(composing && !composing->lines().empty()) << c.name;
    auto shownFont = text::fontAtIndex(*composing->text(), at);
    if (shownFont) {
      EXPECT_EQ(shownFont->fontName(), font->fontName()) << c.name;
      EXPECT_DOUBLE_EQ(shownFont->pointSize(), 22) << c.name;
    } else {
      ADD_FAILURE() << c.name << ": the composition has no font";
    }
    EXPECT_TRUE(rt::equalObjects(text::colorAtIndex(*composing->text(), at).get(), red.get())) << c.name;
    const double composingWidth = composing->lines()[0]->width();

    v->unmarkText();
    auto committed = v->textLayout();
    ASSERT_TRUE(committed && !committed->lines().empty()) << c.name;
    EXPECT_DOUBLE_EQ(composingWidth, committed->lines()[0]->width()) << c.name;
  }
}

}  // namespace composition_test
