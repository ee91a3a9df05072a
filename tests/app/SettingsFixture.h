#pragma once
// The settings screens end to end: a temporary data folder (caches and the defaults file) for
// each test, the settings list pushed on a navigation controller in a headless window, taps
// through the host, and the caches of the application made afresh inside that folder.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/screens/KDSetViewController.h"
#include "app/shell/QPNavigationController.h"
#include "platform/ui/host/Host.h"
#include "tests/app/ContentServiceFixture.h"

namespace apptest {

class SettingsTest : public ContentServiceTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// The caches folder of the temporary data folder (not created).
  std::filesystem::path caches() const;
  /// Writes `bytes` bytes into `relative` under the caches folder, folders made as needed.
  void writeFile(const std::string& relative, size_t bytes) const;
  /// The caches inside the temporary folder, laid out as the application's are.
  app::KDCacheCleaner freshCaches() const;

  /// Pushes the settings list and lays it out.
  Ref<app::KDSetViewController> openSettings();
  /// Lets animations and queued main-loop work run, drawing frames.
  void pump(double seconds = 1);
  /// Taps the middle of row `row` of `table` through the window.
  void tapRow(ui::TableView& table, int64_t row);
  /// The top of the navigation stack.
  Ref<ui::ViewController> top() const;
  /// Renders the window to KD_ARTIFACT_DIR/`name` when that variable is set.
  void shoot(const std::string& name);

  std::filesystem::path home;
  Ref<app::QPNavigationController> nav;
  ui::HeadlessHost host;

 private:
  std::optional<std::string> oldHome_, oldDefaults_;
};

}  // namespace apptest
