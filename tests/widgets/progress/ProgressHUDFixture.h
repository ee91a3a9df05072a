#pragma once
// A window on the main screen, the application's look for the display, a virtual clock, and
// a log of the display's notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Window.h"
#include "widgets/progress/PHProgressHUD.h"

namespace widgets::testing {

struct Posted {
  std::string name;
  rt::Id object;
  Ref<fd::Dictionary> userInfo;
};

class ProgressHUDTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Names posted so far, in order.
  std::vector<std::string> names() const;
  /// The status a notification carried ("" without user info).
  static std::string statusOf(const Posted& p);
  static Ref<PHProgressHUD> hud() { return PHProgressHUD::sharedView(); }
  /// Lets the run loop's clock move.
  static void advance(double seconds) { fd::RunLoopDriver::advance(seconds); }

  Ref<ui::Window> window;
  std::vector<Posted> posted;
  /// The display's and the accessibility notifications, in the order posted.
  std::vector<Posted> sequence;

 private:
  rt::Id token_;
};

}  // namespace widgets::testing
