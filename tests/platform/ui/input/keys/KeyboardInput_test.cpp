#include "platform/ui/input/keys/KeyboardInput.h"

#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

/// A view that counts presses and shakes reaching it along the responder chain.
class Listener : public View {
  RT_CLASS(Listener, View)
 public:
  void pressesBegan(const Press& p, Event* e) override { ++presses; View::pressesBegan(p, e); }
  void motionBegan(EventSubtype m, Event*) override { shakes += m == EventSubtype::MotionShake; }
  bool canBecomeFirstResponder() const override { return true; }
  void redo(const rt::Id&) { ++redos; }
  int presses = 0, shakes = 0, redos = 0;
};
RT_IMPLEMENT(Listener) { c.method("redo:", &Listener::redo); }

class KeyboardInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    listener = rt::make<Listener>(gfx::RectMake(0, 0, 320, 100));
    window->addSubview(listener);
    field = rt::make<TextField>(gfx::RectMake(10, 10, 300, 30));
    listener->addSubview(field);
    saved = Pasteboard::generalPasteboard()->items();
  }
  void TearDown() override {
    Pasteboard::generalPasteboard()->setItems(saved);
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    window.reset();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  void press(const char* keys) {
    auto k = parseKeyPress(keys);
    ASSERT_TRUE(k) << keys;
    input.press(*k, window);
  }
  Ref<Window> window;
  Ref<Listener> listener;
  Ref<TextField> field;
  KeyboardInput input;
  std::vector<PasteboardItem> saved;
};

}  // namespace

TEST(KeyPress, ParsesNamesAndModifiers) {
  struct Case { const char* text; Key key; uint32_t mods; char32_t ch; };
  const Case cases[] = {
      {"left", Key::Left, 0, 0},
      {"ctrl+shift+Left", Key::Left, KeyModifierControl | KeyModifierShift, 0},
      {"ctrl+a", Key::Character, KeyModifierControl, U'a'},
      {"ctrl+Z", Key::Character, KeyModifierControl, U'z'},
      {"Return", Key::Return, 0, 0},
      {"space", Key::Character, 0, U' '},
      {"\u4E2D", Key::Character, 0, U'\u4E2D'},
      {"ctrl++", Key::Character, KeyModifierControl, U'+'},
      {"shake", Key::Shake, 0, 0},
      {"shift+Insert", Key::Insert, KeyModifierShift, 0},
  };
  for (const Case& c : cases) {
    auto k = parseKeyPress(c.text);
    ASSERT_TRUE(k) << c.text;
    EXPECT_EQ(k->key, c.key) << c.text;
    EXPECT_EQ(k->modifiers, c.mods) << c.text;
    EXPECT_EQ(k->character, c.ch) << c.text;
  }
  for (const char* bad : {"", "hyper+a", "ctrl+", "leftt", "ab"}) EXPECT_FALSE(parseKeyPress(bad)) << bad;
}

TEST_F(KeyboardInputTest, TypingAndCompositionGoToTheFirstResponderOnly) {
  input.typeText("lost");
  input.compose("x", {1, 0});
  EXPECT_TRUE(field->text().isEmpty());
  ASSERT_TRUE(field->becomeFirstResponder());
  input.typeText("ab");
  input.compose("", {0, 0});  // an input method tidying up: no deletion
  EXPECT_EQ(field->text(), rt::String("ab"));
  input.compose("ni", {2, 0});
  EXPECT_TRUE(field->markedTextRange());
  press("escape");  // drops the composition
  EXPECT_EQ(field->text(), rt::String("ab"));
  input.compose("ni", {2, 0});
  input.typeText("\u4F60");
  EXPECT_EQ(field->text(), rt::String("ab\u4F60"));
  EXPECT_FALSE(field->markedTextRange());
}

