#include <gtest/gtest.h>

#include <random>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

class TextFieldInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    field = rt::make<TextField>(gfx::RectMake(10, 10, 300, 30));
    window->addSubview(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    saved = Pasteboard::generalPasteboard()->items();
  }
  void TearDown() override {
    Pasteboard::generalPasteboard()->setItems(saved);
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    field.reset();
    window.reset();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<TextRange> range(int64_t a, int64_t b) { return rt::make<TextRange>(rt::make<TextPosition>(a), rt::make<TextPosition>(b)); }
  Ref<Window> window;
  Ref<TextField> field;
  std::vector<PasteboardItem> saved;
};

/// Records what the field tells its input delegate.
class DelegateLog : public TextInputDelegate {
 public:
  void selectionWillChange(TextInput*) override { log += "s<"; }
  void selectionDidChange(TextInput*) override { log += "s>"; }
  void textWillChange(TextInput*) override { log += "t<"; }
  void textDidChange(TextInput*) override { log += "t>"; }
  std::string log;
};

bool onBoundary(const rt::String& s, uint64_t i) {
  return i == 0 || i == s.length() || s.rangeOfComposedCharacterSequenceAtIndex(i).location == i;
}

}  // namespace

TEST_F(TextFieldInputTest, DeleteBackwardRemovesWholeCharacters) {
  struct Case { const char* text; const char* left; };
  const Case cases[] = {
      {"a\U0001F468\u200D\U0001F469\u200D\U0001F467", "a"},  // a family joined by ZWJ
      {"x\U0001F1E8\U0001F1F3", "x"},                         // a flag: two regional indicators
      {"ne\u0301", "n"},                                     // e with a combining acute
      {"ab\r\n", "ab"},                                      // CR LF is one character
      {"\U0001F44D\U0001F3FD", ""},                          // thumbs up with a skin tone
      {"\u4E2D\u6587", "\u4E2D"},
  };
  for (const Case& c : cases) {
    field->setText(c.text);
    field->deleteBackward();
    EXPECT_EQ(field->text(), rt::String(c.left)) << c.text;
  }
  field->setText("");
  field->deleteBackward();  // nothing before the caret
  EXPECT_TRUE(field->text().isEmpty());
}

TEST_F(TextFieldInputTest, MarkedTextComposesThenCommits) {
  field->setText("ab");
  field->setSelectedRange({1, 0});
  field->setMarkedText("zh", {2, 0});
  EXPECT_EQ(field->text(), rt::String("azhb"));
  ASSERT_TRUE(field->markedTextRange());
  EXPECT_EQ(field->markedTextRange()->asRange(), (rt::Range{1, 2}));
  EXPECT_EQ(field->selectedRange(), (rt::Range{3, 0}));
  field->setMarkedText("zhong", {1, 2});  // the input method selects part of its text
  EXPECT_EQ(field->text(), rt::String("azhongb"));
  EXPECT_EQ(field->selectedRange(), (rt::Range{2, 2}));
  field->insertText("\u4E2D");  // committed: replaces the composition
  EXPECT_EQ(field->text(), rt::String("a\u4E2Db"));
  EXPECT_FALSE(field->markedTextRange());
  EXPECT_EQ(field->selectedRange(), (rt::Range{2, 0}));

  field->setMarkedText("ni", {2, 0});
  field->unmarkText();  // the composed characters stay
  EXPECT_EQ(field->text(), rt::String("a\u4E2Dnib"));
  EXPECT_FALSE(field->markedTextRange());

  field->setMarkedText("x", {1, 0});
  field->setMarkedText("", {0, 0});  // empty marked text ends the composition
  EXPECT_EQ(field->text(), rt::String("a\u4E2Dnib"));
  EXPECT_FALSE(field->markedTextRange());
}

