#include "tests/app/SettingsFixture.h"

#include <stdlib.h>

#include <fstream>

#include "platform/foundation/files/Paths.h"
#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/lists/TableView.h"

namespace apptest {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> envValue(const char* name) {
  if (const char* v = std::getenv(name)) return std::string(v);
  return std::nullopt;
}

void restore(const char* name, const std::optional<std::string>& value) {
  if (value) ::setenv(name, value->c_str(), 1);
  else ::unsetenv(name);
}

}  // namespace

void SettingsTest::SetUp() {
  ContentServiceTest::SetUp();
  std::string pattern = (fs::temp_directory_path() / "kd-settings-XXXXXX").string();
  home = ::mkdtemp(pattern.data());
  oldHome_ = envValue("KD_HOME_OVERRIDE");
  oldDefaults_ = envValue("KD_DEFAULTS_PATH");
  ::setenv("KD_HOME_OVERRIDE", home.c_str(), 1);
  ::setenv("KD_DEFAULTS_PATH", (home / "defaults.plist").c_str(), 1);
  fd::UserDefaults::resetStandardUserDefaults();
}

void SettingsTest::TearDown() {
  window->setRootViewController(nullptr);
  nav.reset();
  ui::Transaction::flush();
  ContentServiceTest::TearDown();
  fd::UserDefaults::resetStandardUserDefaults();
  restore("KD_HOME_OVERRIDE", oldHome_);
  restore("KD_DEFAULTS_PATH", oldDefaults_);
  std::error_code ec;
  fs::remove_all(home, ec);
}

fs::path SettingsTest::caches() const { return fd::cachesDirectory().utf8(); }

void SettingsTest::writeFile(const std::string& relative, size_t bytes) const {
  fs::path path = caches() / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << std::string(bytes, 'k');
}

app::KDCacheCleaner SettingsTest::freshCaches() const {
  app::KDCacheCleaner c;
  fd::String root(caches().string());
  c.webImages = image::WIImageCache::create("default", root.stringByAppendingPathComponent("default"));
  c.images = image::DRImageCache::create(
      root.stringByAppendingPathComponent("com.kestrum.durar").stringByAppendingPathComponent("images"));
  c.urls = fd::URLCache::create(4 << 20, 20 << 20, root.stringByAppendingPathComponent("URLCache"));
  c.carousel = true;
  return c;
}

Ref<app::KDSetViewController> SettingsTest::openSettings() {
  auto root = rt::make<ui::ViewController>();
  nav = rt::make<app::QPNavigationController>(root);
  window->setRootViewController(nav);
  window->layoutIfNeeded();
  auto settings = rt::make<app::KDSetViewController>();
  nav->pushViewController(settings, false);
  pump();
  return settings;
}

void SettingsTest::pump(double seconds) {
  for (double t = 0; t < seconds; t += 0.1) {
    fd::RunLoopDriver::advance(0.1);
    window->layoutIfNeeded();
    host.renderFrame();
  }
}

void SettingsTest::tapRow(ui::TableView& table, int64_t row) {
  table.layoutIfNeeded();
  auto rect = table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(row, 0));
  auto inWindow = table.convertRectToView(rect, nullptr);
  host.tap({inWindow.origin.x + inWindow.size.width / 2, inWindow.origin.y + inWindow.size.height / 2});
}

Ref<ui::ViewController> SettingsTest::top() const { return nav ? nav->topViewController() : nullptr; }

void SettingsTest::shoot(const std::string& name) {
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    std::string error;
    window->layoutIfNeeded();
    EXPECT_TRUE(host.shoot((fs::path(artifacts) / name).string(), &error)) << error;
  }
}

}  // namespace apptest
