// The animated-image header and footers: pictures per state, stepping through the idle ones as
// the list is pulled, the height they ask for and where the picture stands.
#include "RefreshFixture.h"
#include "platform/graphics/ImageContext.h"
#include "widgets/refresh/KMRefreshAutoGifFooter.h"
#include "widgets/refresh/KMRefreshBackGifFooter.h"
#include "widgets/refresh/KMRefreshGifHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

// A namespace of its own: test programs compile several files as one.
namespace kmrefresh_gif_test {

using namespace widgets;
using widgets::testing::RefreshTest;
using S = KMRefreshComponentState;

namespace {

KMRefreshStateImages::Images pictures(size_t count, double height = 30) {
  KMRefreshStateImages::Images out;
  for (size_t i = 0; i < count; ++i) {
    gfx::beginImageContextWithOptions({30, height}, false, 1);
    gfx::currentContext()->setFillColor(gfx::Color::colorWithWhite(double(i) / double(count), 1));
    gfx::currentContext()->fillRect({{0, 0}, {30, height}});
    out.push_back(gfx::imageFromCurrentImageContext());
    gfx::endImageContext();
  }
  return out;
}

}  // namespace

TEST_F(RefreshTest, GifHeaderStepsThroughTheIdlePicturesAsItIsPulled) {
  auto table = makeTable(20);
  auto header = rt::make<KMRefreshGifHeader>();
  auto idle = pictures(10);
  header->setImages(idle, S::idle);
  auto pulling = pictures(3);
  header->setImages(pulling, 0.6, S::pulling);
  setKm_header(*table, header);

  struct Step {
    double percent;
    size_t index;
  } steps[] = {{0.0, 0}, {0.45, 4}, {0.99, 9}, {1.0, 9}, {1.7, 9}};
  for (const auto& s : steps) {
    header->setPullingPercent(s.percent);
    EXPECT_EQ(header->gifView()->image(), idle[s.index]) << s.percent;
  }

  dragTo(*table, -60);  // pulling: its pictures play and the pull no longer steps
  EXPECT_EQ(header->state(), S::pulling);
  EXPECT_TRUE(header->gifView()->isAnimating());
  EXPECT_EQ(header->gifView()->animationImages(), pulling);
  EXPECT_EQ(header->gifView()->animationDuration(), 0.6);
  auto shown = header->gifView()->image();
  header->setPullingPercent(0.2);
  EXPECT_EQ(header->gifView()->image(), shown);
  dragTo(*table, -20);
  EXPECT_FALSE(header->gifView()->isAnimating());
}

TEST_F(RefreshTest, GifPicturesSetDurationHeightAndStillness) {
  auto header = rt::make<KMRefreshGifHeader>();
  header->setImages(pictures(20), S::refreshing);
  EXPECT_DOUBLE_EQ(*header->stateImages().durationFor(S::refreshing), 2.0);
  EXPECT_EQ(header->frame().size.height, 54);
  header->setImages(pictures(2, 30), S::pulling);
  EXPECT_EQ(header->frame().size.height, 54);
  header->setImages(pictures(2, 60), S::pulling);
  EXPECT_EQ(header->frame().size.height, 60);
  header->setImages(std::nullopt, S::idle);  // ignored
  EXPECT_EQ(header->stateImages().imagesFor(S::idle), nullptr);

  // One picture for refreshing stands still.
  auto one = pictures(1);
  header->setImages(one, S::refreshing);
  auto table = makeTable(20);
  setKm_header(*table, header);
  header->beginRefreshing();
  EXPECT_EQ(header->state(), S::refreshing);
  EXPECT_FALSE(header->gifView()->isAnimating());
  EXPECT_EQ(header->gifView()->image(), one[0]);
}

TEST_F(RefreshTest, GifPictureStandsBesideTheTitleOrCentred) {
  auto table = makeTable(20);
  auto header = rt::make<KMRefreshGifHeader>();
  setKm_header(*table, header);
  header->layoutIfNeeded();
  EXPECT_EQ(header->gifView()->frame(), (gfx::Rect{{0, 0}, {375 * 0.5 - 90, 54}}));
  EXPECT_EQ(header->gifView()->contentMode(), ui::ViewContentMode::Right);
  header->stateLabel()->setHidden(true);
  header->lastUpdatedTimeLabel()->setHidden(true);
  header->setNeedsLayout();
  header->layoutIfNeeded();
  EXPECT_EQ(header->gifView()->frame(), (gfx::Rect{{0, 0}, {375, 54}}));
  EXPECT_EQ(header->gifView()->contentMode(), ui::ViewContentMode::Center);
}

TEST_F(RefreshTest, AutoGifFooterShowsPicturesOnlyWhileLoading) {
  auto table = makeTable(20);
  auto footer = rt::make<KMRefreshAutoGifFooter>();
  setKm_footer(*table, footer);
  // Without pictures for refreshing: the title alone.
  footer->beginRefreshing();
  EXPECT_TRUE(footer->gifView()->isHidden());
  EXPECT_EQ(footer->stateLabel()->text(), "正在加载更多的数据...");
  footer->endRefreshing();
  EXPECT_TRUE(footer->gifView()->isHidden());

  auto loading = pictures(4);
  footer->setImages(loading, S::refreshing);
  footer->beginRefreshing();
  EXPECT_FALSE(footer->gifView()->isHidden());
  EXPECT_TRUE(footer->gifView()->isAnimating());
  footer->endRefreshingWithNoMoreData();
  EXPECT_TRUE(footer->gifView()->isHidden());
  EXPECT_FALSE(footer->gifView()->isAnimating());

  footer->setRefreshingTitleHidden(true);
  footer->setNeedsLayout();
  footer->layoutIfNeeded();
  EXPECT_EQ(footer->gifView()->contentMode(), ui::ViewContentMode::Center);
}

TEST_F(RefreshTest, BackGifFooterFollowsThePullAndHidesWithNoMoreData) {
  auto scroll = makeScrollView(1000);
  auto footer = rt::make<KMRefreshBackGifFooter>();
  auto idle = pictures(4);
  footer->setImages(idle, S::idle);
  auto loading = pictures(3);
  footer->setImages(loading, S::refreshing);
  setKm_footer(*scroll, footer);
  dragTo(*scroll, 400 + 22);  // half the footer in view
  EXPECT_EQ(footer->gifView()->image(), idle[2]);
  dragTo(*scroll, 500);
  scroll->simulateDragEnded({0, 0});
  advance(1.0 / 60);
  EXPECT_EQ(footer->state(), S::refreshing);
  EXPECT_TRUE(footer->gifView()->isAnimating());
  EXPECT_EQ(footer->gifView()->animationImages(), loading);
  footer->endRefreshingWithNoMoreData();
  EXPECT_TRUE(footer->gifView()->isHidden());
  footer->resetNoMoreData();
  EXPECT_FALSE(footer->gifView()->isHidden());
}

}  // namespace kmrefresh_gif_test
