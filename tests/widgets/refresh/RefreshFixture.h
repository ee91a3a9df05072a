#pragma once
// A phone-sized window holding a table view of plain rows, the virtual clock, Chinese as the
// preferred language and a user-defaults file of the test's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/view/Window.h"

namespace widgets::testing {

/// `count` rows of `rowHeight` points in one section.
class PlainRows : public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  int64_t count = 20;
  double rowHeight = 50;
  int64_t tableViewNumberOfRowsInSection(ui::TableView&, int64_t) override { return count; }
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& ip) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView&, const Ref<fd::IndexPath>&) override {
    return rowHeight;
  }
};

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// A table filling the window's width under no bars, with `rows` rows of 50 points.
  Ref<ui::TableView> makeTable(int64_t rows, gfx::Rect frame = {{0, 0}, {375, 600}});
  /// A plain scroll view of the given content height in the window.
  Ref<ui::ScrollView> makeScrollView(double contentHeight, gfx::Rect frame = {{0, 0}, {375, 600}});
  static void advance(double seconds) { fd::RunLoopDriver::advance(seconds); }
  /// Runs what the main queue has ready without letting time pass.
  static void drain() { fd::RunLoopDriver::advance(0); }
  /// Holds a finger on `scroll` and moves the content to `offsetY` exactly (no rubber band).
  static void dragTo(ui::ScrollView& scroll, double offsetY);

  Ref<ui::Window> window;
  std::shared_ptr<PlainRows> rows;
  std::filesystem::path dir;
};

}  // namespace widgets::testing
