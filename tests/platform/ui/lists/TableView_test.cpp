#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/lists/ListReloadHook.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Window.h"

// A namespace of its own: test programs compile several files as one.
namespace table_view_test {

using namespace ui;

namespace {

Ref<fd::IndexPath> row(uint64_t r, uint64_t s = 0) { return fd::IndexPath::indexPathForRow(r, s); }

class TestCell : public TableViewCell {
  RT_CLASS(TestCell, TableViewCell)
 public:
  void init(TableViewCellStyle style, const rt::String& id) { TableViewCell::init(style, id); }
  int reuses = 0;
  void prepareForReuse() override {
    TableViewCell::prepareForReuse();
    ++reuses;
  }
};
RT_IMPLEMENT(TestCell) {}

// Rows per section as given; cells dequeued from "Row" or, with `fresh`, made new each time.
class Rows : public TableViewDataSource, public TableViewDelegate {
 public:
  std::vector<int64_t> sections{5};
  std::optional<double> rowHeight, headerHeight, footerHeight;
  std::vector<rt::String> headerTitles;
  bool fresh = false;
  bool noCell = false;
  std::set<const TableViewCell*> seen;  // distinct cells handed out (live ones: the queue keeps them)
  size_t made = 0;                      // fresh cells made (freed ones may share an address)
  std::vector<std::pair<int64_t, int64_t>> selections, deselections;

  int64_t tableViewNumberOfRowsInSection(TableView&, int64_t s) override { return sections[static_cast<size_t>(s)]; }
  std::optional<int64_t> numberOfSectionsInTableView(TableView&) override { return static_cast<int64_t>(sections.size()); }
  Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& ip) override {
    if (noCell) return nullptr;
    Ref<TableViewCell> cell = fresh ? rt::make<TestCell>(TableViewCellStyle::Default, "Row")
                                    : tv.dequeueReusableCellWithIdentifier("Row", ip);
    if (fresh) ++made;
    cell->textLabel()->setText(rt::String::format("%d-%d", ip->section(), ip->row()));
    seen.insert(cell.get());
    return cell;
  }
  std::optional<rt::String> tableViewTitleForHeaderInSection(TableView&, int64_t s) override {
    if (static_cast<size_t>(s) < headerTitles.size()) return headerTitles[static_cast<size_t>(s)];
    return std::nullopt;
  }
  std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, const Ref<fd::IndexPath>&) override { return rowHeight; }
  std::optional<double> tableViewHeightForHeaderInSection(TableView&, int64_t) override { return headerHeight; }
  std::optional<double> tableViewHeightForFooterInSection(TableView&, int64_t) override { return footerHeight; }
  void tableViewDidSelectRowAtIndexPath(TableView&, const Ref<fd::IndexPath>& ip) override {
    selections.push_back({static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->row())});
  }
  void tableViewDidDeselectRowAtIndexPath(TableView&, const Ref<fd::IndexPath>& ip) override {
    deselections.push_back({static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->row())});
  }
};

class TableViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    rows = std::make_shared<Rows>();
  }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<TableView> makeTable(TableViewStyle style, gfx::Rect frame = gfx::RectMake(0, 0, 320, 480)) {
    auto t = rt::make<TableView>(frame, style);
    t->registerClassForCellReuseIdentifier<TestCell>("Row");
    t->setDataSource(rows);
    t->setDelegate(rows);
    window->addSubview(t);
    t->layoutIfNeeded();
    return t;
  }
  static std::vector<std::pair<int64_t, int64_t>> keys(const std::vector<Ref<fd::IndexPath>>& paths) {
    std::vector<std::pair<int64_t, int64_t>> out;
    for (auto& p : paths) out.push_back({static_cast<int64_t>(p->section()), static_cast<int64_t>(p->row())});
    return out;
  }
  Ref<Window> window;
  std::shared_ptr<Rows> rows;
};

}  // namespace

