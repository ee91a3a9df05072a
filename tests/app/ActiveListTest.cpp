// The channel article list against the sample service: first page, footer paging to the end,
// failures that must still stop the spinners, and the rows' layout, rendered headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/cells/KDHomeNewsCell.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/service/ServiceConfig.h"
#include "app/shell/QPNavigationController.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

namespace fs = std::filesystem;
using fd::RunLoopDriver;

class ActiveListTest : public apptest::ContentServiceTest {
 protected:
  void TearDown() override {
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    apptest::ContentServiceTest::TearDown();
  }

  /// Pushes the list of the channel whose trs identifier is `trs` and waits for page 1.
  Ref<app::KDActiveListViewController> open(const std::string& trs, const std::string& title, bool showContent) {
    auto channel = rt::make<app::KDAppchannelModel>();
    channel->trs_channel_id = trs;
    channel->title = title;
    auto list = rt::make<app::KDActiveListViewController>();
    list->setModel(channel);
    list->setIsShowContent(showContent);
    auto nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(list));
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    settle();
    return list;
  }
  /// The refresh views start their load once their opening animation has run; then the request.
  void settle() {
    host.renderFrame();
    RunLoopDriver::advance(1);
    EXPECT_TRUE(finishRequest(60));
    for (int i = 0; i < 20; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  static bool headerRefreshing(app::KDActiveListViewController& l) {
    return widgets::km_header(*l.contentView())->isRefreshing();
  }
  /// Once a refresh ends the list rests at its top again, not pulled down by the header's strip.
  static void expectAtTop(app::KDActiveListViewController& l) {
    auto& table = *l.contentView();
    EXPECT_EQ(table.contentOffset().y, -table.contentInset().top);
    EXPECT_EQ(table.contentInset().top, 0);
  }
  static Ref<widgets::KMRefreshFooter> attachedFooter(app::KDActiveListViewController& l) {
    auto footer = widgets::km_footer(*l.contentView());
    return footer && footer->superview() ? footer : nullptr;
  }
  void loadNextPage(app::KDActiveListViewController& l) {
    auto footer = attachedFooter(l);
    ASSERT_NE(footer, nullptr);
    footer->beginRefreshing();
    settle();
    // A page with more to come brings a fresh footer; whichever footer is attached is idle.
    if (auto now = attachedFooter(l)) {
      EXPECT_FALSE(now->isRefreshing());
    }
  }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      std::string error;
      window->layoutIfNeeded();
      EXPECT_TRUE(host.shoot((fs::path(artifacts) / name).string(), &error)) << error;
    }
  }

  ui::HeadlessHost host;
};

