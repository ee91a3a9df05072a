// The headless runner showing a tab bar controller, a navigation controller in its first tab
// and a scrolling table of 1,000 rows: frames written as PNG files, checked by a few pixels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/graphics/Image.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/input/TouchInput.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

// A namespace of its own: test programs compile several files as one.
namespace tab_bar_controller_screen_test {

using namespace ui;
using namespace ui::testing;
namespace fs = std::filesystem;

namespace {

const rt::String kCellId("row");

class Rows : public TableViewDataSource {
 public:
  int64_t tableViewNumberOfRowsInSection(TableView&, int64_t) override { return 1000; }
  Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier(kCellId, ip);
    std::string text = "Row " + std::to_string(ip->row());
    cell->textLabel()->setText(rt::String(text.c_str()));
    return cell;
  }
};

class ListController : public ViewController {
 public:
  void loadView() override {
    table = rt::make<TableView>(Screen::mainScreen()->bounds());
    table->registerClassForCellReuseIdentifier<TableViewCell>(kCellId);
    table->setBackgroundColor(gfx::Color::whiteColor());
    table->setDataSource(rows);
    setView(table);
  }
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
  Ref<TableView> table;
};

class TabBarControllerScreenTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    dir = fs::temp_directory_path() / ("vc_screen_" + std::to_string(getpid()));
    fs::create_directories(dir);
    list = rt::make<ListController>();
    list->setTitle(rt::String("News"));
    tabs = rt::make<TabBarController>();
    other = make("O");
    other->setTitle(rt::String("Video"));
    tabs->setViewControllers({rt::make<NavigationController>(list), other});
    window->setBackgroundColor(gfx::Color::whiteColor());
    show(tabs);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ControllerTest::TearDown();
  }
  /// The frame's pixel at a point, as a grey level 0-255 (the mean of the channels).
  int grey(gfx::Point p) {
    uint32_t c = host.compositor().pixelAt(static_cast<size_t>(p.x * 2), static_cast<size_t>(p.y * 2));
    return static_cast<int>(((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3);
  }
  /// The darkest pixel along a horizontal run of points.
  int darkestAlong(double y, double x0, double x1) {
    int darkest = 255;
    for (double x = x0; x < x1; x += 0.5) darkest = std::min(darkest, grey({x, y}));
    return darkest;
  }

  fs::path dir;
  HeadlessHost host;
  Ref<ListController> list;
  Ref<TabBarController> tabs;
  Ref<RecordingController> other;
};

}  // namespace

TEST_F(TabBarControllerScreenTest, ShowsBarsAndRowsAndScrollsWithReusedCells) {
  std::string error;
  fs::path first = dir / "first.png";
  ASSERT_TRUE(host.shoot(first.string(), &error)) << error;
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(first.string().c_str()));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size().width * image->scale(), 750);
  EXPECT_EQ(image->size().height * image->scale(), 1334);

  // Bars are light grey over white, with a darker hairline under the navigation bar; the
  // first rows show text at the left, under the bar.
  EXPECT_GT(grey({300, 40}), 235);
  EXPECT_LT(grey({300, 40}), 255);
  EXPECT_LT(darkestAlong(40, 150, 225), 100);  // the title
  EXPECT_LT(grey({300, 64.25}), grey({300, 40}));
  EXPECT_GT(grey({300, 667 - 2}), 235);
  EXPECT_LT(grey({300, 667 - 2}), 255);
  EXPECT_EQ(grey({360, 30 + 64}), 255);  // the empty right end of a row
  double rowMiddle = 64 + 22;  // the first row visible under the bar (the table runs under it)
  list->table->setContentOffset({0, -64});
  host.renderFrame();
  EXPECT_LT(darkestAlong(rowMiddle, 10, 120), 100);

  // Scroll 300 rows, frame by frame: the cells in the table stay a screenful.
  uint64_t framesBefore = host.compositor().framesDrawn();
  for (int i = 1; i <= 100; ++i) {
    list->table->setContentOffset({0, -64 + i * 132.0});
    host.renderFrame();
  }
  EXPECT_EQ(host.compositor().framesDrawn() - framesBefore, 100u);
  EXPECT_LE(list->table->visibleCells().size(), 17u);
  // Row 298 is half under the bar, row 300 the first one below it.
  auto top = list->table->visibleCells().front();
  EXPECT_EQ(top->textLabel()->text(), rt::String("Row 298"));
  EXPECT_LT(darkestAlong(rowMiddle, 10, 120), 100);
  ASSERT_TRUE(host.shoot((dir / "scrolled.png").string(), &error)) << error;
  EXPECT_TRUE(fs::file_size(dir / "scrolled.png") > 0);

  // The other tab shows a blank screen above the same tab bar.
  TouchInput(window).tap({375 * 3 / 4.0, 667 - 20});
  EXPECT_EQ(tabs->selectedViewController(), other);
  host.renderFrame();
  EXPECT_GT(darkestAlong(rowMiddle, 10, 120), 200);
  EXPECT_GT(grey({300, 667 - 2}), 235);
}

}  // namespace tab_bar_controller_screen_test
