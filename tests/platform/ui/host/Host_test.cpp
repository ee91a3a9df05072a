#include <gtest/gtest.h>

#include <unistd.h>

#include <SDL2/SDL.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <filesystem>
#include <thread>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/support/XvfbDisplay.h"

using namespace ui;
namespace fs = std::filesystem;

namespace {

// A square that turns blue when tapped and follows drags.
class Tile : public View {
  RT_CLASS(Tile, View)
 public:
  void touchesMoved(const TouchSet&, Event*) override { ++moves; }
  void touchesEnded(const TouchSet&, Event*) override { setBackgroundColor(gfx::Color::blueColor()); }
  int moves = 0;
};
RT_IMPLEMENT(Tile) {}

// Counts the times it is drawn.
class Sketch : public View {
  RT_CLASS(Sketch, View)
 public:
  void drawRect(gfx::Rect) override { ++draws; }
  int draws = 0;
};
RT_IMPLEMENT(Sketch) {}

struct Demo {
  Ref<Window> window;
  Ref<Tile> tile;
};

Demo demoTree(gfx::Size size) {
  Demo d;
  d.window = rt::make<Window>(gfx::Rect{{0, 0}, size});
  d.window->setBackgroundColor(gfx::Color::whiteColor());
  d.window->setHidden(false);
  d.tile = rt::make<Tile>(gfx::RectMake(20, 20, 60, 60));
  d.tile->setBackgroundColor(gfx::Color::redColor());
  d.window->addSubview(d.tile);
  return d;
}

uint32_t pngPixel(const fs::path& file, size_t x, size_t y) {
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  if (!image || !image->CGImage()) return 0;
  return image->CGImage()->pixel(x, y);
}

bool isRed(uint32_t p) { return ((p >> 16) & 0xff) > 200 && (p & 0xff) < 50; }
bool isBlue(uint32_t p) { return (p & 0xff) > 200 && ((p >> 16) & 0xff) < 50; }

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    dir_ = fs::temp_directory_path() / ("uia_host_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

}  // namespace

TEST(HostScript, ParsesCommandsAndRejectsBadLines) {
  std::vector<HostScriptStep> steps;
  std::string error;
  ASSERT_TRUE(parseHostScript("# demo\ntap 10 20\n\ndrag 1 2 3 4 0.5  # swipe\nwait 1.5\nshoot home\n", &steps, &error));
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].kind, HostScriptStep::Kind::Tap);
  EXPECT_EQ(steps[0].args[1], 20);
  EXPECT_EQ(steps[1].args[4], 0.5);
  EXPECT_EQ(steps[1].line, 4);
  EXPECT_EQ(steps[2].args[0], 1.5);
  EXPECT_EQ(steps[3].name, "home");
  struct Bad {
    const char* text;
    const char* message;
  } bad[] = {
      {"jump 1 2", "line 1: unknown command \"jump\""},
      {"tap 1", "line 1: tap needs 2 numbers"},
      {"\ntap 1 x", "line 2: not a number: \"x\""},
      {"wait -1", "line 1: seconds must not be negative"},
      {"wait 1 2", "line 1: unexpected \"2\""},
      {"shoot", "line 1: shoot needs a name"},
      {"shoot ../up", "line 1: shoot name must be a plain file name"},
      {"tap 1e999 2", "line 1: not a number: \"1e999\""},
      {"type", "line 1: type needs text"},
      {"compose", "line 1: compose needs text"},
      {"key", "line 1: key needs a key name"},
      {"key ctrl+hyper", "line 1: unknown key \"ctrl+hyper\""},
      {"key left right", "line 1: unexpected \"right\""},
  };
  for (auto& b : bad) {
    error.clear();
    EXPECT_FALSE(parseHostScript(b.text, nullptr, &error));
    EXPECT_EQ(error, b.message);
  }
}

TEST(HostScript, ParsesTypingKeysAndCompositions) {
  std::vector<HostScriptStep> steps;
  std::string error;
  ASSERT_TRUE(parseHostScript("type Hello  world\\n\nkey ctrl+shift+left\ncompose zhong guo\ncommit \u4E2D\u56FD\ncommit\n",
                              &steps, &error)) << error;
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0].kind, HostScriptStep::Kind::Type);
  EXPECT_EQ(steps[0].name, "Hello  world\n");
  EXPECT_EQ(steps[1].kind, HostScriptStep::Kind::Key);
  EXPECT_EQ(steps[1].name, "ctrl+shift+left");
  EXPECT_EQ(steps[2].kind, HostScriptStep::Kind::Compose);
  EXPECT_EQ(steps[2].name, "zhong guo");
  EXPECT_EQ(steps[3].name, "\u4E2D\u56FD");
  EXPECT_EQ(steps[4].kind, HostScriptStep::Kind::Commit);
  EXPECT_EQ(steps[4].name, "");
}