TEST_F(TableViewTest, RowsSectionsAndHeadersArePlacedByTheirHeights) {
  struct Case {
    const char* name;
    TableViewStyle style;
    std::vector<int64_t> sections;
    std::optional<double> rowH, headerH, footerH;
    std::vector<rt::String> titles;
    double tableHeader;
    // Expected: first row of each section's top, and the content height.
    std::vector<double> firstRowTops;
    double contentHeight;
  };
  const std::vector<Case> cases = {
      // Plain without titles: no headers, default 44-point rows.
      {"plain", TableViewStyle::Plain, {3, 2}, {}, {}, {}, {}, 0, {0, 132}, 220},
      // Plain with a title on section 1 only: a 22-point header there.
      {"plain titled", TableViewStyle::Plain, {3, 2}, {}, {}, {}, {"", "B"}, 0, {0, 154}, 242},
      // Grouped defaults: 18-point header and footer around every section.
      {"grouped", TableViewStyle::Grouped, {3, 2}, {}, {}, {}, {}, 0, {18, 186}, 292},
      // Heights from the delegate, as the list screens give them, under a table header.
      {"grouped delegate", TableViewStyle::Grouped, {2, 1}, 100, 0.1, 0.1, {}, 50, {50.1, 250.3}, 350.4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rows->sections = c.sections;
    rows->rowHeight = c.rowH;
    rows->headerHeight = c.headerH;
    rows->footerHeight = c.footerH;
    rows->headerTitles = c.titles;
    auto table = rt::make<TableView>(gfx::RectMake(0, 0, 320, 480), c.style);
    table->registerClassForCellReuseIdentifier<TestCell>("Row");
    if (c.tableHeader > 0) table->setTableHeaderView(rt::make<View>(gfx::RectMake(0, 0, 100, c.tableHeader)));
    table->setDataSource(rows);
    table->setDelegate(rows);
    window->addSubview(table);
    table->layoutIfNeeded();
    double rowH = c.rowH.value_or(44);
    for (size_t s = 0; s < c.sections.size(); ++s) {
      gfx::Rect r = table->rectForRowAtIndexPath(row(0, s));
      EXPECT_NEAR(r.origin.y, c.firstRowTops[s], 1e-9);
      EXPECT_EQ(r.size, gfx::SizeMake(320, rowH));
      // The visible cell sits exactly there.
      auto cell = table->cellForRowAtIndexPath(row(0, s));
      ASSERT_TRUE(cell);
      EXPECT_NEAR(cell->frame().origin.y, r.origin.y, 1e-9);
      EXPECT_EQ(cell->frame().size, r.size);
    }
    EXPECT_NEAR(table->contentSize().height, c.contentHeight, 1e-9);
    EXPECT_EQ(table->contentSize().width, 320);
    if (c.tableHeader > 0) {
      EXPECT_EQ(table->tableHeaderView()->frame(), gfx::RectMake(0, 0, 320, c.tableHeader));
    }
    table->removeFromSuperview();
  }
}

TEST_F(TableViewTest, TitleHeadersAndDelegateHeaderViewsShowAsViews) {
  rows->sections = {2, 2};
  rows->headerTitles = {"First", "Second"};
  auto table = makeTable(TableViewStyle::Plain);
  auto header = rt::as<TableViewHeaderFooterView>(table->headerViewForSection(1));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->textLabel()->text(), rt::String("Second"));
  EXPECT_EQ(header->frame(), table->rectForHeaderInSection(1));
  EXPECT_EQ(table->rectForHeaderInSection(1), gfx::RectMake(0, 22 + 88, 320, 22));

  // Plain headers stick to the top while their section scrolls under them, then the next
  // section's header pushes them out.
  auto first = table->headerViewForSection(0);
  table->setContentSize({320, 1000});  // room to scroll a little
  table->setContentOffset({0, 30});
  EXPECT_EQ(first->frame().origin.y, 30);
  table->setContentOffset({0, 100});
  EXPECT_EQ(first->frame().origin.y, 110 - 22);  // pushed up by section 1 at 110
  EXPECT_EQ(table->headerViewForSection(1)->frame().origin.y, 110);
  table->setContentOffset({0, 140});
  EXPECT_FALSE(table->headerViewForSection(0));
  EXPECT_EQ(table->headerViewForSection(1)->frame().origin.y, 140);
}

