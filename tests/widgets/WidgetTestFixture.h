#pragma once
// A visible window on the main screen, the run loop on a virtual clock, a log of notifications
// by name, and helpers to shoot the window headless and count ink in its pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Image.h"
#include "platform/ui/view/Window.h"

namespace widgets::testing {

struct Heard {
  std::string name;
  std::string object;  // the "title" of the user info, "" for none
  bool operator==(const Heard& o) const { return name == o.name && object == o.object; }
};

class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Starts logging notifications with these names.
  void listen(const std::vector<std::string>& names);
  static void advance(double seconds) { fd::RunLoopDriver::advance(seconds); }
  static void settle() { fd::RunLoopDriver::runUntilIdle(); }

  /// Renders the window into `name` (a PNG kept in KD_ARTIFACT_DIR when set) and answers its
  /// pixels; null when rendering failed.
  Ref<gfx::BitmapImage> shoot(const std::string& name);
  /// Pixels within `rect` (points) differing from `background` by more than `tolerance` in any
  /// channel.
  static int inkIn(const Ref<gfx::BitmapImage>& bitmap, gfx::Rect rect, uint32_t background, int tolerance = 40);
  /// The pixel at a point.
  static uint32_t pixelAt(const Ref<gfx::BitmapImage>& bitmap, gfx::Point p);

  Ref<ui::Window> window;
  std::vector<Heard> heard;

 private:
  rt::Id token_;
  std::string shots_;
};

}  // namespace widgets::testing
