// Undo and redo of the text view: the snapshot stacks as sequences of steps, the view's
// restore of text and selection, the alert's words in several languages and its buttons,
// which act on what they stand for even where two of them read alike.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "textview/textview/DUDaviDira.h"
#include "textview/textview/DUDaviDiraUndoStrings.h"

using namespace textview;

namespace {

Ref<typeset::AttributedString> str(const char* s) { return typeset::AttributedString::create(rt::String(s)); }

std::vector<std::string> texts(const DUDaviDiraUndoHistory::Stack& stack) {
  std::vector<std::string> out;
  for (const auto& s : stack) out.push_back(s->text()->string().utf8());
  return out;
}

}  // namespace

TEST(DUDaviDiraUndoHistory, StepsAsATable) {
  // Each step acts on the history with the given current text; then both stacks are compared.
  enum Op { Reset, Save, SaveRedo, Undo, Redo, ResetRedo };
  struct Step {
    Op op;
    const char* current;
    std::vector<std::string> undo, redo;
    const char* restored = nullptr;  // the text an undo or redo hands back, "" for none
  };
  std::vector<Step> steps = {
      {Reset, "", {""}, {}},
      {Save, "a", {"", "a"}, {}},
      {Save, "a", {"", "a"}, {}},  // unchanged: stored once
      {Save, "ab", {"", "a", "ab"}, {}},
      {Undo, "ab", {"", "a", "ab"}, {}, ""},  // the newest equals the text: nothing to undo
      {Undo, "abc", {"", "a"}, {"abc"}, "ab"},
      {Undo, "ab", {""}, {"abc", "ab"}, "a"},
      {Redo, "a", {"", "a"}, {"abc"}, "ab"},
      {Redo, "ab", {"", "a", "ab"}, {}, "abc"},
      {Redo, "abc", {"", "a", "ab"}, {}, ""},
      {SaveRedo, "x", {"", "a", "ab"}, {"x"}},
      {ResetRedo, "x", {"", "a", "ab"}, {}},
      {Reset, "fresh", {"fresh"}, {}},
  };
  DUDaviDiraUndoHistory history;
  size_t i = 0;
  for (const auto& step : steps) {
    auto current = str(step.current);
    Ref<DUDaviDiraUndoObject> restored;
    switch (step.op) {
      case Reset: history.reset(*current, {0, 0}); break;
      case Save: history.saveToUndo(*current, {current->length(), 0}); break;
      case SaveRedo: history.saveToRedo(*current, {0, 0}); break;
      case Undo: restored = history.takeUndo(*current, {0, 0}); break;
      case Redo: restored = history.takeRedo(*current, {0, 0}); break;
      case ResetRedo: history.resetRedo(); break;
    }
    EXPECT_EQ(texts(history.undoStack()), step.undo) << "step " << i;
    EXPECT_EQ(texts(history.redoStack()), step.redo) << "step " << i;
    if (step.restored) {
      EXPECT_EQ(restored ? restored->text()->string().utf8() : std::string(), std::string(step.restored))
          << "step " << i;
    }
    ++i;
  }
}

TEST(DUDaviDiraUndoHistory, KeepsTheNewestUpToTheLevel) {
  DUDaviDiraUndoHistory history;
  history.reset(*str(""), {0, 0});
  std::string text;
  for (int i = 0; i < 25; ++i) {
    text += "x";
    history.saveToUndo(*str(text.c_str()), {text.size(), 0});
  }
  ASSERT_EQ(history.undoStack().size(), 20u);
  EXPECT_EQ(history.undoStack().front()->text()->length(), 6u);
  EXPECT_EQ(history.undoStack().back()->text()->length(), 25u);
  EXPECT_EQ(history.lastTypeRange(), (rt::Range{25, 0}));

  // Not allowed: nothing is stored, though a reset still records the current text.
  history.setAllowsUndoAndRedo(false);
  history.saveToUndo(*str("y"), {1, 0});
  EXPECT_EQ(history.undoStack().size(), 20u);
  history.reset(*str("z"), {1, 0});
  EXPECT_EQ(texts(history.undoStack()), std::vector<std::string>{"z"});
}

TEST(DUDaviDiraUndoObject, NullTextIsEmpty) {
  auto object = DUDaviDiraUndoObject::objectWithText(nullptr, {2, 3});
  ASSERT_TRUE(object->text());
  EXPECT_EQ(object->text()->length(), 0u);
  EXPECT_EQ(object->selectedRange(), (rt::Range{2, 3}));
}