TEST_F(TableViewTest, OnlyVisibleRowsAreViewsAndScrolledOutCellsAreReused) {
  rows->sections = {1000};
  auto table = makeTable(TableViewStyle::Plain);
  // 480 / 44 rounds up to 11 rows.
  EXPECT_EQ(table->visibleCells().size(), 11u);
  EXPECT_EQ(keys(table->indexPathsForVisibleRows()).front(), (std::pair<int64_t, int64_t>{0, 0}));
  std::set<const TableViewCell*> firstScreen = rows->seen;

  table->setContentOffset({0, 44 * 3});  // three rows scroll out, three come in
  EXPECT_EQ(table->visibleCells().size(), 11u);
  EXPECT_EQ(rows->seen.size(), firstScreen.size()) << "the incoming rows use the outgoing cells";
  auto incoming = table->cellForRowAtIndexPath(row(12));
  ASSERT_TRUE(incoming);
  EXPECT_TRUE(firstScreen.count(incoming.get()));
  EXPECT_EQ(static_cast<TestCell&>(*incoming).reuses, 1);
  EXPECT_EQ(incoming->textLabel()->text(), rt::String("0-12"));
  EXPECT_EQ(incoming->frame(), gfx::RectMake(0, 12 * 44, 320, 44));

  // All the way down: still one screen of cells, and the table holds no more views than that.
  for (double y = 0; y <= 44 * 1000 - 480; y += 200) table->setContentOffset({0, y});
  EXPECT_LE(rows->seen.size(), 13u);
  size_t cellViews = 0;
  for (auto& v : table->subviews()) cellViews += rt::as<TableViewCell>(v) ? 1 : 0;
  EXPECT_EQ(cellViews, table->visibleCells().size());
  EXPECT_EQ(table->indexPathForCell(table->visibleCells().front().get())->row(),
            table->indexPathsForVisibleRows().front()->row());
}

TEST_F(TableViewTest, CellsMadeFreshOnEveryCallAreAcceptedAndTheQueueStaysBounded) {
  rows->sections = {1000};
  rows->fresh = true;
  auto table = makeTable(TableViewStyle::Grouped);
  for (double y = 0; y <= 44 * 1000 - 480; y += 300) table->setContentOffset({0, y});
  EXPECT_GT(rows->made, 500u);
  EXPECT_LE(table->queuedCellCount("Row"), ReuseQueue::kDefaultLimit);
  EXPECT_EQ(table->visibleCells().size(), table->indexPathsForVisibleRows().size());
}

TEST_F(TableViewTest, DequeueWithIndexPathNeedsARegisteredClass) {
  auto table = makeTable(TableViewStyle::Plain);
  EXPECT_THROW(table->dequeueReusableCellWithIdentifier("Nope", row(0)), rt::Exception);
  EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Nope"), nullptr);
  auto cell = table->dequeueReusableCellWithIdentifier("Row", row(2));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->reuseIdentifier(), rt::String("Row"));
  EXPECT_EQ(cell->frame(), table->rectForRowAtIndexPath(row(2)));
}

TEST_F(TableViewTest, ADataSourceWithoutACellGetsAClearErrorAndTheTableRecovers) {
  rows->sections = {3};
  rows->noCell = true;
  auto table = rt::make<TableView>(gfx::RectMake(0, 0, 320, 480), TableViewStyle::Plain);
  table->registerClassForCellReuseIdentifier<TestCell>("Row");
  table->setDataSource(rows);
  window->addSubview(table);
  EXPECT_THROW(table->layoutIfNeeded(), rt::Exception);
  rows->noCell = false;
  table->reloadData();
  table->layoutIfNeeded();
  EXPECT_EQ(table->visibleCells().size(), 3u);
}