TEST_F(TextFieldInputTest, BadInputIsRefusedWithoutLoss) {
  field->setText("hello");
  const char16_t lone[] = {u'a', 0xD83D, 0};
  field->insertText(rt::String(lone));
  field->setMarkedText(rt::String(lone), {0, 0});
  const char16_t trail[] = {0xDE00, 0};
  field->replaceRange(range(0, 1), rt::String(trail));
  EXPECT_EQ(field->text(), rt::String("hello"));
  EXPECT_FALSE(field->markedTextRange());

  // Ranges past the end and reversed are corrected; null ones ignored.
  EXPECT_EQ(field->textInRange(range(3, 99)), rt::String("lo"));
  EXPECT_EQ(field->textInRange(range(4, 1)), rt::String("ell"));
  EXPECT_EQ(field->textInRange(range(-5, 2)), rt::String("he"));
  EXPECT_EQ(field->textInRange(nullptr), rt::String());
  field->setSelectedTextRange(nullptr);
  field->replaceRange(nullptr, "x");
  field->setSelectedTextRange(range(2, 1000));
  EXPECT_EQ(field->selectedRange(), (rt::Range{2, 3}));
  EXPECT_EQ(field->positionFromPosition(nullptr, 1), nullptr);
  EXPECT_EQ(field->text(), rt::String("hello"));
}

TEST_F(TextFieldInputTest, PositionsNeverLandInsideACharacter) {
  field->setText("a\U0001F600e\u0301b");  // a, emoji (2 units), e + mark, b
  auto begin = field->beginningOfDocument();
  EXPECT_EQ(field->positionFromPosition(begin, 2)->offset(), 3);   // forward: after the emoji
  EXPECT_EQ(field->positionFromPosition(rt::make<TextPosition>(5), -1)->offset(), 3);
  EXPECT_EQ(field->positionFromPosition(begin, 7), nullptr);
  EXPECT_EQ(field->positionFromPosition(begin, TextLayoutDirection::Right, 2)->offset(), 3);
  EXPECT_EQ(field->positionFromPosition(begin, TextLayoutDirection::Right, 3)->offset(), 5);
  EXPECT_EQ(field->positionFromPosition(field->endOfDocument(), TextLayoutDirection::Left, 2)->offset(), 3);
  EXPECT_EQ(field->positionFromPosition(begin, TextLayoutDirection::Down, 1)->offset(), 6);
  auto r = field->characterRangeByExtendingPosition(rt::make<TextPosition>(1), TextLayoutDirection::Right);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->asRange(), (rt::Range{1, 2}));
  EXPECT_EQ(field->offsetFromPosition(begin, field->endOfDocument()), 6);
  EXPECT_EQ(field->comparePosition(begin, field->endOfDocument()), -1);
  auto within = field->positionWithinRange(range(1, 3), TextLayoutDirection::Right);
  EXPECT_EQ(within->offset(), 3);
  EXPECT_EQ(within->affinity(), TextAffinity::Backward);
  EXPECT_EQ(field->positionWithinRange(range(1, 3), int64_t(4)), nullptr);
}

TEST_F(TextFieldInputTest, GeometryFollowsTheText) {
  field->setText("Hello world");
  field->layoutIfNeeded();
  gfx::Rect c0 = field->caretRectForPosition(rt::make<TextPosition>(0));
  gfx::Rect c5 = field->caretRectForPosition(rt::make<TextPosition>(5));
  gfx::Rect c11 = field->caretRectForPosition(field->endOfDocument());
  EXPECT_LT(c0.origin.x, c5.origin.x);
  EXPECT_LT(c5.origin.x, c11.origin.x);
  EXPECT_GT(c0.size.height, 10);
  EXPECT_EQ(c0.size.width, 2);
  gfx::Rect first = field->firstRectForRange(range(0, 5));
  EXPECT_NEAR(first.size.width, c5.origin.x - c0.origin.x, 0.5);
  auto rects = field->selectionRectsForRange(range(0, 5));
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_TRUE(rects[0]->containsStart() && rects[0]->containsEnd());
  // A point over the caret at 5 comes back as 5.
  gfx::Point p{c5.origin.x + 0.5, c5.origin.y + c5.size.height / 2};
  EXPECT_EQ(field->closestPositionToPoint(p)->offset(), 5);
  EXPECT_EQ(field->closestPositionToPoint(p, range(0, 3))->offset(), 3);
  auto ch = field->characterRangeAtPoint({c0.origin.x + 2, p.y});
  ASSERT_TRUE(ch);
  EXPECT_EQ(ch->asRange(), (rt::Range{0, 1}));
  EXPECT_TRUE(field->textStylingAtPosition(field->beginningOfDocument(), TextStorageDirection::Forward));

  // Secure entry shows dots and measures them.
  TextInputTraits secure;
  secure.secureTextEntry = true;
  field->setTextInputTraits(secure);
  EXPECT_EQ(field->displayLabel()->text().composedCharacterCount(), 11u);
  EXPECT_NE(field->displayLabel()->text(), rt::String("Hello world"));
  field->selectAll();
  EXPECT_FALSE(field->canPerformAction(rt::sel("copy:"), nullptr));
}