TEST_F(KeyboardInputTest, EditingKeysMoveSelectAndDelete) {
  ASSERT_TRUE(field->becomeFirstResponder());
  input.typeText("one two three");
  struct Step { const char* keys; rt::Range selection; const char* text; };
  const Step steps[] = {
      {"home", {0, 0}, "one two three"},
      {"right", {1, 0}, "one two three"},
      {"ctrl+right", {3, 0}, "one two three"},
      {"ctrl+right", {7, 0}, "one two three"},
      {"shift+left", {6, 1}, "one two three"},
      {"shift+left", {5, 2}, "one two three"},
      {"shift+right", {6, 1}, "one two three"},  // the anchor holds: the selection shrinks
      {"ctrl+shift+left", {4, 3}, "one two three"},
      {"left", {4, 0}, "one two three"},        // collapses to the start
      {"shift+end", {4, 9}, "one two three"},
      {"right", {13, 0}, "one two three"},
      {"ctrl+backspace", {8, 0}, "one two "},
      {"backspace", {7, 0}, "one two"},
      {"ctrl+home", {0, 0}, "one two"},
      {"delete", {0, 0}, "ne two"},
      {"ctrl+delete", {0, 0}, " two"},
      {"end", {4, 0}, " two"},
      {"pageup", {0, 0}, " two"},
      {"pagedown", {4, 0}, " two"},
  };
  for (const Step& s : steps) {
    press(s.keys);
    EXPECT_EQ(field->selectedRange(), s.selection) << s.keys;
    EXPECT_EQ(field->text(), rt::String(s.text)) << s.keys;
  }
  EXPECT_EQ(listener->presses, static_cast<int>(std::size(steps)));  // every press went along the chain
}

TEST_F(KeyboardInputTest, ShortcutsSendEditActionsAlongTheChain) {
  ASSERT_TRUE(field->becomeFirstResponder());
  input.typeText("copy me");
  press("ctrl+a");
  EXPECT_EQ(field->selectedRange(), (rt::Range{0, 7}));
  press("ctrl+c");
  EXPECT_EQ(Pasteboard::generalPasteboard()->string(), rt::String("copy me"));
  press("ctrl+x");
  EXPECT_TRUE(field->text().isEmpty());
  press("ctrl+v");
  press("ctrl+v");
  EXPECT_EQ(field->text(), rt::String("copy mecopy me"));
  // Nobody undoes here: the press goes nowhere and nothing breaks.
  auto z = parseKeyPress("ctrl+z");
  EXPECT_FALSE(input.press(*z, window));
  EXPECT_EQ(field->text(), rt::String("copy mecopy me"));
  // The desktop's other names for copy and paste.
  press("ctrl+a");
  press("ctrl+insert");
  EXPECT_EQ(Pasteboard::generalPasteboard()->string(), rt::String("copy mecopy me"));
  Pasteboard::generalPasteboard()->setString("!");
  press("end");
  press("shift+insert");
  EXPECT_EQ(field->text(), rt::String("copy mecopy me!"));
  press("insert");  // alone it does nothing
  EXPECT_EQ(field->text(), rt::String("copy mecopy me!"));
}

// Ctrl+Y redoes, as Ctrl+Shift+Z does.
TEST_F(KeyboardInputTest, CtrlYSendsRedoAlongTheChain) {
  ASSERT_TRUE(field->becomeFirstResponder());
  press("ctrl+y");
  press("ctrl+shift+z");
  EXPECT_EQ(listener->redos, 2);
}

TEST_F(KeyboardInputTest, ReturnEndsTheFieldAndTheShakeKeyShakes) {
  ASSERT_TRUE(field->becomeFirstResponder());
  int returns = 0;
  field->addTarget(nullptr, Control::Action([&](Control&, Event*) { ++returns; }), ControlEventEditingDidEndOnExit);
  press("return");
  EXPECT_EQ(returns, 1);
  ASSERT_TRUE(listener->becomeFirstResponder());
  press("shake");
  EXPECT_EQ(listener->shakes, 1);
}

TEST_F(KeyboardInputTest, TheCaretIsFoundOnScreen) {
  EXPECT_FALSE(input.caretRectOnScreen());
  ASSERT_TRUE(field->becomeFirstResponder());
  window->layoutIfNeeded();
  input.typeText("abc");
  auto r = input.caretRectOnScreen();
  ASSERT_TRUE(r);
  EXPECT_GT(r->origin.x, 10);
  EXPECT_GE(r->origin.y, 10);
  EXPECT_LE(r->origin.y + r->size.height, 40.5);
}