TEST_F(TableViewTest, TapsSelectRowsAndTheDelegateHears) {
  rows->sections = {3, 3};
  auto table = makeTable(TableViewStyle::Plain, gfx::RectMake(0, 40, 320, 400));
  TouchInput input(window);
  input.tap({100, 40 + 44 * 4 + 10});  // section 1, row 1
  EXPECT_EQ(rows->selections, (std::vector<std::pair<int64_t, int64_t>>{{1, 1}}));
  EXPECT_EQ(keys(table->indexPathsForSelectedRows()), (std::vector<std::pair<int64_t, int64_t>>{{1, 1}}));
  EXPECT_TRUE(table->cellForRowAtIndexPath(row(1, 1))->isSelected());
  EXPECT_FALSE(table->cellForRowAtIndexPath(row(1, 1))->isHighlighted());

  input.tap({100, 40 + 10});  // single selection moves to row 0
  EXPECT_EQ(rows->deselections, (std::vector<std::pair<int64_t, int64_t>>{{1, 1}}));
  EXPECT_EQ(keys(table->indexPathsForSelectedRows()), (std::vector<std::pair<int64_t, int64_t>>{{0, 0}}));
  EXPECT_FALSE(table->cellForRowAtIndexPath(row(1, 1))->isSelected());

  table->deselectRowAtIndexPath(row(0), true);
  EXPECT_TRUE(table->indexPathsForSelectedRows().empty());
  EXPECT_FALSE(table->cellForRowAtIndexPath(row(0))->isSelected());

  // A touch that drags the table is not a tap: nothing is selected.
  input.drag({100, 300}, {100, 200}, 0.2, 8);
  EXPECT_EQ(rows->selections.size(), 2u);
  // Below the last row: nothing.
  input.tap({100, 40 + 44 * 6 + 20});
  EXPECT_EQ(rows->selections.size(), 2u);
}

TEST_F(TableViewTest, EveryReloadReportsTheRowCountToTheHook) {
  std::vector<std::pair<const ScrollView*, int64_t>> heard;
  auto token = ListReloadHook::shared().addObserver([&](ScrollView& list, int64_t n) { heard.push_back({&list, n}); });
  rows->sections = {3, 4};
  auto table = makeTable(TableViewStyle::Grouped);
  table->reloadData();
  rows->sections = {0};
  table->reloadData();
  ListReloadHook::shared().removeObserver(token);
  table->reloadData();
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0], (std::pair<const ScrollView*, int64_t>{table.get(), 7}));
  EXPECT_EQ(heard[1], (std::pair<const ScrollView*, int64_t>{table.get(), 0}));
  EXPECT_TRUE(table->visibleCells().empty());
  EXPECT_EQ(ListReloadHook::totalCount(*table), 0);
}

TEST_F(TableViewTest, ScrollToRowPlacesTheRowAndStaysInsideTheContent) {
  rows->sections = {100};
  auto table = makeTable(TableViewStyle::Plain);
  const double content = 4400, visible = 480;
  struct Case {
    uint64_t row;
    TableViewScrollPosition position;
    double expected;
  };
  const std::vector<Case> cases = {
      {50, TableViewScrollPosition::Top, 50 * 44},
      {50, TableViewScrollPosition::Middle, 50 * 44 + 22 - visible / 2},
      {50, TableViewScrollPosition::Bottom, 51 * 44 - visible},
      {99, TableViewScrollPosition::Top, content - visible},  // clamped to the end
      {0, TableViewScrollPosition::Bottom, 0},                // clamped to the start
  };
  for (const auto& c : cases) {
    table->scrollToRowAtIndexPath(row(c.row), c.position, false);
    EXPECT_DOUBLE_EQ(table->contentOffset().y, c.expected) << c.row << " at " << static_cast<int>(c.position);
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(c.row)));
  }
  // None: a visible row does not move the table; a row below is brought up to the bottom edge.
  table->setContentOffset({0, 0});
  table->scrollToRowAtIndexPath(row(3), TableViewScrollPosition::None, false);
  EXPECT_EQ(table->contentOffset().y, 0);
  table->scrollToRowAtIndexPath(row(20), TableViewScrollPosition::None, false);
  EXPECT_DOUBLE_EQ(table->contentOffset().y, 21 * 44 - visible);
  EXPECT_THROW(table->scrollToRowAtIndexPath(row(100), TableViewScrollPosition::Top, false), rt::Exception);
}