TEST_F(HostTest, AScriptTypesComposesSelectsCopiesAndPastes) {
  auto screen = rt::make<Screen>(gfx::Size{240, 100}, 1);
  Demo d = demoTree({240, 100});
  auto field = rt::make<TextField>(gfx::RectMake(10, 10, 220, 30));
  d.window->addSubview(field);
  HeadlessHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  auto pasteboard = Pasteboard::generalPasteboard();
  auto saved = pasteboard->items();
  std::string error;
  ASSERT_TRUE(host.runScript("tap 100 25\n"
                             "type news \n"
                             "compose zhong\n"
                             "shoot composing\n"
                             "commit \u4E2D\u6587\n"
                             "compose wen\n"
                             "commit\n"
                             "key ctrl+shift+left\n"
                             "key ctrl+shift+left\n"
                             "key ctrl+c\n"
                             "key end\n"
                             "type  \n"
                             "key ctrl+v\n"
                             "shoot typed\n",
                             dir_.string(), &error))
      << error;
  EXPECT_EQ(field->text(), rt::String("news \u4E2D\u6587wen \u4E2D\u6587wen"));
  EXPECT_EQ(pasteboard->string(), rt::String("\u4E2D\u6587wen"));
  EXPECT_TRUE(fs::exists(dir_ / "composing.png"));
  EXPECT_TRUE(fs::exists(dir_ / "typed.png"));
  pasteboard->setItems(saved);
  field->resignFirstResponder();
}

TEST_F(HostTest, HeadlessRunsAScriptAndWritesFrames) {
  auto screen = rt::make<Screen>(gfx::Size{100, 120}, 2);
  Demo d = demoTree({100, 120});
  HeadlessHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  std::string error;
  ASSERT_TRUE(host.runScript("shoot before\ntap 50 50\nwait 0.2\nshoot after\ndrag 50 50 90 90 0.25\n",
                             dir_.string(), &error))
      << error;
  ASSERT_TRUE(fs::exists(dir_ / "before.png"));
  EXPECT_TRUE(isRed(pngPixel(dir_ / "before.png", 100, 100)));
  EXPECT_TRUE(isBlue(pngPixel(dir_ / "after.png", 100, 100)));
  EXPECT_EQ(pngPixel(dir_ / "after.png", 10, 10) & 0xffffff, 0xffffffu);  // window background
  EXPECT_GT(d.tile->moves, 3);
  // A bad script runs nothing.
  EXPECT_FALSE(host.runScript("shoot first\nfly 1\n", dir_.string(), &error));
  EXPECT_FALSE(fs::exists(dir_ / "first.png"));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(host.shoot("/nonexistent-dir/x.png", &error));
}

TEST_F(HostTest, AScriptsWaitDrawsFramesAsAWindowWould) {
  auto screen = rt::make<Screen>(gfx::Size{100, 120}, 2);
  Demo d = demoTree({100, 120});
  auto sketch = rt::make<Sketch>(gfx::Rect{{0, 0}, {20, 20}});
  d.window->addSubview(sketch);
  HeadlessHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  std::string error;
  ASSERT_TRUE(host.runScript("wait 0.1\n", dir_.string(), &error)) << error;
  EXPECT_GE(sketch->draws, 1);
}

using testsupport::XvfbDisplay;

TEST_F(HostTest, WindowHostOpensAndRendersUnderXvfb) {
  XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  auto screen = rt::make<Screen>(gfx::Size{100, 120}, 2);
  Demo d = demoTree({100, 120});
  WindowHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  std::string error;
  bool opened = host.open("test", 1.5, &error);
  ASSERT_TRUE(opened) << error;
  EXPECT_TRUE(host.pump());
  EXPECT_GE(host.framesShown(), 1u);
  EXPECT_TRUE(isRed(host.windowPixel(75, 75)));  // point (50, 50) at zoom 1.5
  EXPECT_EQ(host.windowPixel(10, 10) & 0xffffff, 0xffffffu);
  d.tile->setBackgroundColor(gfx::Color::blueColor());
  host.pump();
  EXPECT_TRUE(isBlue(host.windowPixel(75, 75)));
  host.close();
}

namespace {
void pushText(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}
void pushKey(SDL_Keycode key) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}
}  // namespace