TEST_F(TextFieldInputTest, EditActionsGoThroughThePasteboard) {
  field->setText("one two");
  field->setSelectedRange({4, 3});
  ASSERT_TRUE(field->canPerformAction(rt::sel("copy:"), nullptr));
  field->performSelector(rt::sel("copy:"), {rt::Value::ofObject(nullptr)});
  EXPECT_EQ(Pasteboard::generalPasteboard()->string(), rt::String("two"));
  field->performSelector(rt::sel("cut:"), {rt::Value::ofObject(nullptr)});
  EXPECT_EQ(field->text(), rt::String("one "));
  EXPECT_TRUE(field->canPerformAction(rt::sel("paste:"), nullptr));
  field->setSelectedRange({0, 0});
  field->performSelector(rt::sel("paste:"), {rt::Value::ofObject(nullptr)});
  EXPECT_EQ(field->text(), rt::String("twoone "));
  Pasteboard::generalPasteboard()->setString("a\nb");
  field->performSelector(rt::sel("paste:"), {rt::Value::ofObject(nullptr)});
  EXPECT_EQ(field->text(), rt::String("twoa bone "));  // one line: the break becomes a space
  field->setSelectedRange({0, 0});
  EXPECT_TRUE(field->canPerformAction(rt::sel("select:"), nullptr));
  field->performSelector(rt::sel("select:"), {rt::Value::ofObject(nullptr)});
  EXPECT_EQ(field->selectedRange(), (rt::Range{0, 4}));  // the word "twoa"
  EXPECT_FALSE(field->canPerformAction(rt::sel("_define:"), nullptr));
  Pasteboard::generalPasteboard()->setItems({});
  EXPECT_FALSE(field->canPerformAction(rt::sel("paste:"), nullptr));
}

TEST_F(TextFieldInputTest, TellsTheInputDelegateOfItsOwnChangesOnly) {
  auto log = std::make_shared<DelegateLog>();
  field->setInputDelegate(log);
  field->insertText("typed");  // asked for: nothing to tell
  EXPECT_EQ(log->log, "");
  field->setText("set");
  EXPECT_EQ(log->log, "t<s<s>t>");
  field->clear();
  EXPECT_EQ(log->log, "t<s<s>t>t<s<s>t>");
}

