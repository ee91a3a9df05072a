#pragma once
// Test support for controller tests: a controller that logs its life-cycle callbacks into a
// shared log, and a fixture with a visible key window on a virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/controllers/TabBarItem.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"

namespace ui::testing {

using Log = std::vector<std::string>;

class RecordingController : public ViewController {
 public:
  void init(std::string name, std::shared_ptr<Log> log) {
    name_ = std::move(name);
    log_ = std::move(log);
  }
  const std::string& name() const { return name_; }
  void viewDidLoad() override { add("load"); }
  void viewWillAppear(bool animated) override { add(animated ? "willAppear*" : "willAppear"); }
  void viewDidAppear(bool animated) override { add(animated ? "didAppear*" : "didAppear"); }
  void viewWillDisappear(bool animated) override { add(animated ? "willDisappear*" : "willDisappear"); }
  void viewDidDisappear(bool animated) override { add(animated ? "didDisappear*" : "didDisappear"); }
  StatusBarStyle preferredStatusBarStyle() const override { return style; }
  bool prefersStatusBarHidden() const override { return statusBarHidden; }
  uint64_t supportedInterfaceOrientations() const override { return orientations; }
  InterfaceOrientation preferredInterfaceOrientationForPresentation() const override { return preferred; }

  StatusBarStyle style = StatusBarStyle::Default;
  bool statusBarHidden = false;
  uint64_t orientations = InterfaceOrientationMaskPortrait;
  InterfaceOrientation preferred = InterfaceOrientation::Portrait;

 private:
  void add(const std::string& what) { log_->push_back(name_ + "." + what); }
  std::string name_;
  std::shared_ptr<Log> log_;
};

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    Application::sharedApplication()->resetForTesting();
    TabBarItem::appearance()->reset();
    window = rt::make<Window>(Screen::mainScreen()->bounds());
  }
  void TearDown() override {
    window.reset();
    TabBarItem::appearance()->reset();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<RecordingController> make(const std::string& name) { return rt::make<RecordingController>(name, log); }
  /// The log since the last call.
  Log take() {
    Log out = std::move(*log);
    log->clear();
    return out;
  }
  /// Puts `root` in the visible key window and forgets the log of that.
  void show(const Ref<ViewController>& root) {
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    take();
  }

  std::shared_ptr<Log> log = std::make_shared<Log>();
  Ref<Window> window;
};

}  // namespace ui::testing