TEST(DUDaviDiraUndoStrings, LanguageChoice) {
  struct Case {
    const char* preferred;
    const char* cancel;
    const char* undoTyping;
  } cases[] = {
      {"en", "Cancel", "Undo Typing"},
      {"", "Cancel", "Undo Typing"},
      {"fr", "Annuler", "Annuler la saisie"},
      {"de", "Abbrechen", "Eingabe widerrufen"},
      {"ja", "キャンセル", "取り消す - 入力"},
      {"pt_BR", "Cancelar", "Desfazer Digitação"},  // no row of its own: the pt row
      {"pt-PT", "Cancelar", "Desfazer digitar"},
      {"es_MX", "Cancelar", "Deshacer escritura"},
      {"zh_TW", "取消", "還原輸入"},
      {"xx", "Cancel", "Undo Typing"},
  };
  for (const auto& c : cases) {
    auto strings = undoStringsForLocalization(rt::String(c.preferred));
    EXPECT_EQ(strings[DUDaviDiraUndoStringCancel], rt::String(c.cancel)) << c.preferred;
    EXPECT_EQ(strings[DUDaviDiraUndoStringUndoTyping], rt::String(c.undoTyping)) << c.preferred;
  }
  EXPECT_EQ(localizedUndoStrings(), localizedUndoStrings());
}

class TextViewUndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    ui::Application::sharedApplication()->resetForTesting();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 200, 200));
  }
  void TearDown() override {
    view.reset();
    window.reset();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  // Two typed steps after a start: "one", "one two", "one two three".
  void typeThreeSteps() {
    view->setText("one");
    view->replaceRange({3, 0}, " two");
    view->saveToUndoStack();
    view->replaceRange({7, 0}, " three");
  }
  Ref<DUDaviDira> view;
  Ref<ui::Window> window;
};

TEST_F(TextViewUndoTest, UndoThenRedoRestoresTextAndSelection) {
  typeThreeSteps();
  view->setSelectedRange({2, 3});  // outside an undo a move starts the history afresh
  view->replaceRange({13, 0}, "!");
  view->saveToUndoStack();
  view->replaceRange({14, 0}, "?");
  ASSERT_TRUE(view->canUndo());
  EXPECT_FALSE(view->canRedo());
  // Text replaced after the selection leaves it where it was, and so do undo and redo.
  view->undo();
  EXPECT_EQ(view->text(), rt::String("one two three!"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{2, 3}));
  EXPECT_TRUE(view->canRedo());
  view->redo();
  EXPECT_EQ(view->text(), rt::String("one two three!?"));
  EXPECT_EQ(view->selectedRange(), (rt::Range{2, 3}));
  EXPECT_FALSE(view->canRedo());
}

TEST_F(TextViewUndoTest, AlertOffersWhatIsPossible) {
  auto english = undoStringsForLocalization("en");
  EXPECT_FALSE(view->makeUndoRedoAlert(english));  // neither possible
  typeThreeSteps();
  auto alert = view->makeUndoRedoAlert(english);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), rt::String("Undo Typing"));
  EXPECT_EQ(alert->message(), rt::String());
  ASSERT_EQ(alert->actions().size(), 2u);
  EXPECT_EQ(alert->actions()[0]->title(), rt::String("Undo"));
  EXPECT_EQ(alert->actions()[1]->title(), rt::String("Cancel"));
  EXPECT_EQ(alert->actions()[1]->style(), ui::AlertActionStyle::Cancel);

  view->undo();
  alert = view->makeUndoRedoAlert(english);
  ASSERT_EQ(alert->actions().size(), 3u);
  EXPECT_EQ(alert->actions()[1]->title(), rt::String("Redo Typing"));

  // Only redo left.
  view->undo();
  ASSERT_FALSE(view->canUndo());
  alert = view->makeUndoRedoAlert(english);
  EXPECT_EQ(alert->title(), rt::String("Redo Typing"));
  ASSERT_EQ(alert->actions().size(), 2u);
  EXPECT_EQ(alert->actions()[0]->title(), rt::String("Redo"));
  EXPECT_EQ(alert->actions()[1]->title(), rt::String("Cancel"));
}

TEST_F(TextViewUndoTest, ButtonsActOnTheirActionNotTheirTitle) {
  // In these languages cancel and undo read the same.
  for (const char* language : {"fr", "it", "ru"}) {
    auto strings = undoStringsForLocalization(rt::String(language));
    ASSERT_EQ(strings[DUDaviDiraUndoStringCancel], strings[DUDaviDiraUndoStringUndo]) << language;
    typeThreeSteps();
    auto alert = view->makeUndoRedoAlert(strings);
    ASSERT_TRUE(alert);
    auto cancel = alert->actions().back();
    auto undo = alert->actions().front();
    ASSERT_EQ(cancel->title(), undo->title());
    cancel->handler()(*cancel);
    EXPECT_EQ(view->text(), rt::String("one two three")) << language;
    undo->handler()(*undo);
    EXPECT_EQ(view->text(), rt::String("one two")) << language;
  }
}

