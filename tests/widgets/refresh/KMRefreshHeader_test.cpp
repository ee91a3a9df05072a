// The pull-down header: thresholds, real drags through the host, insets on the virtual clock,
// the state texts and the last-updated line.
#include <cmath>

#include "RefreshFixture.h"
#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/time/Calendar.h"
#include "platform/foundation/time/Locale.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/KMRefreshBackNormalFooter.h"
#include "widgets/refresh/KMRefreshNormalHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

// A namespace of its own: test programs compile several files as one.
namespace kmrefresh_header_test {

using namespace widgets;
using widgets::testing::RefreshTest;
using S = KMRefreshComponentState;

namespace {

Ref<fd::Date> dateFrom(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute) {
  fd::DateComponents c;
  c.year = year, c.month = month, c.day = day, c.hour = hour, c.minute = minute;
  return KMRefreshStateHeader::currentCalendar()->dateFromComponents(c);
}

bool isTurnedOver(const gfx::AffineTransform& t) { return std::fabs(std::atan2(t.b, t.a)) > 3.14; }

}  // namespace

TEST_F(RefreshTest, HeaderPullsPastItsHeightAndBack) {
  auto table = makeTable(20);
  auto header = rt::make<KMRefreshNormalHeader>();
  setKm_header(*table, header);
  header->layoutIfNeeded();
  EXPECT_EQ(header->frame(), (gfx::Rect{{0, -54}, {375, 54}}));

  struct Step {
    double offset;
    S state;
    double percent;
  } steps[] = {{-27, S::idle, 0.5}, {-54, S::idle, 1.0}, {-54.5, S::pulling, 54.5 / 54}, {-54, S::idle, 1.0},
               {-80, S::pulling, 80.0 / 54}};
  for (const auto& s : steps) {
    dragTo(*table, s.offset);
    EXPECT_EQ(header->state(), s.state) << s.offset;
    EXPECT_DOUBLE_EQ(header->pullingPercent(), s.percent) << s.offset;
  }
  EXPECT_EQ(header->stateLabel()->text(), "松开立即刷新");
  EXPECT_TRUE(isTurnedOver(header->arrowView()->transform()));

  // Scrolled into the content, the percent keeps its last value.
  dragTo(*table, -27);
  dragTo(*table, 100);
  EXPECT_DOUBLE_EQ(header->pullingPercent(), 0.5);
  EXPECT_EQ(header->state(), S::idle);
  EXPECT_EQ(header->stateLabel()->text(), "下拉可以刷新");
  advance(0.3);
  EXPECT_TRUE(gfx::AffineTransformIsIdentity(header->arrowView()->transform()));
}

TEST_F(RefreshTest, HeaderRefreshesOnARealDragAndRecordsTheTimeWhenItEnds) {
  auto table = makeTable(20);
  int refreshes = 0;
  auto header = KMRefreshHeader::headerWithRefreshingBlock<KMRefreshNormalHeader>([&refreshes] { ++refreshes; });
  header->lastUpdatedTimeLabel()->setHidden(true);  // as the list screens have it
  setKm_header(*table, header);

  ui::HeadlessHost host;
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.drag({187, 150}, {187, 500}, 0.5);
  EXPECT_EQ(header->state(), S::pulling);
  EXPECT_LT(table->contentOffset().y, -100);
  // Let go beyond the threshold: the first step of the bounce starts refreshing, with the
  // header held in view.
  advance(1.0 / 60);
  EXPECT_EQ(header->state(), S::refreshing);
  EXPECT_EQ(header->stateLabel()->text(), "正在刷新数据中...");
  EXPECT_TRUE(header->arrowView()->isHidden());
  EXPECT_TRUE(header->loadingView()->isAnimating());
  EXPECT_EQ(table->contentInset().top, 54);
  // The reveal is a 0.25 s animation of the offset; the callback waits for its end.
  auto reveal = table->layer()->animationForKey("bounds");
  ASSERT_TRUE(reveal);
  EXPECT_DOUBLE_EQ(reveal->duration(), 0.25);
  advance(0.24);
  EXPECT_EQ(refreshes, 0);
  advance(0.02);
  EXPECT_EQ(refreshes, 1);
  advance(2);  // the bounce settles on the revealed header
  EXPECT_EQ(table->contentOffset().y, -54);
  EXPECT_EQ(refreshes, 1);

  EXPECT_EQ(header->lastUpdatedTime(), nullptr);
  header->endRefreshing();
  EXPECT_EQ(header->state(), S::idle);
  auto stored = rt::as<fd::Date>(fd::UserDefaults::standardUserDefaults()->objectForKey("KMRefreshHeaderLastUpdatedTimeKey"));
  ASSERT_TRUE(stored);
  EXPECT_LT(std::fabs(stored->timeIntervalSinceNow()), 5);
  EXPECT_EQ(table->contentInset().top, 0);
  // The list slides back up with the inset instead of staying pulled down by the header.
  EXPECT_EQ(table->contentOffset().y, 0);
  auto hide = table->layer()->animationForKey("bounds");
  ASSERT_TRUE(hide);
  EXPECT_DOUBLE_EQ(hide->duration(), 0.4);
  advance(0.45);
  EXPECT_EQ(table->contentOffset().y, 0);
  EXPECT_FALSE(table->layer()->animationForKey("bounds"));
  EXPECT_EQ(header->pullingPercent(), 0);
  EXPECT_FALSE(header->loadingView()->isAnimating());
  EXPECT_FALSE(header->arrowView()->isHidden());

  // A second header with the default key reads the same time.
  auto other = rt::make<KMRefreshNormalHeader>();
  ASSERT_TRUE(other->lastUpdatedTime());
  EXPECT_TRUE(other->lastUpdatedTime()->isEqualToDate(*stored));
}

TEST_F(RefreshTest, HeaderScrollsAwayWhileRefreshingAndRestoresTheRecordedInset) {
  auto table = makeTable(20);
  table->setContentInset({10, 0, 0, 0});
  auto header = rt::make<KMRefreshNormalHeader>();
  setKm_header(*table, header);
  header->beginRefreshing();
  EXPECT_EQ(table->contentInset().top, 64);
  EXPECT_EQ(table->contentOffset().y, -64);
  table->setContentOffset({0, -44});  // 20 points up into the header
  EXPECT_EQ(table->contentInset().top, 44);
  EXPECT_EQ(header->insetTDelta(), -34);
  table->setContentOffset({0, 200});
  EXPECT_EQ(table->contentInset().top, 10);
  header->endRefreshing();
  EXPECT_EQ(table->contentInset().top, 10);
}

TEST_F(RefreshTest, HeaderLastUpdatedLine) {
  auto header = rt::make<KMRefreshNormalHeader>();
  auto defaults = fd::UserDefaults::standardUserDefaults();
  auto now = fd::Date::date();
  auto calendar = KMRefreshStateHeader::currentCalendar();
  int64_t year = calendar->component(fd::CalendarUnitYear, now);
  int64_t month = calendar->component(fd::CalendarUnitMonth, now);
  auto startOfToday = calendar->startOfDayForDate(now);

  struct Case {
    Ref<fd::Date> date;
    const char* text;
  } cases[] = {
      {nullptr, "最后更新：无记录"},
      {startOfToday, "最后更新：今天 00:00"},
      {dateFrom(year - 1, 12, 31, 23, 59), nullptr},
      {dateFrom(2019, 5, 6, 7, 8), "最后更新：2019-05-06 07:08"},
  };
  for (const auto& c : cases) {
    if (c.date) defaults->setObject(c.date, "KMRefreshHeaderLastUpdatedTimeKey");
    else defaults->removeObjectForKey("KMRefreshHeaderLastUpdatedTimeKey");
    header->setLastUpdatedTimeKey(header->lastUpdatedTimeKey());
    rt::String expected = c.text ? rt::String(c.text) : rt::String::format("最后更新：%d-12-31 23:59", int(year - 1));
    EXPECT_EQ(header->lastUpdatedTimeLabel()->text(), expected);
  }
  // The same day of the month in an earlier month of this year.
  if (month > 1) {
    int64_t day = calendar->component(fd::CalendarUnitDay, now);
    defaults->setObject(dateFrom(year, month - 1, std::min<int64_t>(day, 28), 9, 5), "KMRefreshHeaderLastUpdatedTimeKey");
    header->setLastUpdatedTimeKey("KMRefreshHeaderLastUpdatedTimeKey");
    EXPECT_EQ(header->lastUpdatedTimeLabel()->text(),
              rt::String::format("最后更新：%02d-%02d 09:05", int(month - 1), int(std::min<int64_t>(day, 28))));
  }

  // A key of its own, and a caller's text.
  header->setLastUpdatedTimeKey("OtherListKey");
  EXPECT_EQ(header->lastUpdatedTimeLabel()->text(), "最后更新：无记录");
  int asked = 0;
  header->setLastUpdatedTimeText([&asked](const Ref<fd::Date>& d) {
    ++asked;
    return d ? rt::String("some time") : rt::String("never");
  });
  header->setLastUpdatedTimeKey("OtherListKey");
  EXPECT_EQ(header->lastUpdatedTimeLabel()->text(), "never");
  // Hidden, the time text is never computed.
  header->lastUpdatedTimeLabel()->setHidden(true);
  int before = asked;
  header->beginRefreshing();
  header->endRefreshing();
  EXPECT_EQ(asked, before);
}

TEST_F(RefreshTest, HeaderLayoutOfTitlesArrowAndIndicator) {
  auto table = makeTable(20);
  auto header = rt::make<KMRefreshNormalHeader>();
  setKm_header(*table, header);
  header->layoutIfNeeded();
  EXPECT_EQ(header->stateLabel()->frame(), (gfx::Rect{{0, 0}, {375, 27}}));
  EXPECT_EQ(header->lastUpdatedTimeLabel()->frame(), (gfx::Rect{{0, 27}, {375, 27}}));
  EXPECT_EQ(header->arrowView()->center(), (gfx::Point{375 / 2.0 - 100, 27}));
  EXPECT_EQ(header->loadingView()->center(), (gfx::Point{375 / 2.0 - 100, 27}));
  ASSERT_TRUE(header->arrowView()->image());
  EXPECT_EQ(header->arrowView()->bounds().size, header->arrowView()->image()->size());

  header->lastUpdatedTimeLabel()->setHidden(true);
  header->setNeedsLayout();
  header->layoutIfNeeded();
  EXPECT_EQ(header->stateLabel()->frame(), (gfx::Rect{{0, 0}, {375, 54}}));

  header->stateLabel()->setHidden(true);
  header->setNeedsLayout();
  header->layoutIfNeeded();
  EXPECT_EQ(header->arrowView()->center(), (gfx::Point{375 / 2.0, 27}));
  EXPECT_EQ(header->loadingView()->center(), (gfx::Point{375 / 2.0, 27}));

  // A title or arrow carrying constraints of its own is left where they put it.
  header->stateLabel()->setHidden(false);
  auto title = header->stateLabel();
  title->setFrame({{10, 5}, {120, 20}});
  title->addConstraint(ui::LayoutConstraint::constraintWithItem(title, ui::LayoutAttributeWidth, ui::LayoutRelationEqual,
                                                                nullptr, ui::LayoutAttributeNotAnAttribute, 1, 120));
  auto arrow = header->arrowView();
  arrow->setCenter({40, 40});
  arrow->addConstraint(ui::LayoutConstraint::constraintWithItem(arrow, ui::LayoutAttributeWidth, ui::LayoutRelationEqual,
                                                                nullptr, ui::LayoutAttributeNotAnAttribute, 1,
                                                                arrow->bounds().size.width));
  header->setNeedsLayout();
  header->layoutIfNeeded();
  EXPECT_EQ(title->frame(), (gfx::Rect{{10, 5}, {120, 20}}));
  EXPECT_EQ(arrow->center(), (gfx::Point{40, 40}));
  EXPECT_EQ(header->loadingView()->center(), (gfx::Point{375 / 2.0 - 100, 27}));
}

TEST_F(RefreshTest, TextsAreTheApplicationsChineseWhateverTheMachinesLanguage) {
  for (const char* language : {"zh-Hans", "en-US", "en", "fr"}) {
    SCOPED_TRACE(language);
    fd::Locale::setPreferredLanguages({rt::String(language)});
    auto header = rt::make<KMRefreshNormalHeader>();
    EXPECT_EQ(header->titleForState(S::idle), rt::String("下拉可以刷新"));
    EXPECT_EQ(header->titleForState(S::pulling), rt::String("松开立即刷新"));
    EXPECT_EQ(header->titleForState(S::refreshing), rt::String("正在刷新数据中..."));
    EXPECT_EQ(header->lastUpdatedTimeLabel()->text(), "最后更新：无记录");
    auto back = rt::make<KMRefreshBackNormalFooter>();
    EXPECT_EQ(back->titleForState(S::idle), rt::String("上拉可以加载更多"));
    EXPECT_EQ(back->titleForState(S::pulling), rt::String("松开立即加载更多"));
    EXPECT_EQ(back->titleForState(S::refreshing), rt::String("正在加载更多的数据..."));
    EXPECT_EQ(back->titleForState(S::noMoreData), rt::String("已经全部加载完毕"));
    auto automatic = rt::make<KMRefreshAutoNormalFooter>();
    EXPECT_EQ(automatic->titleForState(S::idle), rt::String("点击或上拉加载更多"));
    EXPECT_EQ(automatic->titleForState(S::refreshing), rt::String("正在加载更多的数据..."));
    EXPECT_EQ(automatic->titleForState(S::noMoreData), rt::String("已经全部加载完毕"));
  }
  auto header = rt::make<KMRefreshNormalHeader>();
  header->setTitle(rt::String("Pull!"), S::idle);
  EXPECT_EQ(header->stateLabel()->text(), "Pull!");
}

TEST_F(RefreshTest, HeaderOnACollectionViewEndsATenthOfASecondLater) {
  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  auto grid = rt::make<ui::CollectionView>(gfx::Rect{{0, 0}, {375, 600}}, layout);
  window->addSubview(grid);
  auto header = rt::make<KMRefreshNormalHeader>();
  setKm_header(*grid, header);
  header->beginRefreshing();
  advance(0.3);
  header->endRefreshing();
  EXPECT_EQ(header->state(), S::refreshing);
  advance(0.09);
  EXPECT_EQ(header->state(), S::refreshing);
  advance(0.02);
  EXPECT_EQ(header->state(), S::idle);
  EXPECT_EQ(grid->contentInset().top, 0);
}

}  // namespace kmrefresh_header_test
