// The issue grid and an issue's article list against the sample service: paging to the end,
// pull-down, what a tap opens, failures that must end the refreshing, and the magazine row.
#include <gtest/gtest.h>

#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDmagaineCell.h"
#include "app/cells/KDmagaineCollectionViewCell.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDMagazineListViewController.h"
#include "app/screens/KDmagazineArticListViewController.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/ScreenFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using app::KDmagazineArticListViewController;

class MagazineListsTest : public apptest::ScreenTest {
 protected:
  Ref<KDmagazineArticListViewController> openIssue(const std::string& trs, const std::string& title, bool hideDate) {
    auto channel = rt::make<app::KDAppchannelModel>();
    channel->trs_channel_id = trs;
    channel->title = title;
    auto list = rt::make<KDmagazineArticListViewController>();
    list->setModel(channel);
    list->setIsHiddenDate(hideDate);
    show(list);
    return list;
  }
  static Ref<widgets::KMRefreshFooter> attachedFooter(KDmagazineArticListViewController& l) {
    auto footer = widgets::km_footer(*l.contentView());
    return footer && footer->superview() ? footer : nullptr;
  }
};

TEST_F(MagazineListsTest, AnIssuePagesToItsEndAndPullDownStartsOver) {
  const auto& catalog = startSampleService().catalog();
  const auto* articles = catalog.articlesOfChannel("11642");  // 2025年春季刊, 12 articles
  ASSERT_NE(articles, nullptr);
  ASSERT_EQ(articles->size(), 12u);

  auto list = openIssue("11642", "2025年春季刊", true);
  EXPECT_EQ(list->topBar().title->text().utf8(), "2025年春季刊");
  ASSERT_NE(list->topBar().back, nullptr);
  ASSERT_EQ(list->modelArray().size(), 10u);
  EXPECT_EQ(list->paramsModel()->trs_id.utf8(), "11642");
  EXPECT_EQ(list->paramsModel()->page, 2);
  EXPECT_EQ(list->contentView()->rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height, 100);
  ASSERT_NE(attachedFooter(*list), nullptr);
  shoot("magazine-issue.png");

  auto footer = attachedFooter(*list);
  footer->beginRefreshing();
  settle();
  ASSERT_EQ(list->modelArray().size(), 12u);
  EXPECT_EQ(list->modelArray()[11]->docTitle.utf8(), (*articles)[11].docTitle);
  EXPECT_EQ(attachedFooter(*list), nullptr);
  EXPECT_FALSE(footer->isRefreshing());

  widgets::km_header(*list->contentView())->beginRefreshing();
  settle();
  EXPECT_EQ(list->modelArray().size(), 10u);
  EXPECT_EQ(list->modelArray()[0]->docTitle.utf8(), (*articles)[0].docTitle);
  EXPECT_NE(attachedFooter(*list), nullptr);
  EXPECT_FALSE(widgets::km_header(*list->contentView())->isRefreshing());

  // A row opens its article, dates hidden as the issue asks.
  auto& table = *list->contentView();
  tapIn(table, table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(2, 0)));
  auto detail = top<app::KDArticleDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model(), list->modelArray()[2]);
  EXPECT_TRUE(detail->isHiddenDate());
  // Its back button returns.
  popToRoot();
  tapView(*list->topBar().back);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(MagazineListsTest, FailuresEndTheHeaderAndTheFooter) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    auto list = openIssue("11651", "云岫声", false);
    EXPECT_TRUE(list->modelArray().empty());
    widgets::km_header(*list->contentView())->beginRefreshing();
    settle();
    EXPECT_FALSE(widgets::km_header(*list->contentView())->isRefreshing());
    EXPECT_FALSE(shownErrors().empty());
    window->setRootViewController(nullptr);
    service->stop();
  }
}

TEST_F(MagazineListsTest, AnEmptyPageStillMovesThePagingAndKeepsTheRows) {
  startScriptedServer();
  script("App/article_list",
         R"({"status":200,"data":{"page":"2","total_page":"3","total":"30","list":[]}})");
  auto list = openIssue("11642", "2025年春季刊", true);
  EXPECT_TRUE(list->modelArray().empty());
  // The page block still ran: page 3 is next and a footer waits for it.
  EXPECT_EQ(list->paramsModel()->page, 3);
  auto footer = attachedFooter(*list);
  ASSERT_NE(footer, nullptr);
  footer->beginRefreshing();
  settle();
  // The answer brought a fresh footer; the one on the list is idle, not spinning on.
  auto now = attachedFooter(*list);
  ASSERT_NE(now, nullptr);
  EXPECT_FALSE(now->isRefreshing());
  EXPECT_TRUE(list->modelArray().empty());
}

