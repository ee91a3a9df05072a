#pragma once
// Shared steps of the travel screens' tests: a screen pushed as the root of a navigation
// controller in the key window, the main loop run until its requests have answered and its
// refresh animations have ended, taps at a view's centre, and shots for a person to look at.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/shell/QPNavigationController.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"

namespace apptest {

class TravelTest : public ContentServiceTest {
 protected:
  void TearDown() override {
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    ContentServiceTest::TearDown();
  }

  template <class T>
  Ref<app::QPNavigationController> show(const Ref<T>& screen, const std::function<bool()>& done = nullptr) {
    auto nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(screen));
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    settle(done);
    return nav;
  }
  /// Requests under way answered, then the refresh and push animations run out. The
  /// activity indicator only says that the latest request has ended; a screen that sends
  /// several at once names what shows that all of them have (`done`).
  void settle(const std::function<bool()>& done = nullptr) {
    host.renderFrame();
    fd::RunLoopDriver::advance(1);
    EXPECT_TRUE(finishRequest(60));
    if (done) {
      EXPECT_TRUE(fd::RunLoopDriver::runUntil(done, 60));
    }
    for (int i = 0; i < 20; ++i) {
      fd::RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
    EXPECT_TRUE(finishRequest(60));
  }
  static gfx::Point centre(const ui::View& v) {
    if (auto w = v.window()) w->layoutIfNeeded();
    auto f = v.convertRectToView(v.bounds(), nullptr);
    return {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
  }
  /// Taps and lets a push it starts slide in (the stack changes when the slide ends).
  void tapView(const ui::View& v) {
    host.tap(centre(v));
    for (int i = 0; i < 10; ++i) {
      fd::RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  /// Pops back to the root screen without animation and lets what the pushed screen asked
  /// for end.
  void back(app::QPNavigationController& nav) {
    settle();
    nav.popToRootViewControllerAnimated(false);
    settle();
  }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      std::filesystem::create_directories(artifacts);
      std::string error;
      window->layoutIfNeeded();
      host.renderFrame();
      EXPECT_TRUE(host.shoot((std::filesystem::path(artifacts) / name).string(), &error)) << error;
    }
  }

  ui::HeadlessHost host;
};

}  // namespace apptest
