// The list of all activity channels: which channels it keeps and in what order, the size of its
// picture rows on a narrow screen, where a row leads, and loads that must not leave the header
// spinning.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/cells/KDActivitCell.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDActivitListViewController.h"
#include "app/shell/QPNavigationController.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

namespace fs = std::filesystem;
using fd::RunLoopDriver;

class ActivityListTest : public apptest::ContentServiceTest {
 protected:
  void TearDown() override {
    if (window) window->setRootViewController(nullptr);
    ui::Transaction::flush();
    apptest::ContentServiceTest::TearDown();
  }

  Ref<app::KDActivitListViewController> open() {
    auto list = rt::make<app::KDActivitListViewController>();
    nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(list));
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    settle();
    return list;
  }
  void settle() {
    host.renderFrame();
    RunLoopDriver::advance(1);
    EXPECT_TRUE(finishRequest(60));
    for (int i = 0; i < 10; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  static bool headerRefreshing(app::KDActivitListViewController& l) {
    return widgets::km_header(*l.contentView())->isRefreshing();
  }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      std::string error;
      window->layoutIfNeeded();
      EXPECT_TRUE(host.shoot((fs::path(artifacts) / name).string(), &error)) << error;
    }
  }
  /// 30 channels, of which those at `activities` have parent "51".
  void scriptChannels(const std::vector<int>& activities) {
    startScriptedServer();
    std::string list;
    for (int i = 0; i < 30; ++i) {
      bool activity = std::find(activities.begin(), activities.end(), i) != activities.end();
      if (i) list += ",";
      list += R"({"id":")" + std::to_string(300 + i) + R"(","parent_id":")" + (activity ? "51" : "7") +
              R"(","title":"专题)" + std::to_string(i) + R"(","image":")" + scripted->url("/c/" + std::to_string(i) + ".png") +
              R"(","trs_channel_id":")" + std::to_string(9000 + i) + R"("})";
    }
    script("App/channel_list", R"({"status":200,"info":"ok","data":{"list":[)" + list + "]}}");
  }

  ui::HeadlessHost host;
  Ref<app::QPNavigationController> nav;
};

TEST_F(ActivityListTest, KeepsEveryActivityChannelInTheAnswersOrder) {
  const std::vector<int> activities{0, 3, 4, 11, 17, 22, 28, 29};
  scriptChannels(activities);
  auto list = open();
  EXPECT_EQ(list->topBar().title->text().utf8(), "全部专题");
  ASSERT_EQ(list->modelArray().size(), 8u);
  for (size_t i = 0; i < activities.size(); ++i)
    EXPECT_EQ(list->modelArray()[i]->title.utf8(), "专题" + std::to_string(activities[i]));
  EXPECT_EQ(list->contentView()->numberOfRowsInSection(0), 8);
  EXPECT_FALSE(headerRefreshing(*list));

  // A row opens the article list of its channel.
  list->tableViewDidSelectRowAtIndexPath(*list->contentView(), fd::IndexPath::indexPathForRow(3, 0));
  RunLoopDriver::advance(0.6);
  auto pushed = rt::as<app::KDActiveListViewController>(nav->topViewController());
  ASSERT_NE(pushed, nullptr);
  EXPECT_EQ(pushed->model(), list->modelArray()[3]);
  finishRequest(30);
}

TEST_F(ActivityListTest, RowsOnANarrowScreen) {
  // The window and the rows take the main screen's width, so the screen is set first.
  ui::Screen::configureMainScreen({320, 568}, 2);
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->makeKeyAndVisible();
  startSampleService();
  auto list = open();
  ASSERT_EQ(list->modelArray().size(), 7u);
  auto& table = *list->contentView();
  table.layoutIfNeeded();
  EXPECT_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height, 191);
  auto cell = std::dynamic_pointer_cast<app::KDActivitCell>(table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)));
  ASSERT_NE(cell, nullptr);
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->icon()->frame().size, (gfx::Size{310, 146}));
  EXPECT_EQ(cell->icon()->frame().origin, (gfx::Point{5, 0}));
  EXPECT_EQ(cell->blackView()->frame(), cell->icon()->bounds());
  EXPECT_EQ(cell->title()->frame().origin.y, 156);
  EXPECT_EQ(cell->title()->frame().origin.x, 20);
  EXPECT_EQ(cell->separatorView()->frame(), gfx::RectMake(0, 186, 320, 5));
  auto placeholder = gfx::Image::imageNamed("placeimage");
  EXPECT_TRUE(RunLoopDriver::runUntil([&] { return cell->icon()->image() && cell->icon()->image() != placeholder; }, 20));
  host.renderFrame();
  shoot("activity-list-320.png");
  window->setRootViewController(nullptr);
  ui::Screen::configureMainScreen({375, 667}, 2);
}

TEST_F(ActivityListTest, EmptyOrFailingAnswersEndTheHeader) {
  startScriptedServer();
  script("App/channel_list", R"({"status":200,"info":"ok","data":{"list":[]}})");
  auto list = open();
  EXPECT_TRUE(list->modelArray().empty());
  EXPECT_FALSE(headerRefreshing(*list));
  EXPECT_TRUE(shownErrors().empty());

  script("App/channel_list", R"({"status":500,"info":"服务繁忙"})");
  widgets::km_header(*list->contentView())->beginRefreshing();
  settle();
  EXPECT_FALSE(headerRefreshing(*list));
  ASSERT_EQ(shownErrors().size(), 1u);
  EXPECT_EQ(shownErrors()[0], "服务繁忙");
}

}  // namespace
