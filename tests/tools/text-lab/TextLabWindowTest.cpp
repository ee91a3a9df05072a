// The text lab in a real window on a private X server: the editor takes the desktop's input
// method, typed text and editing keys, shares plain text with the desktop clipboard both
// ways, undoes and redoes from the keyboard, and shakes into its undo alert.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstring>

#include "platform/ui/alerts/AlertController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "tests/support/XvfbDisplay.h"
#include "tools/text-lab/TLLabDelegate.h"
#include "tools/text-lab/TLLabRun.h"

namespace {

void pushText(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

void pushEditing(const char* utf8, int start) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  std::strncpy(e.edit.text, utf8, sizeof(e.edit.text) - 1);
  e.edit.start = start;
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

void pushKey(SDL_Keycode key, uint16_t mod = 0) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

class TextLabWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ui::Keyboard::sharedKeyboard()->hide();
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
    ui::Application::sharedApplication()->resetForTesting();
  }
};

}  // namespace

TEST_F(TextLabWindowTest, TheEditorTypesComposesAndSharesTheDesktopClipboard) {
  testsupport::XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  auto saved = pasteboard->items();

  textlab::TLLabOptions options;
  options.keyboard = "none";
  ASSERT_TRUE(textlab::launchTextLab(options));
  auto lab = textlab::TLLabDelegate::current();
  ASSERT_TRUE(lab);
  ui::WindowHost host;
  std::string error;
  ASSERT_TRUE(host.open("text lab", 1, &error)) << error;
  host.run(0.2);
  // The editor tab, then a tap in the editor starts editing and the desktop's text input.
  host.tap({281, 642});
  host.run(0.2);
  ASSERT_EQ(lab->tabs()->selectedIndex(), 1);
  auto view = lab->editorPage()->textView();
  host.tap({187, 300});
  host.run(0.3);
  ASSERT_TRUE(view->isFirstResponder());
  EXPECT_TRUE(SDL_IsTextInputActive());

  // An input method's composition, then its commit in its place.
  pushEditing("shi", 3);
  host.run(0.05);
  EXPECT_EQ(view->text(), rt::String("shi"));
  EXPECT_TRUE(view->markedTextRange());
  pushText("\u5E02");
  host.run(0.05);
  EXPECT_EQ(view->text(), rt::String("\u5E02"));
  EXPECT_FALSE(view->markedTextRange());

  // Typed text and editing keys; the copy reaches the desktop clipboard.
  pushText(" ok");
  pushKey(SDLK_LEFT, KMOD_LCTRL | KMOD_LSHIFT);
  pushKey(SDLK_c, KMOD_LCTRL);
  host.run(0.05);
  EXPECT_EQ(view->selectedRange(), (rt::Range{2, 2}));
  char* clip = SDL_GetClipboardText();
  EXPECT_STREQ(clip, "ok");
  SDL_free(clip);
  // Text another program copied comes in through paste.
  SDL_SetClipboardText("from outside");
  pushKey(SDLK_END);
  pushKey(SDLK_v, KMOD_LCTRL);
  host.run(0.05);
  EXPECT_EQ(view->text(), rt::String("\u5E02 okfrom outside"));

  // Undo and redo from the keyboard.
  pushKey(SDLK_z, KMOD_LCTRL);
  host.run(0.05);
  EXPECT_EQ(view->text(), rt::String("\u5E02 ok"));
  pushKey(SDLK_z, KMOD_LCTRL | KMOD_LSHIFT);
  host.run(0.05);
  EXPECT_EQ(view->text(), rt::String("\u5E02 okfrom outside"));

  // F6 shakes the device: the undo alert comes up.
  pushKey(SDLK_F6);
  host.run(0.5);
  EXPECT_TRUE(rt::as<ui::AlertController>(lab->tabs()->presentedViewController()));

  host.close();
  pasteboard->setItems(saved);
}
