#include "RefreshFixture.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/time/Locale.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"

namespace widgets::testing {

Ref<ui::TableViewCell> PlainRows::tableViewCellForRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& ip) {
  auto cell = tv.dequeueReusableCellWithIdentifier("Row", ip);
  cell->textLabel()->setText(rt::String::format("Row %d", static_cast<int>(ip->row())));
  return cell;
}

void RefreshTest::SetUp() {
  fd::RunLoopDriver::useVirtualClock();
  static int serial = 0;
  dir = std::filesystem::temp_directory_path() /
        ("refresh_" + std::to_string(getpid()) + "_" + std::to_string(serial++));
  std::filesystem::create_directories(dir);
  setenv("KD_DEFAULTS_PATH", (dir / "defaults.plist").c_str(), 1);
  fd::UserDefaults::resetStandardUserDefaults();
  fd::Locale::setPreferredLanguages({"zh-Hans", "en"});
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->makeKeyAndVisible();
  rows = std::make_shared<PlainRows>();
}

void RefreshTest::TearDown() {
  window->setHidden(true);
  window.reset();
  ui::Transaction::flush();
  ui::Application::sharedApplication()->resetForTesting();
  fd::RunLoopDriver::reset();
  fd::Locale::setPreferredLanguages({});
  unsetenv("KD_DEFAULTS_PATH");
  fd::UserDefaults::resetStandardUserDefaults();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

Ref<ui::TableView> RefreshTest::makeTable(int64_t count, gfx::Rect frame) {
  rows->count = count;
  auto table = rt::make<ui::TableView>(frame, ui::TableViewStyle::Plain);
  table->registerClassForCellReuseIdentifier<ui::TableViewCell>("Row");
  table->setDataSource(rows);
  table->setDelegate(rows);
  window->addSubview(table);
  table->reloadData();
  table->layoutIfNeeded();
  return table;
}

Ref<ui::ScrollView> RefreshTest::makeScrollView(double contentHeight, gfx::Rect frame) {
  auto scroll = rt::make<ui::ScrollView>(frame);
  scroll->setContentSize({frame.size.width, contentHeight});
  window->addSubview(scroll);
  return scroll;
}

void RefreshTest::dragTo(ui::ScrollView& scroll, double offsetY) {
  if (!scroll.isDragging()) scroll.simulateDragBegan();
  scroll.setContentOffset({scroll.contentOffset().x, offsetY});
}

}  // namespace widgets::testing
