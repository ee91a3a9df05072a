// The window is made once and stays the window a desktop sees: tools that find it by its id (a
// window manager, xdotool, a screenshot) keep finding it after the first frames are shown.
// Built on its own: the display library's header defines names the views use.
#include <gtest/gtest.h>

#include <vector>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/support/XvfbDisplay.h"

#include <X11/Xlib.h>

namespace {

TEST(HostWindowOnce, TheWindowShownFirstIsTheWindowThatStaysUnderXvfb) {
  testsupport::XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  fd::RunLoopDriver::useVirtualClock();
  // Another client of the server, told of every window made or destroyed on the screen.
  Display* desktop = XOpenDisplay(nullptr);
  ASSERT_NE(desktop, nullptr);
  XSelectInput(desktop, DefaultRootWindow(desktop), SubstructureNotifyMask);
  XSync(desktop, False);
  {
    auto screen = rt::make<ui::Screen>(gfx::Size{100, 120}, 1);
    auto window = rt::make<ui::Window>(gfx::Rect{{0, 0}, {100, 120}});
    window->setBackgroundColor(gfx::Color::redColor());
    window->setHidden(false);
    ui::WindowHost host(screen);
    host.setWindowSource([&] { return std::vector<Ref<ui::Window>>{window}; });
    std::string error;
    ASSERT_TRUE(host.open("once", 1, &error)) << error;
    for (int i = 0; i < 5; ++i) host.pump();
    EXPECT_EQ(host.windowPixel(50, 50) & 0xffffff, 0xff0000u);
    XSync(desktop, False);
    std::vector<unsigned long> made, destroyed;
    while (XPending(desktop)) {
      XEvent e;
      XNextEvent(desktop, &e);
      if (e.type == CreateNotify) made.push_back(e.xcreatewindow.window);
      if (e.type == DestroyNotify) destroyed.push_back(e.xdestroywindow.window);
    }
    EXPECT_EQ(made.size(), 1u);
    EXPECT_TRUE(destroyed.empty()) << destroyed.size() << " windows made and destroyed while the window opened";
    host.close();
  }
  XCloseDisplay(desktop);
  ui::Transaction::flush();
  fd::RunLoopDriver::reset();
}

}  // namespace
