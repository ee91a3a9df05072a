// The automatic footer: its place in the bottom inset, hiding on empty lists, the scroll and
// release triggers, the title tap, no-more-data and the delayed callback.
#include "RefreshFixture.h"
#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

using namespace widgets;
using widgets::testing::RefreshTest;
using S = KMRefreshComponentState;

namespace {

// Puts the content at `from` unseen by the footer, then moves it to `to` in one observed step.
void scrollFromTo(ui::ScrollView& s, double from, double to) {
  auto footer = km_footer(s);
  footer->setUserInteractionEnabled(false);
  s.setContentOffset({0, from});
  footer->setUserInteractionEnabled(true);
  s.setContentOffset({0, to});
}

}  // namespace

TEST_F(RefreshTest, AutoFooterSitsBelowTheContentInsideTheBottomInset) {
  auto table = makeTable(20);  // 1000 points of rows
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, footer);
  EXPECT_EQ(table->contentInset().bottom, 44);
  EXPECT_EQ(footer->frame(), (gfx::Rect{{0, 1000}, {375, 44}}));
  EXPECT_EQ(footer->stateLabel()->text(), "点击或上拉加载更多");

  rows->count = 30;
  table->reloadData();
  EXPECT_EQ(footer->frame().origin.y, 1500);

  footer->removeFromSuperview();
  EXPECT_EQ(table->contentInset().bottom, 0);
}

TEST_F(RefreshTest, AutoFooterHidesForAnEmptyListAndComesBack) {
  auto table = makeTable(20);
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, footer);
  rows->count = 0;
  table->reloadData();
  EXPECT_TRUE(footer->isHidden());
  EXPECT_EQ(table->contentInset().bottom, 0);
  EXPECT_EQ(footer->state(), S::idle);
  table->reloadData();  // still empty: the inset is not taken twice
  EXPECT_EQ(table->contentInset().bottom, 0);

  rows->count = 5;
  table->reloadData();
  EXPECT_FALSE(footer->isHidden());
  EXPECT_EQ(table->contentInset().bottom, 44);
  EXPECT_EQ(footer->frame().origin.y, 250);

  // With automatic hiding off, an empty list leaves it alone.
  footer->setAutomaticallyHidden(false);
  rows->count = 0;
  table->reloadData();
  EXPECT_FALSE(footer->isHidden());
  EXPECT_EQ(table->contentInset().bottom, 44);
}

TEST_F(RefreshTest, RemovedFooterNoLongerActsOnItsList) {
  // The list screens remove the footer on the last page; later reloads must not touch it.
  auto table = makeTable(20);
  table->setContentInset({0, 0, 10, 0});
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, footer);
  EXPECT_EQ(table->contentInset().bottom, 54);
  footer->removeFromSuperview();
  EXPECT_EQ(table->contentInset().bottom, 10);
  EXPECT_FALSE(km_reloadDataBlock(*table));

  rows->count = 0;
  table->reloadData();
  rows->count = 3;
  table->reloadData();
  footer->setHidden(true);
  footer->setHidden(false);
  EXPECT_EQ(table->contentInset().bottom, 10);

  // A new footer takes the list over again.
  auto next = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, next);
  EXPECT_EQ(table->contentInset().bottom, 54);
  rows->count = 0;
  table->reloadData();
  EXPECT_TRUE(next->isHidden());
  EXPECT_EQ(table->contentInset().bottom, 10);
}

TEST_F(RefreshTest, AutoFooterLoadsWhenScrolledIntoViewOnTheWayDown) {
  auto table = makeTable(20);  // content 1000, view 600, inset bottom 44 once attached
  int loads = 0;
  auto footer = KMRefreshFooter::footerWithRefreshingBlock<KMRefreshAutoNormalFooter>([&loads] { ++loads; });
  setKm_footer(*table, footer);
  double threshold = 1000 - 600 + 44;

  scrollFromTo(*table, threshold + 20, threshold);  // reaching it on the way up
  EXPECT_EQ(footer->state(), S::idle);
  scrollFromTo(*table, threshold - 10, threshold - 0.5);
  EXPECT_EQ(footer->state(), S::idle);
  scrollFromTo(*table, threshold - 10, threshold);
  EXPECT_EQ(footer->state(), S::refreshing);
  EXPECT_EQ(footer->stateLabel()->text(), "正在加载更多的数据...");
  EXPECT_TRUE(footer->loadingView()->isAnimating());
  EXPECT_EQ(table->contentInset().bottom, 44);  // the inset does not change

  advance(0.49);
  EXPECT_EQ(loads, 0);
  advance(0.02);
  EXPECT_EQ(loads, 1);
  footer->endRefreshing();
  EXPECT_FALSE(footer->loadingView()->isAnimating());

  // Half the footer in view is enough at a trigger percent of 0.5.
  footer->setAppearencePercentTriggerAutoRefresh(0.5);
  EXPECT_EQ(footer->triggerAutomaticallyRefreshPercent(), 0.5);
  scrollFromTo(*table, 0, threshold - 22.5);
  EXPECT_EQ(footer->state(), S::idle);
  scrollFromTo(*table, 0, threshold - 22);
  EXPECT_EQ(footer->state(), S::refreshing);
  advance(1);
  EXPECT_EQ(loads, 2);
  footer->endRefreshing();

  // Scrolling alone does nothing with automatic refresh off.
  footer->setAutomaticallyRefresh(false);
  scrollFromTo(*table, 0, threshold);
  EXPECT_EQ(footer->state(), S::idle);
}