TEST_F(ActiveListTest, PagesThroughAChannelOfTwentyFiveAndDropsTheFooterAtTheEnd) {
  const auto& catalog = startSampleService().catalog();
  const auto* articles = catalog.articlesOfChannel("11616");
  ASSERT_NE(articles, nullptr);
  ASSERT_EQ(articles->size(), 25u);

  auto list = open("11616", "景点", false);
  EXPECT_EQ(list->topBar().title->text().utf8(), "景点");
  ASSERT_EQ(list->modelArray().size(), 10u);
  EXPECT_EQ(list->contentView()->numberOfRowsInSection(0), 10);
  EXPECT_EQ(list->modelArray()[0]->docTitle.utf8(), (*articles)[0].docTitle);
  EXPECT_FALSE(headerRefreshing(*list));
  expectAtTop(*list);
  EXPECT_EQ(list->paramsModel()->page, 2);
  EXPECT_EQ(list->paramsModel()->trs_id.utf8(), "11616");
  shoot("active-list-page1.png");

  loadNextPage(*list);
  ASSERT_EQ(list->modelArray().size(), 20u);
  EXPECT_EQ(list->modelArray()[10]->docTitle.utf8(), (*articles)[10].docTitle);
  EXPECT_EQ(list->paramsModel()->page, 3);
  ASSERT_NE(attachedFooter(*list), nullptr);

  loadNextPage(*list);
  ASSERT_EQ(list->modelArray().size(), 25u);
  EXPECT_EQ(list->modelArray()[24]->docTitle.utf8(), (*articles)[24].docTitle);
  EXPECT_EQ(attachedFooter(*list), nullptr);

  // Pull-down starts over at page 1 and replaces the rows.
  widgets::km_header(*list->contentView())->beginRefreshing();
  settle();
  EXPECT_EQ(list->modelArray().size(), 10u);
  expectAtTop(*list);
  EXPECT_EQ(list->paramsModel()->page, 2);
  EXPECT_NE(attachedFooter(*list), nullptr);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(ActiveListTest, RowsShowTheDateOrTheAbstractAndTheirHeightFollows) {
  startSampleService();
  for (bool showContent : {false, true}) {
    SCOPED_TRACE(showContent);
    auto list = open("11623", "禾岚新闻", showContent);
    ASSERT_EQ(list->modelArray().size(), 10u);
    auto& table = *list->contentView();
    table.layoutIfNeeded();
    EXPECT_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height,
              showContent ? 90 : 100);
    // News has a picture on two rows of three: row 0 has one, row 2 none.
    auto pictured = std::dynamic_pointer_cast<app::KDHomeNewsCell>(
        table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)));
    auto plain = std::dynamic_pointer_cast<app::KDHomeNewsCell>(
        table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(2, 0)));
    ASSERT_TRUE(pictured && plain);
    ASSERT_NE(pictured->model()->picMode, nullptr);
    ASSERT_EQ(plain->model()->picMode, nullptr);
    pictured->layoutIfNeeded();
    plain->layoutIfNeeded();
    EXPECT_EQ(pictured->icon()->frame().size, (gfx::Size{120, 80}));
    EXPECT_EQ(pictured->icon()->frame().origin.y, 10);
    EXPECT_EQ(pictured->icon()->frame().origin.x + 120, pictured->contentView()->bounds().size.width - 10);
    EXPECT_EQ(plain->icon()->frame().size, (gfx::Size{0, 0}));
    EXPECT_EQ(plain->time()->text().utf8(), plain->model()->docRelTime.substringToIndex(10).utf8());
    EXPECT_EQ(plain->time()->isHidden(), showContent);
    EXPECT_EQ(plain->timeIcon()->isHidden(), showContent);
    EXPECT_EQ(plain->content()->isHidden(), !showContent);
    EXPECT_TRUE(pictured->content()->isHidden());
    shoot(showContent ? "active-list-abstract.png" : "active-list-news.png");
    window->setRootViewController(nullptr);
  }
}

TEST_F(ActiveListTest, OnlyPathsWithoutASchemeGoUnderTheContentHost) {
  startSampleService();
  std::string host = app::ServiceConfig::shared().contentHost().utf8();
  struct Case {
    std::string address, expected;
  } cases[] = {
      {"/pic/a.jpg", host + "/pic/a.jpg"},
      {"pic/a.jpg", host + "/pic/a.jpg"},
      {host + "/pic/a.jpg", host + "/pic/a.jpg"},
      {"https://cdn.example.test/pic/b.jpg", "https://cdn.example.test/pic/b.jpg"},
      {"http://other.example.test:81/c.png", "http://other.example.test:81/c.png"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(app::KDHomeNewsCell::pictureAddress(c.address).utf8(), c.expected) << c.address;
}

TEST_F(ActiveListTest, EachRowKeepsItsOwnShowContentSwitch) {
  auto item = rt::make<app::KDAPPListModel>();
  item->docTitle = "标题";
  item->docAbstract = "摘要";
  item->docRelTime = "2026-05-01 10:00:00";
  auto abstract = rt::make<app::KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String("Identifier"));
  abstract->setisShowContent(true);
  abstract->setModel(item);
  // A row made later for another list, with the switch off, changes nothing in the first.
  auto dated = rt::make<app::KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String("Identifier"));
  dated->setisShowContent(false);
  dated->setModel(item);
  for (const auto& cell : {abstract, dated}) {
    cell->setFrame({{0, 0}, {375, 100}});
    cell->layoutIfNeeded();
  }
  EXPECT_TRUE(abstract->isShowContent());
  EXPECT_FALSE(abstract->content()->isHidden());
  EXPECT_TRUE(abstract->time()->isHidden());
  EXPECT_FALSE(dated->isShowContent());
  EXPECT_TRUE(dated->content()->isHidden());
  EXPECT_FALSE(dated->time()->isHidden());
}

TEST_F(ActiveListTest, FailingServiceShowsTheClientsMessageAndEndsEveryRefresh) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    auto list = open("11623", "禾岚新闻", false);
    EXPECT_TRUE(list->modelArray().empty());
    EXPECT_FALSE(headerRefreshing(*list));
    expectAtTop(*list);
    EXPECT_FALSE(shownErrors().empty());
    window->setRootViewController(nullptr);
  }
}

}  // namespace
