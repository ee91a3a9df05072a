// The lab's editor through a run of touches, typing, a composition, scrolling and the edit menu:
// after every step the frame, drawn piece by piece as things change, holds what the same screen
// drawn whole holds. Headless, and in a real window on a private X server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "tests/support/XvfbDisplay.h"
#include "tools/text-lab/TLLabDelegate.h"
#include "tools/text-lab/TLLabRun.h"

namespace {

// Compares the host's frame with the screen drawn whole; empty when they agree within one unit
// per channel, else what differs.
std::string differenceFromWholeRedraw(ui::Host& host) {
  std::vector<Ref<ui::Layer>> roots;
  for (auto& w : host.windows()) roots.push_back(w->layer());
  const ui::Compositor& frame = host.compositor();
  auto whole = frame.redrawnWhole(roots);
  if (!whole) return "no picture";
  size_t differing = 0, firstX = 0, firstY = 0;
  int worst = 0;
  for (size_t y = 0; y < frame.pixelHeight(); ++y) {
    const uint8_t* a = frame.pixels() + y * frame.bytesPerRow();
    const uint8_t* b = whole->bytes() + y * whole->bytesPerRow();
    for (size_t x = 0; x < frame.pixelWidth(); ++x) {
      int d = 0;
      for (int c = 0; c < 4; ++c) d = std::max(d, std::abs(int(a[x * 4 + c]) - int(b[x * 4 + c])));
      if (d > 1) {
        if (differing++ == 0) firstX = x, firstY = y;
        worst = std::max(worst, d);
      }
    }
  }
  if (differing == 0) return "";
  std::ostringstream out;
  out << differing << " pixels differ (by up to " << worst << "), the first at " << firstX << "," << firstY;
  return out.str();
}

bool animating(const ui::Layer& layer) {
  if (layer.hasAnimations()) return true;
  for (const auto& s : layer.sublayers())
    if (animating(*s)) return true;
  return false;
}

// Plays the sequence; `present` draws (and shows) the frame of the moment, `pass` lets time go
// by with frames drawn. Answers the steps whose frame differed from the whole redraw. On a real
// clock an animation moves on between the frame and the redraw, so frames drawn while one runs
// are not compared there.
std::vector<std::string> playSequence(ui::Host& host, const std::function<void()>& present,
                                      const std::function<void(double)>& pass, bool realClock) {
  std::vector<std::string> faults;
  Ref<textview::DUDaviDira> view;  // the editor's, once its page is shown
  auto check = [&](const std::string& step) {
    present();
    if (realClock)
      for (auto& w : host.windows())
        if (animating(*w->layer())) return;
    // The text is drawn afresh for the comparison, so that lines its store kept from earlier
    // drawings (an edit redraws only the lines it changed) are compared too.
    if (view && view->containerView()->contentsFadeDuration() <= 0) view->containerView()->setNeedsDisplay();
    std::string d = differenceFromWholeRedraw(host);
    if (!d.empty()) faults.push_back(step + ": " + d);
  };
  auto lab = textlab::TLLabDelegate::current();
  if (!lab) return {"no lab"};
  auto inWindow = [&](gfx::Point p) { return view->convertPointToView(p, nullptr); };
  // A finger held and moved in small steps, a frame drawn and checked after each.
  auto slide = [&](const std::string& step, gfx::Point to, int frames) {
    for (int i = 0; i < frames; ++i) {
      host.moveHeld(to, 1.0 / 60);
      check(step + ", frame " + std::to_string(i));
    }
  };

  pass(0.3);
  check("label page");
  host.tap({281, 642});  // the editor's tab
  pass(0.5);
  check("editor, empty");
  if (!lab->editorPage() || !lab->editorPage()->textView()) return {"no editor after its tab was tapped"};
  view = lab->editorPage()->textView();

  // A finger resting on the empty editor brings the loupe up; dragged, it follows.
  host.press(inWindow({120, 40}));
  for (int i = 0; i < 50; ++i) {
    pass(1.0 / 60);
    check("resting finger, frame " + std::to_string(i));
  }
  slide("loupe dragged", inWindow({220, 120}), 20);
  slide("loupe dragged back", inWindow({60, 20}), 20);
  host.release();
  pass(0.6);
  check("loupe gone");

  view->becomeFirstResponder();
  pass(0.6);
  check("editing, keyboard up");
  host.typeText(rt::String("abc def"));
  pass(0.1);
  check("typed over the placeholder");
  host.typeText(rt::String(" the market opens at nine\nstalls by the lake\n"));
  pass(0.1);
  check("typed lines");

  // A long press on a word: the loupe, then the word selected with grabbers and the menu.
  host.press(inWindow({30, 20}));
  for (int i = 0; i < 50; ++i) {
    pass(1.0 / 60);
    check("long press, frame " + std::to_string(i));
  }
  slide("long press moved", inWindow({70, 22}), 10);
  host.release();
  pass(0.5);
  check("long press released");
  host.pressKey(*ui::parseKeyPress("ctrl+shift+left"));
  host.pressKey(*ui::parseKeyPress("ctrl+shift+left"));
  pass(0.5);
  check("words selected");

  // The end grabber dragged along the line and down.
  auto grabber = view->selectionView()->endGrabber();
  if (grabber && !grabber->isHidden()) {
    gfx::Rect g = grabber->convertRectToView(grabber->bounds(), nullptr);
    host.press({g.origin.x + g.size.width / 2, g.origin.y + g.size.height / 2});
    pass(0.05);
    slide("grabber dragged", {g.origin.x + 120, g.origin.y + 30}, 20);
    host.release();
    pass(0.5);
    check("grabber released");
  } else {
    faults.push_back("no end grabber after a long press");
  }

  // A tap puts the caret back; the menu goes.
  host.tap(inWindow({200, 60}));
  pass(0.5);
  check("caret placed");

  // An input method's composition, changed, then committed.
  host.compose(rt::String("shi"));
  pass(0.1);
  check("composing");
  host.compose(rt::String("shichang"));
  pass(0.1);
  check("composition grown");
  host.commit(rt::String("\u5E02\u573A"));
  pass(0.2);
  check("composition committed");

  // Enough lines to scroll, then the text dragged up and down.
  for (int i = 0; i < 30; ++i) host.typeText(rt::String("line ") + rt::String(std::to_string(i).c_str()) + rt::String("\n"));
  pass(0.3);
  check("many lines");
  host.press(inWindow({150, 200}));
  slide("scrolled up", inWindow({150, 40}), 20);
  host.release();
  pass(0.8);
  check("scroll settled");
  host.press(inWindow({150, 40}));
  slide("scrolled down", inWindow({150, 220}), 20);
  host.release();
  pass(0.8);
  check("scroll settled again");

  // Select all from the keyboard, and the menu at the selection.
  host.pressKey(*ui::parseKeyPress("ctrl+a"));
  pass(0.3);
  check("all selected");
  ui::MenuController::sharedMenuController()->setMenuVisible(false);
  pass(0.4);
  check("menu hidden");
  host.pressKey(*ui::parseKeyPress("backspace"));
  pass(0.3);
  check("all deleted");
  view->resignFirstResponder();
  pass(0.6);
  check("editing ended");
  return faults;
}

class TextLabRedrawTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = ui::Pasteboard::generalPasteboard()->items(); }
  void TearDown() override {
    ui::Keyboard::sharedKeyboard()->hide();
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
    ui::Application::sharedApplication()->resetForTesting();
    ui::Pasteboard::generalPasteboard()->setItems(saved_);
    fd::RunLoopDriver::reset();
  }
  decltype(ui::Pasteboard::generalPasteboard()->items()) saved_;
};

}  // namespace

