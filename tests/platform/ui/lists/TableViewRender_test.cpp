#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Image.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Window.h"

// A namespace of its own: test programs compile several files as one.
namespace table_view_render_test {

using namespace ui;
namespace fs = std::filesystem;

namespace {

class Rows : public TableViewDataSource {
 public:
  int64_t tableViewNumberOfRowsInSection(TableView&, int64_t) override { return 10; }
  Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& ip) override {
    return tv.dequeueReusableCellWithIdentifier("Row", ip);
  }
};

uint32_t pngPixel(const fs::path& file, size_t x, size_t y) {
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  if (!image || !image->CGImage()) return 0;
  return image->CGImage()->pixel(x, y);
}
int red(uint32_t p) { return static_cast<int>((p >> 16) & 0xff); }
int green(uint32_t p) { return static_cast<int>((p >> 8) & 0xff); }

}  // namespace

TEST(TableViewRenderTest, SeparatorsAndTheSelectedRowAreDrawn) {
  fd::RunLoopDriver::useVirtualClock();
  fs::path dir = fs::temp_directory_path() / ("table_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  {
    auto screen = rt::make<Screen>(gfx::Size{100, 120}, 2);
    auto window = rt::make<Window>(gfx::RectMake(0, 0, 100, 120));
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->setHidden(false);
    auto rows = std::make_shared<Rows>();
    auto table = rt::make<TableView>(gfx::RectMake(0, 0, 100, 120), TableViewStyle::Plain);
    table->registerClassForCellReuseIdentifier<TableViewCell>("Row");
    table->setRowHeight(40);
    table->setSeparatorColor(gfx::Color::redColor());
    table->setDataSource(rows);
    window->addSubview(table);
    table->selectRowAtIndexPath(fd::IndexPath::indexPathForRow(1, 0), false, TableViewScrollPosition::None);
    HeadlessHost host(screen);
    host.setWindowSource([&] { return std::vector<Ref<Window>>{window}; });
    ASSERT_TRUE(host.shoot((dir / "table.png").string()));
  }
  fs::path png = dir / "table.png";
  // The line under row 0 (points 39.5..40, pixel row 79), inset 15 points from the left.
  EXPECT_GT(red(pngPixel(png, 100, 79)), 200);
  EXPECT_LT(green(pngPixel(png, 100, 79)), 60);
  EXPECT_EQ(pngPixel(png, 20, 79) & 0xffffff, 0xffffffu);
  // Row 1 is selected: its background is the selection grey; row 2 is white.
  uint32_t selected = pngPixel(png, 100, 120);
  EXPECT_LT(red(selected), 240);
  EXPECT_GT(red(selected), 180);
  EXPECT_EQ(red(selected), green(selected));
  EXPECT_EQ(pngPixel(png, 100, 200) & 0xffffff, 0xffffffu);
  Transaction::flush();
  fd::RunLoopDriver::reset();
  fs::remove_all(dir);
}

}  // namespace table_view_render_test