TEST_F(TextViewUndoTest, AlertIsPresentedFromTheKeyWindowAndTappedThroughTheHost) {
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  auto root = rt::make<ui::ViewController>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  root->view()->addSubview(view);
  typeThreeSteps();
  ASSERT_TRUE(view->showUndoRedoAlert());
  auto alert = rt::as<ui::AlertController>(root->presentedViewController());
  ASSERT_TRUE(alert);
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.renderFrame();
  const auto& buttons = alert->panelView()->buttons();
  ASSERT_EQ(buttons.size(), 2u);
  // Two buttons: cancel on the left, undo on the right.
  gfx::Rect r = buttons[1]->convertRectToView(buttons[1]->bounds(), nullptr);
  host.tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
  EXPECT_EQ(view->text(), rt::String("one two"));
  EXPECT_EQ(root->presentedViewController(), nullptr);
}

// Every edit after an undo or redo is a step of its own and empties the redo stack; a refused
// edit touches nothing; a snapshot holds the text as it is, look included.
class TextViewUndoStepsTest : public TextViewUndoTest {
 protected:
  class Refuser : public DUDaviDiraDelegate {
   public:
    bool refuse = false;
    std::optional<bool> textViewShouldChangeTextInRange(DUDaviDira&, rt::Range, const rt::String&) override {
      return !refuse;
    }
  };
  void SetUp() override {
    TextViewUndoTest::SetUp();
    saved = ui::Pasteboard::generalPasteboard()->items();
  }
  void TearDown() override {
    ui::Pasteboard::generalPasteboard()->setItems(saved);
    TextViewUndoTest::TearDown();
  }
  std::vector<ui::PasteboardItem> saved;
};

TEST_F(TextViewUndoStepsTest, TypingAfterAnUndoStartsANewStepAndDropsRedo) {
  view->insertText(rt::String(u"\u4F60"));
  view->undo();
  ASSERT_EQ(view->text(), rt::String());
  ASSERT_TRUE(view->canRedo());
  view->insertText(rt::String(u"\u597D"));
  EXPECT_FALSE(view->canRedo());
  view->redo();
  EXPECT_EQ(view->text(), rt::String(u"\u597D"));
  view->undo();
  EXPECT_EQ(view->text(), rt::String());

  // The same after a redo, and typing on still groups into one step.
  view->setText("ab");
  view->saveToUndoStack();
  view->insertText("c");
  view->insertText("d");
  view->undo();
  ASSERT_EQ(view->text(), rt::String("ab"));
  view->redo();
  ASSERT_EQ(view->text(), rt::String("abcd"));
  view->insertText("e");
  view->insertText("f");
  view->undo();
  EXPECT_EQ(view->text(), rt::String("abcd"));
  view->undo();
  EXPECT_EQ(view->text(), rt::String("ab"));
}

TEST_F(TextViewUndoStepsTest, ReplacementsAreStepsThatDropRedo) {
  view->setText("one two");
  view->replaceRange(text::DRTextRange::rangeWithRange({0, 3}), "six");
  EXPECT_EQ(view->text(), rt::String("six two"));
  ASSERT_TRUE(view->canUndo());
  view->undo();
  EXPECT_EQ(view->text(), rt::String("one two"));
  ASSERT_TRUE(view->canRedo());
  view->replaceRange(text::DRTextRange::rangeWithRange({4, 3}), "ten");
  EXPECT_FALSE(view->canRedo());
  EXPECT_EQ(view->text(), rt::String("one ten"));
  view->undo();
  EXPECT_EQ(view->text(), rt::String("one two"));
}