TEST_F(RefreshTest, AutoFooterLoadsWhenADragEndsAtTheEndOfTheList) {
  struct Case {
    int64_t rows;
    gfx::Point from, to;
    bool loads;
  } cases[] = {
      {3, {187, 300}, {187, 250}, true},   // short content: any let-go below the top
      {3, {187, 250}, {187, 300}, false},  // pulled down past the top
      {20, {187, 300}, {187, 250}, false}, // long content, far from its end
  };
  for (const auto& c : cases) {
    auto table = makeTable(c.rows);
    auto footer = rt::make<KMRefreshAutoNormalFooter>();
    footer->setAutomaticallyRefresh(false);  // the release path alone
    setKm_footer(*table, footer);
    ui::HeadlessHost host;
    host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
    host.drag(c.from, c.to, 0.3);
    EXPECT_EQ(footer->state() == S::refreshing, c.loads) << c.rows << " rows";
    table->removeFromSuperview();
    advance(2);
  }

  // At the very end of a long list, letting go loads too.
  auto table = makeTable(20);
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  footer->setAutomaticallyRefresh(false);
  setKm_footer(*table, footer);
  table->setContentOffset({0, 1000 + 44 - 600});
  ui::HeadlessHost host;
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.drag({187, 400}, {187, 300}, 0.3);
  EXPECT_EQ(footer->state(), S::refreshing);
}

TEST_F(RefreshTest, AutoFooterAtContentHeightZeroNeverLoadsByScrolling) {
  auto scroll = makeScrollView(0);
  scroll->setContentInset({700, 0, 0, 0});  // top + content exceed the view: only y 0 holds it back
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*scroll, footer);
  EXPECT_EQ(footer->frame().origin.y, 0);
  scrollFromTo(*scroll, 0, 500);
  EXPECT_EQ(footer->state(), S::idle);
}

TEST_F(RefreshTest, AutoFooterTitleTapAndNoMoreData) {
  auto table = makeTable(3);  // 150 points: the footer shows at y 150
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, footer);
  table->layoutIfNeeded();
  ui::HeadlessHost host;
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });

  footer->endRefreshingWithNoMoreData();
  EXPECT_EQ(footer->stateLabel()->text(), "已经全部加载完毕");
  host.tap({187, 172});
  host.drag({187, 300}, {187, 250}, 0.3);
  scrollFromTo(*table, 0, 100);
  advance(1);
  EXPECT_EQ(footer->state(), S::noMoreData);

  footer->resetNoMoreData();
  EXPECT_EQ(footer->stateLabel()->text(), "点击或上拉加载更多");
  host.tap({187, 172});
  EXPECT_EQ(footer->state(), S::refreshing);
  footer->noticeNoMoreData();
  EXPECT_EQ(footer->state(), S::noMoreData);
  EXPECT_FALSE(footer->loadingView()->isAnimating());
}

TEST_F(RefreshTest, AutoFooterWithItsRefreshingTitleHidden) {
  auto table = makeTable(20);
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  footer->setRefreshingTitleHidden(true);
  setKm_footer(*table, footer);
  footer->layoutIfNeeded();
  EXPECT_EQ(footer->loadingView()->center(), (gfx::Point{375 / 2.0, 22}));
  footer->beginRefreshing();
  EXPECT_EQ(footer->stateLabel()->text(), "");

  auto titled = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, titled);
  titled->layoutIfNeeded();
  EXPECT_EQ(titled->loadingView()->center(), (gfx::Point{375 / 2.0 - 100, 22}));
}