TEST_F(TextLabRedrawTest, HeadlessFramesEqualAWholeRedrawAfterEveryStep) {
  fd::RunLoopDriver::useVirtualClock();
  textlab::TLLabOptions options;
  options.keyboard = "on-screen";
  ASSERT_TRUE(textlab::launchTextLab(options));
  ui::HeadlessHost host;
  auto faults = playSequence(host, [&] { host.renderFrame(); }, [&](double s) { host.waitDrawing(s); }, false);
  for (auto& f : faults) ADD_FAILURE() << f;
}

TEST_F(TextLabRedrawTest, WindowFramesEqualAWholeRedrawAfterEveryStep) {
  testsupport::XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  textlab::TLLabOptions options;
  options.keyboard = "on-screen";
  ASSERT_TRUE(textlab::launchTextLab(options));
  ui::WindowHost host;
  std::string error;
  ASSERT_TRUE(host.open("text lab", 1, &error)) << error;
  auto faults = playSequence(host, [&] { host.pump(); }, [&](double s) { host.run(s); }, true);
  // What the window shows is the frame (sampled where the frame's pixels under one window pixel
  // agree, so that scaling cannot blur the comparison).
  const auto& frame = host.compositor();
  const size_t k = static_cast<size_t>(frame.scale());
  size_t compared = 0;
  for (int y = 5; y < 660; y += 37)
    for (int x = 5; x < 370; x += 29) {
      uint32_t drawn = frame.pixelAt(x * k, y * k);
      bool even = true;
      for (size_t dy = 0; dy < k; ++dy)
        for (size_t dx = 0; dx < k; ++dx) even = even && frame.pixelAt(x * k + dx, y * k + dy) == drawn;
      if (!even) continue;
      ++compared;
      EXPECT_EQ(host.windowPixel(x, y) & 0xffffff, drawn & 0xffffff) << x << "," << y;
    }
  EXPECT_GT(compared, 100u);
  host.close();
  for (auto& f : faults) ADD_FAILURE() << f;
}
