#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "platform/ui/lists/ListReloadHook.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

Ref<fd::IndexPath> item(uint64_t i, uint64_t s = 0) { return fd::IndexPath::indexPathForItem(i, s); }

class CountingCell : public CollectionViewCell {
  RT_CLASS(CountingCell, CollectionViewCell)
 public:
  int reuses = 0;
  void prepareForReuse() override {
    CollectionViewCell::prepareForReuse();
    ++reuses;
  }
};
RT_IMPLEMENT(CountingCell) {}

class Items : public CollectionViewDataSource, public CollectionViewDelegateFlowLayout {
 public:
  std::vector<int64_t> sections{100};
  bool headers = false;
  std::set<const CollectionViewCell*> seen;
  std::vector<std::pair<int64_t, int64_t>> selections;
  int64_t collectionViewNumberOfItemsInSection(CollectionView&, int64_t s) override {
    return sections[static_cast<size_t>(s)];
  }
  std::optional<int64_t> numberOfSectionsInCollectionView(CollectionView&) override {
    return static_cast<int64_t>(sections.size());
  }
  Ref<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& cv, const Ref<fd::IndexPath>& ip) override {
    auto cell = cv.dequeueReusableCellWithReuseIdentifier("Item", ip);
    seen.insert(cell.get());
    return cell;
  }
  std::optional<Ref<CollectionReusableView>> collectionViewViewForSupplementaryElementOfKind(
      CollectionView& cv, const rt::String& kind, const Ref<fd::IndexPath>& ip) override {
    if (!headers) return std::nullopt;
    return cv.dequeueReusableSupplementaryViewOfKind(kind, "Head", ip);
  }
  void collectionViewDidSelectItemAtIndexPath(CollectionView&, const Ref<fd::IndexPath>& ip) override {
    selections.push_back({static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->item())});
  }
};

class CollectionViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    items = std::make_shared<Items>();
  }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<CollectionView> makeGrid(gfx::Rect frame, CollectionViewScrollDirection d, gfx::Size itemSize, double spacing) {
    auto layout = rt::make<CollectionViewFlowLayout>();
    layout->setScrollDirection(d);
    layout->setItemSize(itemSize);
    layout->setMinimumLineSpacing(spacing);
    layout->setMinimumInteritemSpacing(spacing);
    auto cv = rt::make<CollectionView>(frame, layout);
    cv->registerClassForCellWithReuseIdentifier<CountingCell>("Item");
    cv->registerClassForSupplementaryViewOfKind<CollectionReusableView>(CollectionElementKindSectionHeader(), "Head");
    cv->setDataSource(items);
    cv->setDelegate(items);
    window->addSubview(cv);
    cv->layoutIfNeeded();
    return cv;
  }
  static std::vector<uint64_t> visibleItems(CollectionView& cv) {
    std::vector<uint64_t> out;
    for (auto& ip : cv.indexPathsForVisibleItems()) out.push_back(ip->item());
    return out;
  }
  Ref<Window> window;
  std::shared_ptr<Items> items;
};

}  // namespace

TEST_F(CollectionViewTest, ScrolledOutCellsComeBackForTheItemsScrollingIn) {
  // Four 100 x 100 items a line (80-point lines with no spacing would not be square; keep it
  // simple: 80 x 80, four a line, six lines a screen).
  auto cv = makeGrid(gfx::RectMake(0, 0, 320, 480), CollectionViewScrollDirection::Vertical, {80, 80}, 0);
  EXPECT_EQ(cv->visibleCells().size(), 24u);
  EXPECT_EQ(cv->contentSize(), gfx::SizeMake(320, 25 * 80));
  std::set<const CollectionViewCell*> firstScreen = items->seen;

  cv->setContentOffset({0, 160});  // two lines out, two in
  EXPECT_EQ(visibleItems(*cv).front(), 8u);
  EXPECT_EQ(visibleItems(*cv).back(), 31u);
  EXPECT_EQ(items->seen, firstScreen) << "the incoming items use the outgoing cells";
  auto incoming = cv->cellForItemAtIndexPath(item(30));
  ASSERT_TRUE(incoming);
  EXPECT_EQ(static_cast<CountingCell&>(*incoming).reuses, 1);
  EXPECT_EQ(incoming->frame(), gfx::RectMake(160, 7 * 80, 80, 80));
  EXPECT_EQ(cv->indexPathForCell(incoming.get())->item(), 30u);

  for (double y = 0; y <= 25 * 80 - 480; y += 90) cv->setContentOffset({0, y});
  EXPECT_LE(items->seen.size(), 32u);
  size_t cellViews = 0;
  for (auto& v : cv->subviews()) cellViews += rt::as<CollectionViewCell>(v) ? 1 : 0;
  EXPECT_EQ(cellViews, cv->visibleCells().size());
}

