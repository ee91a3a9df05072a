// The supplement tab against the sample service: the three newest supplement articles, the
// quarterlies' covers newest first, pull-down, every tap's destination, and failures that
// must still end the pull-down.
#include <gtest/gtest.h>

#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDmagaineCollectionViewCell.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDMagazineListViewController.h"
#include "app/screens/KDMagazineViewController.h"
#include "app/screens/KDWebViewController.h"
#include "app/screens/KDmagazineArticListViewController.h"
#include "app/shell/KDTabBarController.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/ScreenFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using app::KDMagazineViewController;

class SupplementTabTest : public apptest::ScreenTest {
 protected:
  Ref<KDMagazineViewController> openTab() {
    auto tab = rt::make<KDMagazineViewController>();
    show(tab);
    return tab;
  }
  static bool refreshing(KDMagazineViewController& tab) {
    return widgets::km_header(*tab.contentView())->isRefreshing();
  }
  static std::vector<std::string> coverTitles(KDMagazineViewController& tab) {
    std::vector<std::string> out;
    for (const auto& c : tab.collectionModelarray()) out.push_back(c->title.utf8());
    return out;
  }
};

const std::vector<std::string> kIssuesNewestFirst = {"2026年夏季刊", "2026年春季刊", "2025年冬季刊",
                                                     "2025年秋季刊", "2025年夏季刊", "2025年春季刊"};

TEST_F(SupplementTabTest, ShowsTheThreeNewestArticlesAndTheIssuesNewestFirst) {
  const auto& catalog = startSampleService().catalog();
  const auto* supplement = catalog.articlesOfChannel("11651");
  ASSERT_NE(supplement, nullptr);
  auto tab = openTab();

  EXPECT_EQ(tab->titleLabel()->text().utf8(), "云岫声");
  ASSERT_EQ(tab->modelArray().size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(tab->modelArray()[i]->docTitle.utf8(), (*supplement)[i].docTitle);
  EXPECT_EQ(coverTitles(*tab), kIssuesNewestFirst);
  EXPECT_FALSE(refreshing(*tab));
  EXPECT_TRUE(shownErrors().empty());

  auto& table = *tab->contentView();
  EXPECT_EQ(table.numberOfRowsInSection(0), 3);
  EXPECT_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height, 100);
  EXPECT_EQ(table.rectForHeaderInSection(0).size.height, 50);
  double width = ui::Screen::mainScreen()->bounds().size.width;
  double third = (width - 30) / 3;
  EXPECT_EQ(table.tableFooterView()->frame().size.height, third * 1.4 + 80);
  // The strip shows the first covers, each with its issue's title and its own size.
  auto& strip = *tab->collectionView();
  EXPECT_EQ(strip.numberOfItemsInSection(0), 6);
  auto first = std::dynamic_pointer_cast<app::KDmagaineCollectionViewCell>(
      strip.cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(0, 0)));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->lable()->text().utf8(), "2026年夏季刊");
  EXPECT_EQ(first->frame().size, (gfx::Size{third, third * 1.4 + 40}));
  EXPECT_EQ(first->frame().origin.x, 5);
  first->layoutIfNeeded();
  EXPECT_EQ(first->icon()->frame().size, (gfx::Size{third - 10, (third - 10) * 1.4}));
  shoot("supplement-tab.png");

  // Pull-down replaces both lists.
  widgets::km_header(table)->beginRefreshing();
  settle();
  EXPECT_EQ(tab->modelArray().size(), 3u);
  EXPECT_EQ(coverTitles(*tab), kIssuesNewestFirst);
  EXPECT_FALSE(refreshing(*tab));
}

TEST_F(SupplementTabTest, EveryTapOpensItsScreen) {
  startSampleService();
  auto tab = openTab();
  auto& table = *tab->contentView();

  // An article row: the article page with the row's record, date shown.
  tapIn(table, table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(1, 0)));
  auto detail = top<app::KDArticleDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model(), tab->modelArray()[1]);
  EXPECT_FALSE(detail->isHiddenDate());
  popToRoot();

  // The supplement's "more": its whole list, titled, with dates.
  ASSERT_NE(tab->headerMoreButton(), nullptr);
  tapView(*tab->headerMoreButton());
  auto supplement = top<app::KDmagazineArticListViewController>();
  ASSERT_NE(supplement, nullptr);
  EXPECT_EQ(supplement->model()->title.utf8(), "云岫声");
  EXPECT_EQ(supplement->model()->trs_channel_id.utf8(), "11651");
  EXPECT_FALSE(supplement->isHiddenDate());
  settle();
  EXPECT_EQ(supplement->modelArray().size(), 10u);
  popToRoot();

  // The quarterlies' "more": the grid of all issues.
  tapView(*tab->footerMoreButton());
  ASSERT_NE(top<app::KDMagazineListViewController>(), nullptr);
  settle();
  EXPECT_EQ(top<app::KDMagazineListViewController>()->collectionModelarray().size(), 6u);
  popToRoot();

  // A cover: that issue's list, dates hidden.
  auto& strip = *tab->collectionView();
  tapIn(strip, strip.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(1, 0))->frame());
  auto issue = top<app::KDmagazineArticListViewController>();
  ASSERT_NE(issue, nullptr);
  EXPECT_EQ(issue->model(), tab->collectionModelarray()[1]);
  EXPECT_EQ(issue->model()->title.utf8(), "2026年春季刊");
  EXPECT_TRUE(issue->isHiddenDate());
}