TEST_F(HostTest, WindowHostTypesIntoTheFirstResponderUnderXvfb) {
  XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  auto screen = rt::make<Screen>(gfx::Size{200, 120}, 1);
  Demo d = demoTree({200, 120});
  auto field = rt::make<TextField>(gfx::RectMake(10, 10, 180, 30));
  auto other = rt::make<TextField>(gfx::RectMake(10, 60, 180, 30));
  d.window->addSubview(field);
  d.window->addSubview(other);
  int returns = 0;
  field->addTarget(nullptr, Control::Action([&](Control&, Event*) { ++returns; }), ControlEventEditingDidEndOnExit);
  WindowHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  std::string error;
  ASSERT_TRUE(host.open("keys", 1, &error)) << error;

  // Nobody is first responder: typing goes nowhere.
  pushText("lost");
  pushKey(SDLK_RETURN);
  host.pump();
  EXPECT_TRUE(field->text().isEmpty());
  EXPECT_EQ(returns, 0);

  ASSERT_TRUE(field->becomeFirstResponder());
  struct Step {
    std::function<void()> input;
    const char* text;
    int returns;
  };
  const Step steps[] = {
      {[] { pushText("Caf\u00e9 "); }, "Caf\u00e9 ", 0},
      {[] { pushText("\U0001F600"); }, "Caf\u00e9 \U0001F600", 0},
      {[] { pushKey(SDLK_BACKSPACE); }, "Caf\u00e9 ", 0},  // the emoji goes whole
      {[] { pushKey(SDLK_BACKSPACE); pushKey(SDLK_BACKSPACE); }, "Caf", 0},
      {[] { pushKey(SDLK_a); }, "Caf", 0},  // letters come as text, not as keys
      {[] { pushKey(SDLK_RETURN); }, "Caf", 1},
      {[] { pushKey(SDLK_KP_ENTER); }, "Caf", 2},
  };
  for (const Step& step : steps) {
    step.input();
    host.pump();
    EXPECT_EQ(field->text(), rt::String(step.text));
    EXPECT_EQ(returns, step.returns);
  }
  // The keyboard follows the first responder.
  ASSERT_TRUE(other->becomeFirstResponder());
  pushText("x");
  host.pump();
  EXPECT_EQ(other->text(), rt::String("x"));
  EXPECT_EQ(field->text(), rt::String("Caf"));
  other->resignFirstResponder();
  host.close();
}

namespace {
void pushEditing(const char* utf8, int start, int length) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  std::strncpy(e.edit.text, utf8, sizeof(e.edit.text) - 1);
  e.edit.start = start;
  e.edit.length = length;
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}
void pushKeyWith(SDL_Keycode key, uint16_t mod) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}
}  // namespace

TEST_F(HostTest, WindowHostComposesEditsAndSharesTheClipboardUnderXvfb) {
  XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  auto screen = rt::make<Screen>(gfx::Size{200, 120}, 1);
  Demo d = demoTree({200, 120});
  auto field = rt::make<TextField>(gfx::RectMake(10, 10, 180, 30));
  d.window->addSubview(field);
  WindowHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  auto pasteboard = Pasteboard::generalPasteboard();
  auto saved = pasteboard->items();
  std::string error;
  ASSERT_TRUE(host.open("compose", 1, &error)) << error;
  host.pump();
  EXPECT_FALSE(SDL_IsTextInputActive());  // nobody takes text yet
  ASSERT_TRUE(field->becomeFirstResponder());
  host.pump();
  EXPECT_TRUE(SDL_IsTextInputActive());

  // An input method: a composition with its cursor counted in characters, then the commit.
  pushEditing("\U0001F600ni", 1, 2);
  host.pump();
  EXPECT_EQ(field->text(), rt::String("\U0001F600ni"));
  ASSERT_TRUE(field->markedTextRange());
  EXPECT_EQ(field->selectedRange(), (rt::Range{2, 2}));  // after the emoji's two units
  pushText("\u4F60");
  host.pump();
  EXPECT_EQ(field->text(), rt::String("\u4F60"));
  EXPECT_FALSE(field->markedTextRange());

  // Editing keys and shortcuts; the copy reaches the desktop clipboard.
  pushText(" ok");
  pushKeyWith(SDLK_LEFT, KMOD_LCTRL | KMOD_LSHIFT);
  pushKeyWith(SDLK_c, KMOD_LCTRL);
  host.pump();
  EXPECT_EQ(field->selectedRange(), (rt::Range{2, 2}));
  char* clip = SDL_GetClipboardText();
  EXPECT_STREQ(clip, "ok");
  SDL_free(clip);
  // Text another program copies comes back in through paste.
  SDL_SetClipboardText("from outside");
  pushKeyWith(SDLK_END, 0);
  pushKeyWith(SDLK_v, KMOD_LCTRL);
  host.pump();
  EXPECT_EQ(field->text(), rt::String("\u4F60 okfrom outside"));
  // An emptied clipboard loses nothing already here.
  SDL_SetClipboardText("");
  EXPECT_EQ(pasteboard->string(), rt::String("from outside"));

  field->resignFirstResponder();
  host.pump();
  EXPECT_FALSE(SDL_IsTextInputActive());
  host.close();
  pasteboard->setItems(saved);
}

