#pragma once
// A content screen at the root of a navigation stack in the test window, driven through the
// headless host: real taps and drags, time on the virtual clock, pictures written when
// KD_ARTIFACT_DIR is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/shell/QPNavigationController.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManager.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/system/Reachability.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"

namespace apptest {

class ScreenTest : public ContentServiceTest {
 protected:
  void TearDown() override {
    if (monitoring_) {
      // The shared monitor keeps its last status; leave it reachable for whatever runs next
      // in this process.
      reachability(sys::kReachabilityFlagsReachable, net::NKNetworkReachabilityStatus::ReachableViaWiFi);
      net::NKNetworkReachabilityManager::sharedManager()->stopMonitoring();
      sys::Reachability::clearInjectedFlags();
    }
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    ContentServiceTest::TearDown();
  }

  /// Shows `root` in a navigation stack and lets its first loads finish.
  Ref<app::QPNavigationController> show(const Ref<ui::ViewController>& root) {
    nav = rt::make<app::QPNavigationController>(root);
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    settle();
    return nav;
  }
  /// Lets animations run, the requests under way finish and the screen lay itself out.
  void settle() {
    host.renderFrame();
    fd::RunLoopDriver::advance(1);
    EXPECT_TRUE(finishRequest(60));
    for (int i = 0; i < 20; ++i) {
      fd::RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  /// A real tap at the centre of `rect`, given in `view`'s coordinates.
  void tapIn(const ui::View& view, gfx::Rect rect) {
    window->layoutIfNeeded();
    host.renderFrame();
    auto r = view.convertRectToView(rect, nullptr);
    host.tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
    // A push lands on the stack when its slide has run; the pushed screen's loads finish too.
    settle();
  }
  void tapView(const ui::View& view) { tapIn(view, view.bounds()); }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      std::filesystem::create_directories(artifacts);
      std::string error;
      // Pictures arrive from download threads; let them land first.
      auto images = image::WIWebImageManager::sharedManager();
      fd::RunLoopDriver::runUntil(
          [&] {
            return !images->isRunning() && image::WIWebImageDownloader::sharedDownloader()->currentDownloadCount() == 0;
          },
          10);
      window->layoutIfNeeded();
      host.renderFrame();
      EXPECT_TRUE(host.shoot((std::filesystem::path(artifacts) / name).string(), &error)) << error;
    }
  }
  /// Makes the shared reachability monitor report `flags` (0: not reachable).
  void reachability(uint32_t flags, net::NKNetworkReachabilityStatus expected) {
    auto shared = net::NKNetworkReachabilityManager::sharedManager();
    sys::Reachability::injectFlags(flags);
    if (!monitoring_) shared->startMonitoring();
    monitoring_ = true;
    sys::Reachability::recheckAll();
    ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return shared->networkReachabilityStatus() == expected; }, 10));
  }
  template <class T>
  Ref<T> top() const {
    return std::dynamic_pointer_cast<T>(nav->topViewController());
  }
  /// Back to the root, animations done.
  void popToRoot() {
    nav->popToRootViewControllerAnimated(false);
    settle();
  }

  ui::HeadlessHost host;
  Ref<app::QPNavigationController> nav;

 private:
  bool monitoring_ = false;
};

}  // namespace apptest