TEST_F(SupplementTabTest, IsTheFourthTabsRoot) {
  startSampleService();
  auto tabs = rt::make<app::KDTabBarController>();
  window->setRootViewController(tabs);
  window->layoutIfNeeded();
  ASSERT_EQ(tabs->viewControllers().size(), 4u);
  auto nav4 = std::dynamic_pointer_cast<ui::NavigationController>(tabs->viewControllers()[3]);
  ASSERT_NE(nav4, nullptr);
  ASSERT_NE(std::dynamic_pointer_cast<KDMagazineViewController>(nav4->viewControllers().front()), nullptr);
  // The tab bar button of the fourth tab brings it up and it loads.
  host.renderFrame();
  host.tap({328, 642});
  host.renderFrame();
  fd::RunLoopDriver::advance(1);
  auto tab = std::static_pointer_cast<KDMagazineViewController>(nav4->viewControllers().front());
  // The other tabs load at the same time; wait for this tab's two answers, not the first of all.
  EXPECT_TRUE(fd::RunLoopDriver::runUntil(
      [&] { return tab->modelArray().size() == 3 && tab->collectionModelarray().size() == 6; }, 60));
  EXPECT_EQ(tabs->selectedIndex(), 3);
  EXPECT_EQ(tab->modelArray().size(), 3u);
  EXPECT_EQ(tab->collectionModelarray().size(), 6u);
}

TEST_F(SupplementTabTest, AFailingServiceEndsThePullDownAndKeepsTheLists) {
  sample::ServiceOptions options;
  options.failMode = sample::FailMode::Errors;
  startSampleService(options);
  auto tab = openTab();
  EXPECT_TRUE(tab->modelArray().empty());
  EXPECT_TRUE(tab->collectionModelarray().empty());
  EXPECT_FALSE(shownErrors().empty());

  widgets::km_header(*tab->contentView())->beginRefreshing();
  settle();
  // Both answers fail; the header ends with the second, which may come after the first settles.
  EXPECT_TRUE(fd::RunLoopDriver::runUntil([&] { return !refreshing(*tab); }, 60));
  // Header and footer stay in place without data.
  EXPECT_EQ(tab->contentView()->rectForHeaderInSection(0).size.height, 50);
  EXPECT_NE(tab->contentView()->tableFooterView(), nullptr);
}

TEST_F(SupplementTabTest, ChannelsWithoutQuarterliesLeaveTheStripEmptyAndWebArticlesOpenTheWebPage) {
  startScriptedServer();
  script("App/channel_list",
         R"({"status":200,"data":{"list":[{"id":"5","parent_id":"0","title":"资讯"},)"
         R"({"id":"6","parent_id":"8","title":"别的"}]}})");
  script("App/article_list",
         R"({"status":200,"data":{"page":"1","total_page":"1","total":"2","list":[)"
         R"({"docId":"1","docTitle":"网页文章","docType":"30","docPubUrl":"http://127.0.0.1:9/p.html"},)"
         R"({"docId":"2","docTitle":"普通文章","docType":"20"}]}})");
  auto tab = openTab();
  EXPECT_TRUE(tab->collectionModelarray().empty());
  EXPECT_EQ(tab->collectionView()->numberOfItemsInSection(0), 0);
  ASSERT_EQ(tab->modelArray().size(), 2u);
  EXPECT_FALSE(refreshing(*tab));

  auto& table = *tab->contentView();
  tapIn(table, table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)));
  auto web = top<app::KDWebViewController>();
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->webUrl().utf8(), "http://127.0.0.1:9/p.html");
  EXPECT_EQ(web->webViwqTitle().utf8(), "网页文章");
}

}  // namespace