TEST_F(TableViewTest, InsertsAndDeletesMoveRowsAndSelectionAndCheckTheCounts) {
  rows->sections = {5};
  auto table = makeTable(TableViewStyle::Plain);
  auto cellAt3 = table->cellForRowAtIndexPath(row(3));
  table->selectRowAtIndexPath(row(3), false, TableViewScrollPosition::None);

  rows->sections = {7};
  table->beginUpdates();
  table->insertRowsAtIndexPaths({row(0), row(1)}, TableViewRowAnimation::Automatic);
  table->endUpdates();
  EXPECT_EQ(table->numberOfRowsInSection(0), 7);
  EXPECT_EQ(table->cellForRowAtIndexPath(row(5)), cellAt3);
  EXPECT_EQ(cellAt3->frame().origin.y, 5 * 44);
  EXPECT_EQ(keys(table->indexPathsForSelectedRows()), (std::vector<std::pair<int64_t, int64_t>>{{0, 5}}));

  rows->sections = {6};
  table->deleteRowsAtIndexPaths({row(5)}, TableViewRowAnimation::Fade);
  EXPECT_TRUE(table->indexPathsForSelectedRows().empty());
  EXPECT_EQ(table->visibleCells().size(), 6u);

  rows->sections = {6, 2};
  table->insertSections(*fd::IndexSet::indexSetWithIndex(1), TableViewRowAnimation::None);
  EXPECT_EQ(table->numberOfSections(), 2);
  EXPECT_TRUE(table->cellForRowAtIndexPath(row(1, 1)));

  // The data source and the update disagree: a clear error, the table still usable.
  rows->sections = {9, 2};
  EXPECT_THROW(table->insertRowsAtIndexPaths({row(0)}, TableViewRowAnimation::None), rt::Exception);
  EXPECT_THROW(table->deleteSections(*fd::IndexSet::indexSetWithIndex(0), TableViewRowAnimation::None), rt::Exception);
  table->reloadData();
  EXPECT_EQ(table->numberOfRowsInSection(0), 9);
}

TEST_F(TableViewTest, EstimatedHeightsBecomeRealAsRowsShow) {
  rows->sections = {100};
  rows->rowHeight = 60;
  auto table = rt::make<TableView>(gfx::RectMake(0, 0, 320, 480), TableViewStyle::Plain);
  table->registerClassForCellReuseIdentifier<TestCell>("Row");
  table->setEstimatedRowHeight(40);
  table->setDataSource(rows);
  table->setDelegate(rows);
  window->addSubview(table);
  table->layoutIfNeeded();
  // Rows that have shown are real (60); the far ones are still estimated (40).
  EXPECT_EQ(table->visibleCells().size(), 8u);  // 480 / 60
  for (auto& ip : table->indexPathsForVisibleRows()) EXPECT_EQ(table->rectForRowAtIndexPath(ip).size.height, 60);
  EXPECT_EQ(table->rectForRowAtIndexPath(row(50)).size.height, 40);
  double before = table->contentSize().height;
  EXPECT_LT(before, 60 * 100);
  EXPECT_GE(before, 60 * 8 + 40 * 92);
  // Scrolled to the end, the last row sits on the bottom edge with its real height.
  table->scrollToRowAtIndexPath(row(99), TableViewScrollPosition::Bottom, false);
  gfx::Rect last = table->rectForRowAtIndexPath(row(99));
  EXPECT_EQ(last.size.height, 60);
  EXPECT_DOUBLE_EQ(last.origin.y + 60 - 480, table->contentOffset().y);
  EXPECT_GT(table->contentSize().height, before);
  EXPECT_DOUBLE_EQ(table->cellForRowAtIndexPath(row(99))->frame().origin.y, last.origin.y);
}

TEST_F(TableViewTest, SeparatorsFollowTheTablesStyleColourAndInset) {
  rows->sections = {3};
  auto table = makeTable(TableViewStyle::Plain);
  auto cell = table->cellForRowAtIndexPath(row(1));
  ASSERT_TRUE(cell->separatorView());
  gfx::Rect line = cell->separatorView()->frame();
  EXPECT_EQ(line.origin.x, 15);
  EXPECT_EQ(line.origin.x + line.size.width, 320);
  EXPECT_NEAR(line.origin.y + line.size.height, 44, 1e-9);
  EXPECT_LE(line.size.height, 1);

  table->setSeparatorColor(gfx::Color::redColor());
  table->setSeparatorInset(gfx::EdgeInsetsMake(0, 40, 0, 10));
  cell->layoutIfNeeded();
  EXPECT_TRUE(cell->separatorView()->backgroundColor()->isEqual(gfx::Color::redColor().get()));
  EXPECT_EQ(cell->separatorView()->frame().origin.x, 40);
  EXPECT_EQ(cell->separatorView()->frame().size.width, 270);

  table->setSeparatorStyle(TableViewCellSeparatorStyle::None);
  EXPECT_FALSE(cell->separatorView());
}

}  // namespace table_view_test