TEST_F(TextViewUndoStepsTest, RefusedEditsLeaveTheHistoryAlone) {
  auto refuser = std::make_shared<Refuser>();
  view->setTextViewDelegate(refuser);
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  struct Case {
    const char* name;
    std::function<void(DUDaviDira&)> edit;
  } cases[] = {
      {"cut", [](DUDaviDira& v) { v.setSelectedTextRange(text::DRTextRange::rangeWithRange({0, 2})); v.cutAction(nullptr); }},
      {"paste", [](DUDaviDira& v) { v.pasteAction(nullptr); }},
      {"insert", [](DUDaviDira& v) { v.insertText("z"); }},
      {"delete", [](DUDaviDira& v) { v.deleteBackward(); }},
      {"replace", [](DUDaviDira& v) { v.replaceRange(text::DRTextRange::rangeWithRange({0, 1}), "q"); }},
  };
  for (const auto& c : cases) {
    refuser->refuse = false;
    view->setText("abc");
    view->setSelectedRange({3, 0});
    view->saveToUndoStack();
    view->insertText("d");
    view->undo();
    ASSERT_TRUE(view->canRedo()) << c.name;
    const size_t undoDepth = view->undoHistory().undoStack().size();
    pasteboard->setString("pasted");
    refuser->refuse = true;
    c.edit(*view);
    EXPECT_EQ(view->text(), rt::String("abc")) << c.name;
    EXPECT_TRUE(view->canRedo()) << c.name;
    EXPECT_EQ(view->undoHistory().undoStack().size(), undoDepth) << c.name;
    ASSERT_TRUE(pasteboard->string()) << c.name;
    EXPECT_EQ(*pasteboard->string(), rt::String("pasted")) << c.name;
    refuser->refuse = false;
    view->redo();
    EXPECT_EQ(view->text(), rt::String("abcd")) << c.name;
  }
}

TEST_F(TextViewUndoStepsTest, SnapshotsKeepTheLookSetSince) {
  view->setText("abc");
  view->setFont(typeset::Font::systemFontOfSize(31));
  view->setTextColor(gfx::Color::redColor());
  view->setSelectedRange({0, 3});
  view->cutAction(nullptr);
  ASSERT_EQ(view->text(), rt::String());
  view->undo();
  ASSERT_EQ(view->text(), rt::String("abc"));
  auto font = rt::as<typeset::Font>(view->attributedText()->attributeAtIndex(typeset::FontAttributeName, 1));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 31);
  auto color = rt::as<gfx::Color>(view->attributedText()->attributeAtIndex(typeset::ForegroundColorAttributeName, 1));
  ASSERT_TRUE(color);
  EXPECT_TRUE(color->isEqual(gfx::Color::redColor().get()));
}

TEST_F(TextViewUndoStepsTest, LinePositionModifierIsCopied) {
  auto modifier = rt::make<text::DRTextLinePositionSimpleModifier>();
  modifier->setFixedLineHeight(20);
  view->setLinePositionModifier(modifier);
  auto kept = rt::as<text::DRTextLinePositionSimpleModifier>(view->linePositionModifier());
  ASSERT_TRUE(kept);
  EXPECT_NE(kept.get(), modifier.get());
  modifier->setFixedLineHeight(50);
  EXPECT_DOUBLE_EQ(kept->fixedLineHeight(), 20);
}

TEST_F(TextViewUndoStepsTest, SelectionShownFollowsEveryRestoredSelection) {
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  auto root = rt::make<ui::ViewController>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  root->view()->addSubview(view);
  // Reads the selection whenever the view says the text or the selection changed, as a
  // status line does.
  struct Status : DUDaviDiraDelegate {
    rt::Range shown{0, 0};
    void textViewDidChange(DUDaviDira& v) override { shown = v.selectedRange(); }
    void textViewDidChangeSelection(DUDaviDira& v) override { shown = v.selectedRange(); }
  };
  auto status = std::make_shared<Status>();
  view->setTextViewDelegate(status);
  ASSERT_TRUE(view->becomeFirstResponder());
  const rt::String typed("forty-three characters typed in one go here");
  ASSERT_EQ(typed.length(), 43u);
  view->insertText(typed);
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  // Undo, then redo, each from the shake alert's rightmost button.
  for (const char* step : {"undo", "redo"}) {
    ASSERT_TRUE(view->showUndoRedoAlert()) << step;
    auto alert = rt::as<ui::AlertController>(root->presentedViewController());
    ASSERT_TRUE(alert) << step;
    host.renderFrame();
    const auto& buttons = alert->panelView()->buttons();
    ASSERT_FALSE(buttons.empty()) << step;
    auto button = buttons.back();
    gfx::Rect r = button->convertRectToView(button->bounds(), nullptr);
    host.tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
    fd::RunLoopDriver::advance(0.1);
    host.renderFrame();
  }
  ASSERT_EQ(view->text(), typed);
  EXPECT_EQ(view->selectedRange(), (rt::Range{43, 0}));
  EXPECT_EQ(view->selectedTextRange()->asRange(), (rt::Range{43, 0}));
  EXPECT_EQ(status->shown, (rt::Range{43, 0}));
  EXPECT_TRUE(view->isFirstResponder());
  EXPECT_TRUE(view->selectionView()->isCaretVisible());
  EXPECT_TRUE(view->selectionView()->selectionRects().empty());
}
