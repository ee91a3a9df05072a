// The sights and food lists against the sample service: paging to the end, pull-down, the
// row that opens the article with its place, the badge and place line of a row, and failures
// that must still end the refresh views.
#include <gtest/gtest.h>

#include "app/cells/KDScenicCell.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDscenicListViewController.h"
#include "platform/foundation/values/IndexPath.h"
#include "tests/app/TravelFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using app::KDScenicCell;
using app::KDscenicListViewController;

class ScenicListTest : public apptest::TravelTest {
 protected:
  Ref<KDscenicListViewController> open(const char* trs, const char* title) {
    auto channel = rt::make<app::KDAppchannelModel>();
    channel->trs_channel_id = trs;
    channel->title = title;
    auto list = rt::make<KDscenicListViewController>();
    list->setModel(channel);
    nav = show(list);
    return list;
  }
  static Ref<widgets::KMRefreshFooter> attachedFooter(KDscenicListViewController& l) {
    auto footer = widgets::km_footer(*l.contentView());
    return footer && footer->superview() ? footer : nullptr;
  }
  static bool refreshing(KDscenicListViewController& l) {
    auto footer = attachedFooter(l);
    return widgets::km_header(*l.contentView())->isRefreshing() || (footer && footer->isRefreshing());
  }
  Ref<KDScenicCell> rowCell(KDscenicListViewController& l, uint64_t row) {
    l.contentView()->layoutIfNeeded();
    return std::dynamic_pointer_cast<KDScenicCell>(l.contentView()->cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(row, 0)));
  }

  Ref<app::QPNavigationController> nav;
};

TEST_F(ScenicListTest, PagesThroughTheSightsAndStartsOverOnPullDown) {
  const auto& catalog = startSampleService().catalog();
  const auto& sights = *catalog.articlesOfChannel("11616");
  ASSERT_EQ(sights.size(), 25u);
  auto list = open("11616", "景点");
  EXPECT_EQ(list->topBar().title->text().utf8(), "景点");
  ASSERT_EQ(list->modelArray().size(), 10u);
  EXPECT_EQ(list->modelArray()[0]->docId.utf8(), sights[0].docId);
  EXPECT_EQ(list->paramsModel()->trs_id.utf8(), "11616");
  EXPECT_EQ(list->paramsModel()->page, 2);
  EXPECT_FALSE(refreshing(*list));
  ASSERT_NE(attachedFooter(*list), nullptr);

  // The row: picture, title, badge and place, 100 high.
  auto& table = *list->contentView();
  EXPECT_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height, 100);
  auto cell = rowCell(*list, 0);
  ASSERT_NE(cell, nullptr);
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->title()->text().utf8(), sights[0].docTitle);
  EXPECT_EQ(cell->starlable()->text().utf8(), sights[0].docAuthor);
  EXPECT_FALSE(cell->starlable()->isHidden());
  EXPECT_EQ(cell->locationLable()->text().utf8(), sights[0].subTitle);
  EXPECT_FALSE(cell->locationicon()->isHidden());
  EXPECT_EQ(cell->icon()->frame(), gfx::Rect({10, 10}, {100, 75}));
  EXPECT_EQ(cell->title()->frame().origin.x, 120);
  auto c = cell->contentView()->bounds();
  EXPECT_EQ(cell->starlable()->frame(), gfx::Rect({c.size.width - 70, 10}, {60, 20}));
  EXPECT_EQ(cell->locationicon()->frame().origin.y, cell->title()->frame().origin.y + cell->title()->frame().size.height + 10);
  EXPECT_LE(cell->locationLable()->frame().origin.x + cell->locationLable()->frame().size.width, c.size.width - 10);
  shoot("scenic-list.png");

  for (size_t expected : {20u, 25u}) {
    attachedFooter(*list)->beginRefreshing();
    settle();
    ASSERT_EQ(list->modelArray().size(), expected);
    EXPECT_EQ(list->modelArray()[expected - 1]->docId.utf8(), sights[expected - 1].docId);
    EXPECT_FALSE(refreshing(*list));
  }
  // The last page leaves no footer.
  EXPECT_EQ(attachedFooter(*list), nullptr);

  widgets::km_header(table)->beginRefreshing();
  settle();
  EXPECT_EQ(list->modelArray().size(), 10u);
  EXPECT_EQ(list->paramsModel()->page, 2);
  EXPECT_EQ(list->paramsModel()->page_size, 10);
  EXPECT_NE(attachedFooter(*list), nullptr);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(ScenicListTest, ARowOpensItsArticleWithThePlaceLine) {
  startSampleService();
  auto list = open("11617", "美食");
  ASSERT_EQ(list->modelArray().size(), 10u);
  auto cell = rowCell(*list, 1);
  ASSERT_NE(cell, nullptr);
  tapView(*cell);
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  auto detail = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(nav->topViewController());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model(), list->modelArray()[1]);
  EXPECT_TRUE(detail->isShowAddress());
  settle();
  nav->popToRootViewControllerAnimated(false);

  // A row index past the list (asked for while the rows change) opens nothing.
  list->tableViewDidSelectRowAtIndexPath(*list->contentView(), fd::IndexPath::indexPathForRow(99, 0));
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  auto empty = list->tableViewCellForRowAtIndexPath(*list->contentView(), fd::IndexPath::indexPathForRow(99, 0));
  EXPECT_EQ(std::dynamic_pointer_cast<KDScenicCell>(empty)->model(), nullptr);
}

TEST_F(ScenicListTest, AnEmptyBadgeOrPlaceHidesItsView) {
  struct Case {
    const char* author;
    const char* place;
  } cases[] = {{"AAAA级", "禾岚区一号"}, {"", "禾岚区二号"}, {"老字号", ""}, {"", ""}};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.author) + "|" + k.place);
    auto record = rt::make<app::KDAPPListModel>();
    record->docTitle = "标题";
    record->docAuthor = k.author;
    record->subTitle = k.place;
    auto cell = rt::make<KDScenicCell>(ui::TableViewCellStyle::Default, rt::String("Identifier"));
    cell->setFrame({{0, 0}, {375, 100}});
    cell->setModel(record);
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->starlable()->isHidden(), std::string(k.author).empty());
    EXPECT_EQ(cell->locationicon()->isHidden(), std::string(k.place).empty());
    EXPECT_EQ(cell->content()->text().utf8(), "");
  }
}

TEST_F(ScenicListTest, FailuresEndTheHeaderAndTheFooterAndKeepTheRows) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    auto list = open("11616", "景点");
    EXPECT_TRUE(list->modelArray().empty());
    EXPECT_FALSE(refreshing(*list));
    EXPECT_FALSE(shownErrors().empty());
    window->setRootViewController(nullptr);
  }

  // A page loaded, then the service goes away under the footer.
  startSampleService();
  auto list = open("11616", "景点");
  ASSERT_EQ(list->modelArray().size(), 10u);
  size_t errors = shownErrors().size();
  service->stop();
  attachedFooter(*list)->beginRefreshing();
  settle();
  EXPECT_EQ(list->modelArray().size(), 10u);
  EXPECT_FALSE(refreshing(*list));
  EXPECT_EQ(list->paramsModel()->page, 2);
  EXPECT_GT(shownErrors().size(), errors);
}

}  // namespace