TEST_F(CollectionViewTest, HeadersAreSupplementaryViewsThatShowAndReuse) {
  items->sections = {8, 8, 8};
  items->headers = true;
  auto cv = makeGrid(gfx::RectMake(0, 0, 320, 200), CollectionViewScrollDirection::Vertical, {80, 80}, 0);
  auto layout = rt::as<CollectionViewFlowLayout>(cv->collectionViewLayout());
  layout->setHeaderReferenceSize({0, 40});
  cv->layoutIfNeeded();
  auto headerViews = [&] {
    std::map<double, const View*> byTop;
    for (auto& v : cv->subviews()) {
      if (rt::as<CollectionReusableView>(v) && !rt::as<CollectionViewCell>(v)) {
        EXPECT_EQ(v->frame().size, gfx::SizeMake(320, 40));
        byTop[v->frame().origin.y] = v.get();
      }
    }
    return byTop;
  };
  auto first = headerViews();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first.begin()->first, 0);
  // Sections are 40 + 2 x 80 = 200 high: at 230 the headers of sections 1 and 2 show, one of
  // them in the view section 0's header gave up.
  cv->setContentOffset({0, 230});
  auto now = headerViews();
  ASSERT_EQ(now.size(), 2u);
  EXPECT_EQ(now.begin()->first, 200);
  EXPECT_EQ(std::next(now.begin())->first, 400);
  EXPECT_TRUE(now.begin()->second == first.begin()->second || std::next(now.begin())->second == first.begin()->second);
  EXPECT_THROW(cv->dequeueReusableSupplementaryViewOfKind(CollectionElementKindSectionFooter(), "Head", item(0)),
               rt::Exception);
}

TEST_F(CollectionViewTest, TapsSelectItems) {
  auto cv = makeGrid(gfx::RectMake(0, 100, 320, 300), CollectionViewScrollDirection::Vertical, {80, 80}, 0);
  TouchInput input(window);
  input.tap({250, 100 + 80 + 40});  // line 1, column 3
  EXPECT_EQ(items->selections, (std::vector<std::pair<int64_t, int64_t>>{{0, 7}}));
  ASSERT_EQ(cv->indexPathsForSelectedItems().size(), 1u);
  EXPECT_EQ(cv->indexPathsForSelectedItems()[0]->item(), 7u);
  EXPECT_TRUE(cv->cellForItemAtIndexPath(item(7))->isSelected());
  input.tap({10, 110});
  EXPECT_FALSE(cv->cellForItemAtIndexPath(item(7))->isSelected());
  EXPECT_EQ(cv->indexPathsForSelectedItems()[0]->item(), 0u);
  cv->setAllowsSelection(false);
  input.tap({90, 110});
  EXPECT_EQ(items->selections.size(), 2u);
}

TEST_F(CollectionViewTest, ATapInAStripInsideATableRowSelectsTheItemNotTheRow) {
  struct Table : TableViewDataSource, TableViewDelegate {
    Ref<CollectionView> strip;
    int rowsSelected = 0;
    int64_t tableViewNumberOfRowsInSection(TableView&, int64_t) override { return 3; }
    Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, const Ref<fd::IndexPath>& ip) override {
      auto cell = rt::make<TableViewCell>(TableViewCellStyle::Default, "Row");
      if (ip->row() == 1) cell->contentView()->addSubview(strip);
      return cell;
    }
    std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, const Ref<fd::IndexPath>&) override { return 100; }
    void tableViewDidSelectRowAtIndexPath(TableView&, const Ref<fd::IndexPath>&) override { ++rowsSelected; }
  };
  auto table = std::make_shared<Table>();
  table->strip = makeGrid(gfx::RectMake(0, 10, 320, 80), CollectionViewScrollDirection::Horizontal, {80, 80}, 10);
  table->strip->removeFromSuperview();
  auto tv = rt::make<TableView>(gfx::RectMake(0, 0, 320, 480), TableViewStyle::Grouped);
  tv->setDataSource(table);
  tv->setDelegate(table);
  window->addSubview(tv);
  tv->layoutIfNeeded();
  double rowTop = tv->rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(1, 0)).origin.y;
  TouchInput input(window);
  input.tap({100, rowTop + 50});  // second strip item (x 90..170)
  EXPECT_EQ(items->selections, (std::vector<std::pair<int64_t, int64_t>>{{0, 1}}));
  EXPECT_EQ(table->rowsSelected, 0);
  input.tap({100, rowTop - 50});  // the row above
  EXPECT_EQ(table->rowsSelected, 1);
}

