// What every header and footer shares: attachment, observation, transparency, the callback,
// and a scroll view's slots and reload hook.
#include <vector>

#include "RefreshFixture.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "widgets/refresh/KMRefreshAutoFooter.h"
#include "widgets/refresh/KMRefreshNormalHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

// A namespace of its own: test programs compile several files as one.
namespace kmrefresh_component_test {

using namespace widgets;
using widgets::testing::RefreshTest;
using S = KMRefreshComponentState;

namespace {

// Records which observation hooks ran.
class Probe : public KMRefreshComponent {
  RT_CLASS(Probe, KMRefreshComponent)
 public:
  std::vector<std::string> heard;

 protected:
  void scrollViewContentOffsetDidChange(const rt::KeyValueChange*) override { heard.push_back("offset"); }
  void scrollViewContentSizeDidChange(const rt::KeyValueChange*) override { heard.push_back("size"); }
  void scrollViewPanStateDidChange(const rt::KeyValueChange*) override { heard.push_back("pan"); }
};
RT_IMPLEMENT(Probe) {}

// A list screen's target: records the refreshes it was sent.
class Screen : public rt::Object {
  RT_CLASS(Screen, rt::Object)
 public:
  std::vector<std::string>* log = nullptr;
  const rt::Object* lastSender = nullptr;
  void loadNewData(const rt::Id& sender) {
    lastSender = sender.get();
    log->push_back("action");
  }
};
RT_IMPLEMENT(Screen) { c.method("loadNewData:", &Screen::loadNewData); }

}  // namespace

TEST_F(RefreshTest, NewComponentStartsIdleAndTakesTheScrollViewsWidth) {
  auto scroll = makeScrollView(1000);
  scroll->setContentInset({10, 0, 5, 0});
  auto header = rt::make<KMRefreshNormalHeader>();
  EXPECT_EQ(header->state(), S::idle);
  EXPECT_EQ(header->pullingPercent(), 0);
  EXPECT_FALSE(header->isAutomaticallyChangeAlpha());
  header->setFrame({{30, 0}, {100, 54}});
  setKm_header(*scroll, header);
  EXPECT_EQ(header->frame().origin.x, 0);
  EXPECT_EQ(header->frame().size.width, 375);
  EXPECT_EQ(header->scrollView(), scroll);
  EXPECT_TRUE(scroll->alwaysBounceVertical());
  EXPECT_EQ(header->scrollViewOriginalInset(), (gfx::EdgeInsets{10, 0, 5, 0}));
  EXPECT_EQ(header->pan(), scroll->panGestureRecognizer());

  // Removed, it stops observing but still names the scroll view it left.
  header->removeFromSuperview();
  EXPECT_EQ(header->pan(), nullptr);
  EXPECT_EQ(header->scrollView(), scroll);
}

TEST_F(RefreshTest, BeginningOutsideAWindowWaitsForTheFirstDraw) {
  auto scroll = rt::make<ui::ScrollView>(gfx::Rect{{0, 0}, {375, 600}});
  auto header = rt::make<KMRefreshNormalHeader>();
  setKm_header(*scroll, header);
  header->beginRefreshing();
  EXPECT_TRUE(header->isRefreshing());
  EXPECT_EQ(header->state(), S::willRefresh);
  EXPECT_EQ(header->stateLabel()->text(), "");  // no title for willRefresh
  advance(1);
  EXPECT_EQ(header->state(), S::willRefresh);  // still in no window: nothing draws it

  window->addSubview(scroll);
  ui::HeadlessHost host;
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.renderFrame();
  EXPECT_EQ(header->state(), S::refreshing);
  EXPECT_EQ(scroll->contentInset().top, 54);
}

TEST_F(RefreshTest, AutomaticAlphaFollowsThePullOnlyWhileNotRefreshing) {
  auto scroll = makeScrollView(1000);
  auto header = rt::make<KMRefreshNormalHeader>();
  setKm_header(*scroll, header);
  header->setAutomaticallyChangeAlpha(true);
  EXPECT_EQ(header->alpha(), 0);
  header->setPullingPercent(0.3);
  EXPECT_DOUBLE_EQ(header->alpha(), 0.3);
  header->setAutoChangeAlpha(false);
  EXPECT_EQ(header->alpha(), 1.0);
  EXPECT_FALSE(header->isAutomaticallyChangeAlpha());

  header->setAutomaticallyChangeAlpha(true);
  header->beginRefreshing();
  advance(0.3);
  EXPECT_EQ(header->alpha(), 1.0);
  header->setPullingPercent(0.3);
  EXPECT_EQ(header->alpha(), 1.0);  // left alone while refreshing
}

TEST_F(RefreshTest, CallbackRunsTheBlockThenTheActionLaterFromTheMainQueue) {
  auto scroll = makeScrollView(1000);
  std::vector<std::string> log;
  auto screen = rt::make<Screen>();
  screen->log = &log;
  auto header = KMRefreshHeader::headerWithRefreshingTarget<KMRefreshNormalHeader>(screen, rt::sel("loadNewData:"));
  header->setRefreshingBlock([&log] { log.push_back("block"); });
  setKm_header(*scroll, header);
  header->beginRefreshing();
  EXPECT_TRUE(log.empty());
  advance(0.3);  // past the reveal
  EXPECT_EQ(log, (std::vector<std::string>{"block", "action"}));
  EXPECT_EQ(screen->lastSender, header.get());

  // A target that has gone receives nothing; the block alone still runs.
  header->endRefreshing();
  advance(0.5);
  log.clear();
  screen.reset();
  header->beginRefreshing();
  advance(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"block"}));
}

