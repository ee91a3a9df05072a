// The back footer: where it waits, its pull threshold, the inset it holds while loading and
// gives back exactly, no-more-data, and its arrow.
#include <cmath>

#include "RefreshFixture.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "widgets/refresh/KMRefreshBackNormalFooter.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

using namespace widgets;
using widgets::testing::RefreshTest;
using S = KMRefreshComponentState;

namespace {
bool isTurnedOver(const gfx::AffineTransform& t) { return std::fabs(std::atan2(t.b, t.a)) > 3.14; }
}  // namespace

TEST_F(RefreshTest, BackFooterThresholdsAndInsetsForLongAndShortContent) {
  struct Case {
    double content;
    double footerY, happen, bottomWhileLoading, offsetWhileLoading;
  } cases[] = {
      {1000, 1000, 400, 44, 444},
      {300, 600, 0, 344, 44},
  };
  for (const auto& c : cases) {
    auto scroll = makeScrollView(c.content);
    int loads = 0;
    auto footer = KMRefreshFooter::footerWithRefreshingBlock<KMRefreshBackNormalFooter>([&loads] { ++loads; });
    setKm_footer(*scroll, footer);
    EXPECT_EQ(footer->frame().origin.y, c.footerY) << c.content;
    EXPECT_EQ(footer->happenOffsetY(), c.happen) << c.content;
    EXPECT_EQ(scroll->contentInset().bottom, 0);

    dragTo(*scroll, c.happen + 44);
    EXPECT_EQ(footer->state(), S::idle);
    EXPECT_DOUBLE_EQ(footer->pullingPercent(), 1.0);
    dragTo(*scroll, c.happen + 44.5);
    EXPECT_EQ(footer->state(), S::pulling);
    EXPECT_EQ(footer->stateLabel()->text(), "松开立即加载更多");
    dragTo(*scroll, c.happen + 44);
    EXPECT_EQ(footer->state(), S::idle);
    dragTo(*scroll, c.happen + 60);
    scroll->simulateDragEnded({0, 0});
    advance(1.0 / 60);  // the first step of the bounce lets it begin
    EXPECT_EQ(footer->state(), S::refreshing);
    EXPECT_EQ(footer->stateLabel()->text(), "正在加载更多的数据...");
    EXPECT_EQ(scroll->contentInset().bottom, c.bottomWhileLoading) << c.content;
    EXPECT_EQ(footer->lastBottomDelta(), c.bottomWhileLoading);
    advance(2);
    EXPECT_EQ(loads, 1);
    EXPECT_NEAR(scroll->contentOffset().y, c.offsetWhileLoading, 0.5) << c.content;

    footer->endRefreshing();
    EXPECT_EQ(scroll->contentInset().bottom, 0);
    advance(0.5);
    EXPECT_EQ(footer->pullingPercent(), 0);
    scroll->removeFromSuperview();
  }
}

TEST_F(RefreshTest, BackFooterGivesBackExactlyWhatItTook) {
  auto table = makeTable(20);
  table->setContentInset({0, 0, 30, 0});
  auto footer = rt::make<KMRefreshBackNormalFooter>();
  setKm_footer(*table, footer);
  footer->beginRefreshing();
  EXPECT_EQ(table->contentInset().bottom, 74);
  footer->endRefreshingWithNoMoreData();
  EXPECT_EQ(table->contentInset().bottom, 30);
  EXPECT_EQ(footer->state(), S::noMoreData);
  EXPECT_TRUE(footer->arrowView()->isHidden());

  // In no-more-data the pull shows the footer and its title but never loads.
  dragTo(*table, 1000 + 30 - 600 + 100);
  EXPECT_GT(footer->pullingPercent(), 1.0);
  table->simulateDragEnded({0, 0});
  advance(1);
  EXPECT_EQ(footer->state(), S::noMoreData);
  EXPECT_EQ(footer->stateLabel()->text(), "已经全部加载完毕");
  EXPECT_EQ(table->contentInset().bottom, 30);
  footer->resetNoMoreData();
  EXPECT_EQ(footer->stateLabel()->text(), "上拉可以加载更多");
}

TEST_F(RefreshTest, BackFooterArrowIsTheHeadersTurnedOver) {
  auto scroll = makeScrollView(1000);
  auto footer = rt::make<KMRefreshBackNormalFooter>();
  setKm_footer(*scroll, footer);
  advance(0.3);
  EXPECT_TRUE(isTurnedOver(footer->arrowView()->transform()));
  dragTo(*scroll, 500);
  EXPECT_EQ(footer->state(), S::pulling);
  advance(0.3);
  EXPECT_TRUE(gfx::AffineTransformIsIdentity(footer->arrowView()->transform()));
  scroll->simulateDragEnded({0, 0});
  advance(1.0 / 60);
  EXPECT_TRUE(footer->arrowView()->isHidden());
  EXPECT_TRUE(footer->loadingView()->isAnimating());
  footer->endRefreshing();
  EXPECT_TRUE(isTurnedOver(footer->arrowView()->transform()));
  advance(0.45);
  EXPECT_FALSE(footer->loadingView()->isAnimating());
  EXPECT_FALSE(footer->arrowView()->isHidden());
}

TEST_F(RefreshTest, BackFooterBelowAnIgnoredInsetAndOnACollectionView) {
  auto scroll = makeScrollView(1000);
  auto footer = rt::make<KMRefreshBackNormalFooter>();
  footer->setIgnoredScrollViewContentInsetBottom(20);
  setKm_footer(*scroll, footer);
  EXPECT_EQ(footer->frame().origin.y, 1020);

  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  auto grid = rt::make<ui::CollectionView>(gfx::Rect{{0, 0}, {375, 600}}, layout);
  window->addSubview(grid);
  auto other = rt::make<KMRefreshBackNormalFooter>();
  setKm_footer(*grid, other);
  other->beginRefreshing();
  other->endRefreshing();
  EXPECT_EQ(other->state(), S::refreshing);
  advance(0.11);
  EXPECT_EQ(other->state(), S::idle);
  other->beginRefreshing();
  other->noticeNoMoreData();
  EXPECT_EQ(other->state(), S::refreshing);
  advance(0.11);
  EXPECT_EQ(other->state(), S::noMoreData);
}

TEST_F(RefreshTest, BackFooterLoadsWhenAFingerPullsTheListUpPastItsEnd) {
  auto table = makeTable(20);  // 1000 points in 600
  int loads = 0;
  auto footer = KMRefreshFooter::footerWithRefreshingBlock<KMRefreshBackNormalFooter>([&loads] { ++loads; });
  setKm_footer(*table, footer);
  table->setContentOffset({0, 400});  // at the end
  ui::HeadlessHost host;
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.drag({187, 500}, {187, 200}, 0.5);
  EXPECT_EQ(footer->state(), S::pulling);
  advance(1.0 / 60);
  EXPECT_EQ(footer->state(), S::refreshing);
  advance(2);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(table->contentInset().bottom, 44);
  EXPECT_NEAR(table->contentOffset().y, 444, 0.5);  // settled with the footer in view

  // New rows arrive and the load ends: the inset is given back and the rows show.
  rows->count = 30;
  table->reloadData();
  footer->endRefreshing();
  EXPECT_EQ(table->contentInset().bottom, 0);
  EXPECT_EQ(footer->frame().origin.y, 1500);
  advance(1);
  EXPECT_EQ(footer->state(), S::idle);
  EXPECT_EQ(loads, 1);
}