TEST_F(CollectionViewTest, EveryReloadReportsTheItemCountToTheHook) {
  std::vector<int64_t> heard;
  auto token = ListReloadHook::shared().addObserver([&](ScrollView& list, int64_t n) {
    if (rt::as<CollectionView>(&list)) heard.push_back(n);
  });
  items->sections = {3, 4};
  auto cv = makeGrid(gfx::RectMake(0, 0, 320, 480), CollectionViewScrollDirection::Vertical, {80, 80}, 0);
  EXPECT_EQ(cv->visibleCells().size(), 7u);
  items->sections = {10};
  cv->reloadData();
  EXPECT_TRUE(cv->visibleCells().empty());  // until the next layout pass
  cv->layoutIfNeeded();
  EXPECT_EQ(cv->visibleCells().size(), 10u);
  ListReloadHook::shared().removeObserver(token);
  EXPECT_EQ(heard, std::vector<int64_t>{10});
  EXPECT_EQ(ListReloadHook::totalCount(*cv), 10);
}

TEST_F(CollectionViewTest, ScrollToItemRestsWhereThePositionSays) {
  struct Case {
    CollectionViewScrollDirection direction;
    uint64_t item;
    uint64_t position;
    gfx::Point expected;
  };
  // 40 items of 100 x 100 with no spacing in a 300 x 300 view: horizontally three rows of
  // items per column, vertically three items per line.
  const auto Hz = CollectionViewScrollDirection::Horizontal, Vt = CollectionViewScrollDirection::Vertical;
  const std::vector<Case> cases = {
      {Hz, 30, CollectionViewScrollPositionLeft, {1000, 0}},
      {Hz, 30, CollectionViewScrollPositionCenteredHorizontally, {900, 0}},
      {Hz, 30, CollectionViewScrollPositionRight, {800, 0}},
      {Hz, 30, CollectionViewScrollPositionNone, {800, 0}},   // just into view, at the right edge
      {Hz, 39, CollectionViewScrollPositionLeft, {1100, 0}},  // clamped: 14 columns, 1400 wide
      {Vt, 30, CollectionViewScrollPositionTop, {0, 1000}},
      {Vt, 30, CollectionViewScrollPositionCenteredVertically, {0, 900}},
      {Vt, 30, CollectionViewScrollPositionBottom, {0, 800}},
      {Vt, 0, CollectionViewScrollPositionBottom, {0, 0}},  // clamped at the top
  };
  for (const auto& c : cases) {
    items->sections = {40};
    auto cv = makeGrid(gfx::RectMake(0, 0, 300, 300), c.direction, {100, 100}, 0);
    cv->scrollToItemAtIndexPath(item(c.item), c.position, false);
    EXPECT_EQ(cv->contentOffset(), c.expected) << c.item << " position " << c.position;
    EXPECT_TRUE(cv->cellForItemAtIndexPath(item(c.item)));
    cv->removeFromSuperview();
  }
  auto cv = makeGrid(gfx::RectMake(0, 0, 300, 300), Vt, {100, 100}, 0);
  EXPECT_THROW(cv->scrollToItemAtIndexPath(item(40), CollectionViewScrollPositionTop, false), rt::Exception);
}

TEST_F(CollectionViewTest, APagedStripSettlesOnAPageAfterADrag) {
  items->sections = {5};
  auto cv = makeGrid(gfx::RectMake(0, 0, 320, 200), CollectionViewScrollDirection::Horizontal, {320, 200}, 0);
  cv->setPagingEnabled(true);
  cv->simulateDragBegan();
  cv->simulateDragChanged({-200, 0});
  cv->simulateDragEnded({-300, 0});
  TouchInput::wait(2);
  EXPECT_EQ(cv->contentOffset(), gfx::PointMake(320, 0));
  EXPECT_EQ(visibleItems(*cv), std::vector<uint64_t>{1});
}

TEST_F(CollectionViewTest, MisuseGivesClearErrors) {
  EXPECT_THROW(rt::make<CollectionView>(gfx::RectMake(0, 0, 10, 10), nullptr), rt::Exception);
  auto cv = makeGrid(gfx::RectMake(0, 0, 320, 480), CollectionViewScrollDirection::Vertical, {80, 80}, 0);
  EXPECT_THROW(cv->dequeueReusableCellWithReuseIdentifier("Unknown", item(0)), rt::Exception);
  EXPECT_FALSE(cv->cellForItemAtIndexPath(item(99)));
  EXPECT_FALSE(cv->indexPathForItemAtPoint({10, 5000}));
  EXPECT_EQ(cv->indexPathForItemAtPoint({250, 90})->item(), 7u);
}
