// The text view typed into through the window host under Xvfb: keys and input-method events
// as the window system delivers them, the desktop clipboard, and a real keyboard through the
// X server.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tests/support/XvfbDisplay.h"
#include "textview/textview/DUDaviDira.h"

using testsupport::XvfbDisplay;
using textview::DUDaviDira;

namespace {

void push(const SDL_Event& e) { ASSERT_EQ(SDL_PushEvent(const_cast<SDL_Event*>(&e)), 1) << SDL_GetError(); }

void pushText(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
  push(e);
}

void pushEditing(const char* utf8, int start, int length) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  std::strncpy(e.edit.text, utf8, sizeof(e.edit.text) - 1);
  e.edit.start = start;
  e.edit.length = length;
  push(e);
}

void pushKey(SDL_Keycode key, uint16_t mod = 0) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  push(e);
}

class TextViewHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.installed()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(display_.started()) << "Xvfb did not start";
    saved_ = ui::Pasteboard::generalPasteboard()->items();
    screen_ = rt::make<ui::Screen>(gfx::Size{240, 160}, 1);
    window_ = rt::make<ui::Window>(gfx::RectMake(0, 0, 240, 160));
    window_->setBackgroundColor(gfx::Color::whiteColor());
    window_->setHidden(false);
    view_ = rt::make<DUDaviDira>(gfx::RectMake(10, 10, 220, 140));
    window_->addSubview(view_);
  }
  void TearDown() override {
    if (view_) view_->resignFirstResponder();
    if (host_) host_->close();
    host_.reset();
    if (window_) window_->setHidden(true);
    ui::Transaction::flush();
    fd::RunLoopDriver::reset();
    ui::Pasteboard::generalPasteboard()->setItems(saved_);
  }
  void open(const char* title) {
    host_ = std::make_unique<ui::WindowHost>(screen_);
    host_->setWindowSource([this] { return std::vector<Ref<ui::Window>>{window_}; });
    std::string error;
    ASSERT_TRUE(host_->open(title, 1, &error)) << error;
    host_->pump();
  }

  XvfbDisplay display_;
  std::vector<ui::PasteboardItem> saved_;
  Ref<ui::Screen> screen_;
  Ref<ui::Window> window_;
  Ref<DUDaviDira> view_;
  std::unique_ptr<ui::WindowHost> host_;
};

}  // namespace

TEST_F(TextViewHostTest, ComposesTypesEditsAndSharesTheClipboard) {
  fd::RunLoopDriver::useVirtualClock();
  open("text view compose");
  ASSERT_TRUE(view_->becomeFirstResponder());
  host_->pump();
  EXPECT_TRUE(SDL_IsTextInputActive());

  // A composition: marked text with its cursor counted in characters, then the commit.
  pushEditing("\U0001F600ni", 1, 2);
  host_->pump();
  EXPECT_EQ(view_->text(), rt::String("\U0001F600ni"));
  ASSERT_TRUE(view_->markedTextRange());
  EXPECT_EQ(view_->selectedRange(), (rt::Range{2, 2}));  // after the emoji's two units
  pushText("\u4F60");
  host_->pump();
  EXPECT_EQ(view_->text(), rt::String("\u4F60"));
  EXPECT_FALSE(view_->markedTextRange());

  // Typing, editing keys and shortcuts; the copy reaches the desktop clipboard.
  pushText(" ok");
  pushKey(SDLK_RETURN);
  pushText("two");
  pushKey(SDLK_BACKSPACE);
  host_->pump();
  EXPECT_EQ(view_->text(), rt::String("\u4F60 ok\ntw"));
  pushKey(SDLK_LEFT, KMOD_LCTRL | KMOD_LSHIFT);
  pushKey(SDLK_c, KMOD_LCTRL);
  host_->pump();
  EXPECT_EQ(view_->selectedRange(), (rt::Range{5, 2}));
  char* clip = SDL_GetClipboardText();
  EXPECT_STREQ(clip, "tw");
  SDL_free(clip);
  SDL_SetClipboardText("from outside");
  pushKey(SDLK_END, KMOD_LCTRL);
  pushKey(SDLK_v, KMOD_LCTRL);
  host_->pump();
  EXPECT_EQ(view_->text(), rt::String("\u4F60 ok\ntwfrom outside"));

  ASSERT_TRUE(view_->resignFirstResponder());
  host_->pump();
  EXPECT_FALSE(SDL_IsTextInputActive());
}

// A real keyboard through the X server: xdotool types into the focused window as a person
// would.
TEST_F(TextViewHostTest, TakesRealKeystrokes) {
  if (std::system("command -v xdotool > /dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  // Real time here: the X server delivers the keys when it does.
  fd::RunLoopDriver::reset();
  open("kd-text-view-keys");
  ASSERT_TRUE(view_->becomeFirstResponder());
  host_->pump();
  int rc = std::system(
      "xdotool search --sync --name '^kd-text-view-keys$' windowfocus --sync "
      "type --delay 15 'Hello wrld' && "
      "xdotool key --delay 15 Left Left Left o End BackSpace ctrl+shift+Left ctrl+c End space ctrl+v");
  ASSERT_EQ(rc, 0);
  const rt::String expected("Hello worl worl");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (view_->text() != expected && std::chrono::steady_clock::now() < deadline) {
    host_->pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(view_->text(), expected);
}