TEST_F(RefreshTest, DisabledComponentHearsNothingAndAHiddenOneOnlyContentSize) {
  auto scroll = makeScrollView(1000);
  auto probe = rt::make<Probe>();
  scroll->addSubview(probe);
  auto stir = [&] {
    probe->heard.clear();
    scroll->setContentSize({375, 1200});
    scroll->setContentOffset({0, 30});
    scroll->simulateDragBegan();
    scroll->simulateDragEnded({0, 0});
    advance(1);
  };
  stir();
  EXPECT_EQ(probe->heard.front(), "size");
  EXPECT_NE(std::find(probe->heard.begin(), probe->heard.end(), "offset"), probe->heard.end());
  EXPECT_NE(std::find(probe->heard.begin(), probe->heard.end(), "pan"), probe->heard.end());

  probe->setHidden(true);
  stir();
  EXPECT_EQ(probe->heard, std::vector<std::string>{"size"});

  probe->setHidden(false);
  probe->setUserInteractionEnabled(false);
  stir();
  EXPECT_TRUE(probe->heard.empty());

  // Inside a plain view (even one within a scroll view) it observes nothing.
  auto plain = rt::make<ui::View>(gfx::Rect{{0, 0}, {375, 100}});
  scroll->addSubview(plain);
  auto inner = rt::make<Probe>();
  plain->addSubview(inner);
  probe = inner;
  stir();
  EXPECT_TRUE(inner->heard.empty());
  EXPECT_EQ(inner->scrollView(), nullptr);
  EXPECT_EQ(inner->state(), S::idle);
}

TEST_F(RefreshTest, SlotsPlaceHeaderBeneathAndFooterAboveAndHoldThemWeakly) {
  auto table = makeTable(5);
  auto header = rt::make<KMRefreshNormalHeader>();
  auto footer = rt::make<KMRefreshAutoFooter>();
  int changes = 0;
  auto token = table->observe("km_header", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange&) { ++changes; });
  setKm_header(*table, header);
  setKm_footer(*table, footer);
  EXPECT_EQ(table->subviews().front(), header);
  EXPECT_EQ(table->subviews().back(), footer);
  EXPECT_EQ(km_header(*table), header);
  EXPECT_EQ(km_footer(*table), footer);
  EXPECT_EQ(changes, 1);

  size_t count = table->subviews().size();
  setKm_header(*table, header);  // the very same header: nothing happens
  EXPECT_EQ(table->subviews().size(), count);
  EXPECT_EQ(changes, 1);

  auto other = rt::make<KMRefreshNormalHeader>();
  setKm_header(*table, other);
  EXPECT_EQ(header->superview(), nullptr);
  EXPECT_EQ(table->subviews().front(), other);
  setKm_header(*table, nullptr);
  EXPECT_EQ(other->superview(), nullptr);
  EXPECT_EQ(km_header(*table), nullptr);
  EXPECT_EQ(changes, 3);
  table->removeObservation(token);

  // The slot does not keep the footer: once the hierarchy lets it go, the slot reads null.
  Weak<KMRefreshAutoFooter> weak = footer;
  footer->removeFromSuperview();
  footer.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(km_footer(*table), nullptr);
}

TEST_F(RefreshTest, TotalCountAndTheReloadHook) {
  auto table = makeTable(7);
  EXPECT_EQ(km_totalDataCount(*table), 7);
  EXPECT_EQ(km_totalDataCount(*makeScrollView(100)), 0);

  std::vector<int64_t> heard;
  table->reloadData();  // no block: only the platform's reload
  setKm_reloadDataBlock(*table, [&heard](int64_t n) { heard.push_back(n); });
  rows->count = 3;
  table->reloadData();
  rows->count = 0;
  table->reloadData();
  EXPECT_EQ(heard, (std::vector<int64_t>{3, 0}));

  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  auto grid = rt::make<ui::CollectionView>(gfx::Rect{{0, 0}, {375, 600}}, layout);
  EXPECT_EQ(km_totalDataCount(*grid), 0);  // no data source: no sections
}

}  // namespace kmrefresh_component_test