TEST_F(TextFieldInputTest, TokenizerFindsUnits) {
  field->setText("Hello, world. \u4F60\u597D\u4E16\u754C!");
  auto t = field->tokenizer();
  auto fwd = textDirection(TextStorageDirection::Forward);
  auto back = textDirection(TextStorageDirection::Backward);
  auto p = [](int64_t o) { return rt::make<TextPosition>(o); };
  auto word = t->rangeEnclosingPosition(p(8), TextGranularity::Word, fwd);
  ASSERT_TRUE(word);
  EXPECT_EQ(word->asRange(), (rt::Range{7, 5}));
  EXPECT_FALSE(t->rangeEnclosingPosition(p(5), TextGranularity::Word, fwd));  // the comma
  EXPECT_TRUE(t->rangeEnclosingPosition(p(5), TextGranularity::Word, back));   // "Hello" before it
  EXPECT_TRUE(t->isPositionAtBoundary(p(5), TextGranularity::Word, fwd));
  EXPECT_TRUE(t->isPositionAtBoundary(p(7), TextGranularity::Word, back));
  EXPECT_FALSE(t->isPositionAtBoundary(p(8), TextGranularity::Word, back));
  EXPECT_EQ(t->positionFromPositionToBoundary(p(0), TextGranularity::Word, fwd)->offset(), 5);
  EXPECT_EQ(t->positionFromPositionToBoundary(p(5), TextGranularity::Word, fwd)->offset(), 12);
  EXPECT_EQ(t->positionFromPositionToBoundary(p(12), TextGranularity::Word, back)->offset(), 7);
  auto sentence = t->rangeEnclosingPosition(p(2), TextGranularity::Sentence, fwd);
  ASSERT_TRUE(sentence);
  EXPECT_EQ(sentence->asRange(), (rt::Range{0, 13}));
  auto doc = t->rangeEnclosingPosition(p(3), TextGranularity::Document, fwd);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->asRange(), (rt::Range{0, field->text().length()}));
  EXPECT_TRUE(t->isPositionWithinTextUnit(p(15), TextGranularity::Word, fwd));
  EXPECT_EQ(t->positionFromPositionToBoundary(field->endOfDocument(), TextGranularity::Word, fwd), nullptr);
  EXPECT_EQ(t->rangeEnclosingPosition(nullptr, TextGranularity::Word, fwd), nullptr);
  // The tokenizer does not keep its field alive and answers nothing once it is gone.
  field->resignFirstResponder();
  field->removeFromSuperview();
  field.reset();
  EXPECT_EQ(t->rangeEnclosingPosition(p(8), TextGranularity::Word, fwd), nullptr);
}

TEST_F(TextFieldInputTest, RandomEditingKeepsTheSelectionOnCharacterBoundaries) {
  const char* pieces[] = {"a", "\u4E2D", "\U0001F600", "e\u0301", "\u0301", "\U0001F468\u200D\U0001F469",
                          "\U0001F1E8\U0001F1F3", " ", "xy", "\r\n", "\U0001F3FD"};
  std::mt19937 rng(12345);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto piece = [&] { return rt::String(pieces[pick(std::size(pieces))]); };
  field->setText("start\r\nline e\u0301 \U0001F600");
  for (int step = 0; step < 4000; ++step) {
    int64_t n = static_cast<int64_t>(field->text().length());
    auto anywhere = [&] { return rt::make<TextPosition>(pick(static_cast<int>(n) + 7) - 3); };
    switch (pick(10)) {
      case 0: field->insertText(piece()); break;
      case 1: field->deleteBackward(); break;
      case 2: field->replaceRange(rt::make<TextRange>(anywhere(), anywhere()), piece()); break;
      case 3: field->setMarkedText(piece() + piece(), {static_cast<uint64_t>(pick(4)), static_cast<uint64_t>(pick(3))}); break;
      case 4: field->unmarkText(); break;
      case 5: field->setSelectedTextRange(rt::make<TextRange>(anywhere(), anywhere())); break;
      case 6: field->setSelectedRange({static_cast<uint64_t>(pick(static_cast<int>(n) + 3)), static_cast<uint64_t>(pick(5))}); break;
      case 7: {
        auto p = field->positionFromPosition(anywhere(), pick(7) - 3);
        if (p) field->setSelectedTextRange(rt::make<TextRange>(p, p));
        break;
      }
      case 8: field->setMarkedText("", {0, 0}); break;
      default: field->setText(field->text().substring(0, static_cast<size_t>(pick(static_cast<int>(n) + 1))) + piece()); break;
    }
    const rt::String text = field->text();
    rt::Range sel = field->selectedRange();
    ASSERT_LE(sel.end(), text.length()) << "step " << step;
    ASSERT_TRUE(onBoundary(text, sel.location)) << "step " << step;
    ASSERT_TRUE(onBoundary(text, sel.end())) << "step " << step;
    if (auto m = field->markedTextRange()) {
      ASSERT_LE(m->asRange().end(), text.length()) << "step " << step;
    }
  }
}
