// A list with its header pulled by a finger, then refreshing above a footer that loads,
// rendered headless: ink where the titles, the arrow and the indicators are drawn, and paper
// between them.
#include <cstdlib>
#include <filesystem>

#include "RefreshFixture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Screen.h"
#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/KMRefreshNormalHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

using namespace widgets;
using widgets::testing::RefreshTest;
namespace fs = std::filesystem;
using S = KMRefreshComponentState;

namespace {

class Frame {
 public:
  Frame(ui::HeadlessHost& host, const fs::path& file) {
    std::string error;
    EXPECT_TRUE(host.shoot(file.string(), &error)) << error;
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
    }
    image_ = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
    scale_ = ui::Screen::mainScreen()->scale();
  }
  bool loaded() const { return image_ && image_->CGImage(); }
  /// Pixels in `r` (window points) that are clearly darker than the white paper.
  int inkIn(gfx::Rect r) const {
    auto& bitmap = *image_->CGImage();
    r = gfx::RectIntersection(r, {{0, 0}, {bitmap.width() / scale_, bitmap.height() / scale_}});
    int ink = 0;
    for (double y = r.origin.y; y < gfx::RectGetMaxY(r); y += 1 / scale_)
      for (double x = r.origin.x; x < gfx::RectGetMaxX(r); x += 1 / scale_) {
        uint32_t p = bitmap.pixel(static_cast<size_t>(x * scale_), static_cast<size_t>(y * scale_));
        int r8 = (p >> 16) & 0xff, g8 = (p >> 8) & 0xff, b8 = p & 0xff;
        if (r8 + g8 + b8 < 3 * 200) ++ink;
      }
    return ink;
  }

 private:
  Ref<gfx::Image> image_;
  double scale_ = 2;
};

}  // namespace

TEST_F(RefreshTest, RenderedPullAndLoadShowTitlesArrowAndIndicators) {
  auto table = makeTable(5, {{0, 0}, {375, 667}});  // 250 points of rows: the footer shows
  auto header = rt::make<KMRefreshNormalHeader>();
  header->lastUpdatedTimeLabel()->setHidden(true);
  setKm_header(*table, header);
  auto footer = rt::make<KMRefreshAutoNormalFooter>();
  setKm_footer(*table, footer);
  ui::HeadlessHost host;
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });

  // A finger holds the list pulled down, short of the threshold.
  ui::TouchInput fingers(window);
  auto finger = fingers.down({187, 200});
  for (int i = 1; i <= 10; ++i) {
    fingers.wait(1.0 / 60);
    fingers.move(finger, {187, 200 + 10.0 * i});
  }
  double offset = table->contentOffset().y;
  ASSERT_LT(offset, -44);
  ASSERT_GT(offset, -54);
  ASSERT_EQ(header->state(), S::idle);
  ASSERT_EQ(header->stateLabel()->text(), "下拉可以刷新");

  fs::path dir = fs::temp_directory_path() / ("refresh_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  Frame pulled(host, dir / "refresh-pulled.png");
  ASSERT_TRUE(pulled.loaded());
  // The header's strip on screen: 54 points ending where the content begins.
  double top = -54 - offset, mid = top + 27;
  EXPECT_GT(pulled.inkIn({{160, mid - 8}, {55, 16}}), 20);  // the title's glyphs
  EXPECT_GT(pulled.inkIn({{80, mid - 15}, {15, 30}}), 20);  // the arrow, 100 points left
  EXPECT_EQ(pulled.inkIn({{105, mid - 15}, {35, 30}}), 0);  // paper between them
  EXPECT_EQ(pulled.inkIn({{260, mid - 15}, {100, 30}}), 0);  // and right of the title
  // Further past the threshold and let go: one frame of the bounce begins refreshing; the
  // footer loads too.
  for (int i = 1; i <= 10; ++i) {
    fingers.wait(1.0 / 60);
    fingers.move(finger, {187, 300 + 10.0 * i});
  }
  ASSERT_EQ(header->state(), S::pulling);
  fingers.up(finger);
  advance(1.0 / 60);
  ASSERT_EQ(header->state(), S::refreshing);
  footer->beginRefreshing();
  advance(1);  // settled on the revealed header
  ASSERT_EQ(table->contentOffset().y, -54);
  Frame loading(host, dir / "refresh-loading.png");
  ASSERT_TRUE(loading.loaded());
  EXPECT_GT(loading.inkIn({{140, 19}, {95, 16}}), 20);  // "正在刷新数据中..."
  EXPECT_GT(loading.inkIn({{75, 15}, {25, 25}}), 10);  // the header's indicator
  EXPECT_EQ(loading.inkIn({{80, 5}, {15, 8}}), 0);     // no arrow above the indicator's spokes
  double footerTop = 54 + 250;
  EXPECT_GT(loading.inkIn({{130, footerTop + 14}, {115, 16}}), 20);  // "正在加载更多的数据..."
  EXPECT_GT(loading.inkIn({{75, footerTop + 10}, {25, 25}}), 10);   // the footer's indicator
  EXPECT_EQ(loading.inkIn({{270, footerTop + 4}, {100, 36}}), 0);
  fs::remove_all(dir);
}