TEST_F(MagazineListsTest, TheIssueGridShowsEveryIssueNewestFirstAndOpensOne) {
  startSampleService();
  auto grid = rt::make<app::KDMagazineListViewController>();
  show(grid);
  EXPECT_EQ(grid->topBar().title->text().utf8(), "禾岚风");
  std::vector<std::string> titles;
  for (const auto& c : grid->collectionModelarray()) titles.push_back(c->title.utf8());
  EXPECT_EQ(titles, (std::vector<std::string>{"2026年夏季刊", "2026年春季刊", "2025年冬季刊", "2025年秋季刊",
                                              "2025年夏季刊", "2025年春季刊"}));
  auto& cv = *grid->collectionView();
  EXPECT_EQ(cv.frame().origin.y, 74);
  double third = (ui::Screen::mainScreen()->bounds().size.width - 30) / 3;
  auto fourth = cv.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(3, 0));
  ASSERT_NE(fourth, nullptr);
  EXPECT_EQ(fourth->frame().size, (gfx::Size{third, third * 1.4 + 40}));
  EXPECT_EQ(fourth->frame().origin.x, 5);  // three a line: the fourth starts the second
  shoot("magazine-grid.png");

  widgets::km_header(cv)->beginRefreshing();
  settle();
  EXPECT_EQ(grid->collectionModelarray().size(), 6u);
  EXPECT_FALSE(widgets::km_header(cv)->isRefreshing());

  tapIn(cv, cv.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(4, 0))->frame());
  auto issue = top<KDmagazineArticListViewController>();
  ASSERT_NE(issue, nullptr);
  EXPECT_EQ(issue->model(), grid->collectionModelarray()[4]);
  EXPECT_TRUE(issue->isHiddenDate());
  EXPECT_EQ(issue->modelArray().size(), 10u);  // 2025年夏季刊 has ten
}

TEST_F(MagazineListsTest, TheIssueGridEndsItsPullDownWhenTheServiceFails) {
  sample::ServiceOptions options;
  options.failMode = sample::FailMode::Errors;
  startSampleService(options);
  auto grid = rt::make<app::KDMagazineListViewController>();
  show(grid);
  EXPECT_TRUE(grid->collectionModelarray().empty());
  widgets::km_header(*grid->collectionView())->beginRefreshing();
  settle();
  EXPECT_FALSE(widgets::km_header(*grid->collectionView())->isRefreshing());
}

TEST_F(MagazineListsTest, TheMagazineRowNamesTheAuthorOrTheDate) {
  auto cell = rt::make<app::KDmagaineCell>(ui::TableViewCellStyle::Default, rt::String("Identifier"));
  cell->setFrame({{0, 0}, {375, 100}});
  auto record = rt::make<app::KDAPPListModel>();
  record->docTitle = "晒秋";
  record->docAbstract = "村里的秋天";
  record->docRelTime = "2016-05-12 08:30";

  cell->author()->setText("before");
  cell->setIsHiddenDate(true);
  cell->setModel(record);
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->author()->text().utf8(), "before");  // no author: the label is left alone
  EXPECT_EQ(cell->title()->text().utf8(), "晒秋");
  EXPECT_EQ(cell->icon()->frame().size, (gfx::Size{0, 0}));

  record->docAuthor = "林木";
  cell->setNeedsLayout();
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->author()->text().utf8(), "--- 林木");

  cell->setIsHiddenDate(false);
  cell->setNeedsLayout();
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->author()->text().utf8(), "2016-05-12");

  auto pictured = rt::make<app::KDAPPListModel>();
  pictured->picMode = rt::make<app::KDAPPPicModel>();
  pictured->docRelTime = "2016";
  cell->setModel(pictured);
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->icon()->frame(), (gfx::Rect{{10, 10}, {100, 75}}));
  EXPECT_EQ(cell->title()->frame().origin.x, 120);
  EXPECT_EQ(cell->author()->text().utf8(), "2016");
}

}  // namespace