namespace {
void pushClick(int x, int y) {
  for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
}
}  // namespace

// Resetting the input method (the responder ended a composition on its own) loses none of the
// text queued behind it.
TEST_F(HostTest, WindowHostKeepsTextQueuedBehindAnInputMethodResetUnderXvfb) {
  XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  auto screen = rt::make<Screen>(gfx::Size{200, 120}, 1);
  Demo d = demoTree({200, 120});
  auto field = rt::make<TextField>(gfx::RectMake(10, 10, 180, 30));
  auto other = rt::make<TextField>(gfx::RectMake(10, 60, 180, 30));
  d.window->addSubview(field);
  d.window->addSubview(other);
  WindowHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  std::string error;
  ASSERT_TRUE(host.open("reset", 1, &error)) << error;
  ASSERT_TRUE(field->becomeFirstResponder());
  host.pump();
  pushEditing("ni", 2, 0);
  host.pump();
  ASSERT_TRUE(field->markedTextRange());
  // In one frame: the composition goes on, a click moves the focus to the other field (the
  // composition stays in the first as typed), and more text comes.
  pushEditing("nih", 3, 0);
  pushClick(100, 75);
  pushText("x");
  pushText("yz");
  host.pump();
  host.pump();
  EXPECT_TRUE(other->isFirstResponder());
  EXPECT_EQ(other->text(), rt::String("xyz"));
  EXPECT_EQ(field->text(), rt::String("nih"));
  EXPECT_TRUE(SDL_IsTextInputActive());
  other->resignFirstResponder();
  field->resignFirstResponder();
  host.close();
}

// A real keyboard through the X server: xdotool types into the focused window as a person
// would, and the keys travel the same path as at a desk.
TEST_F(HostTest, WindowHostTakesRealKeystrokesUnderXvfb) {
  XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  if (std::system("command -v xdotool > /dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  // Real time here: the X server delivers the keys when it does.
  fd::RunLoopDriver::reset();
  auto screen = rt::make<Screen>(gfx::Size{200, 120}, 1);
  Demo d = demoTree({200, 120});
  auto field = rt::make<TextField>(gfx::RectMake(10, 10, 180, 30));
  d.window->addSubview(field);
  WindowHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{d.window}; });
  std::string error;
  auto saved = Pasteboard::generalPasteboard()->items();
  ASSERT_TRUE(host.open("kd-xdotool-session", 1, &error)) << error;
  ASSERT_TRUE(field->becomeFirstResponder());
  host.pump();
  int rc = std::system(
      "xdotool search --sync --name '^kd-xdotool-session$' windowfocus --sync "
      "type --delay 15 'Hello wrld' && "
      "xdotool key --delay 15 Left Left Left o End BackSpace ctrl+shift+Left ctrl+c End space ctrl+v");
  ASSERT_EQ(rc, 0);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (field->text() != rt::String("Hello worl worl") && std::chrono::steady_clock::now() < deadline) {
    host.pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(field->text(), rt::String("Hello worl worl"));
  field->resignFirstResponder();
  host.close();
  Pasteboard::generalPasteboard()->setItems(saved);
}

TEST(HostScreen, MainScreenIsPhoneSizedAndConfigurable) {
  auto main = Screen::mainScreen();
  EXPECT_EQ(main, Screen::mainScreen());
  gfx::Rect saved = main->bounds();
  double savedScale = main->scale();
  Screen::configureMainScreen({320, 568}, 3);
  EXPECT_EQ(main->bounds(), gfx::RectMake(0, 0, 320, 568));
  EXPECT_EQ(main->nativeBounds(), gfx::RectMake(0, 0, 960, 1704));
  EXPECT_THROW(Screen::configureMainScreen({320, 568}, 0), rt::Exception);
  Screen::configureMainScreen(saved.size, savedScale);
  HeadlessHost host;
  EXPECT_EQ(host.compositor().pixelWidth(), static_cast<size_t>(saved.size.width * savedScale));
}
