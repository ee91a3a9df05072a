// One frame of the shown display, rendered headless and checked against the layout.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "ProgressHUDFixture.h"
#include "platform/typeset/StringDrawing.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUDGeometry.h"

using namespace widgets;
using widgets::testing::ProgressHUDTest;
namespace fs = std::filesystem;

namespace {

struct Pixels {
  Ref<gfx::BitmapImage> bitmap;
  double scale;
  uint32_t at(double x, double y) const {
    return bitmap->pixel(static_cast<size_t>(x * scale), static_cast<size_t>(y * scale));
  }
};

int channel(uint32_t p, int shift) { return (p >> shift) & 0xff; }
bool isWhite(uint32_t p) { return channel(p, 16) > 240 && channel(p, 8) > 240 && channel(p, 0) > 240; }
bool isBlack(uint32_t p) { return channel(p, 16) < 16 && channel(p, 8) < 16 && channel(p, 0) < 16; }
bool isInk(uint32_t p) { return channel(p, 16) > 128 && channel(p, 8) > 128 && channel(p, 0) > 128; }

}  // namespace

TEST_F(ProgressHUDTest, RenderedLoadingFrameShowsTheBoxTextAndSpinner) {
  const rt::String status = "正在加载中...";
  PHProgressHUD::showWithStatus(status);
  advance(0.3);  // past the fade-in

  fs::path dir = fs::temp_directory_path() / ("hud_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "hud-loading.png";
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  std::string error;
  ASSERT_TRUE(host.shoot(file.string(), &error)) << error;
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
  }

  auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  ASSERT_TRUE(image && image->CGImage());
  Pixels px{image->CGImage(), ui::Screen::mainScreen()->scale()};
  EXPECT_EQ(image->CGImage()->width(), 750u);

  // Where the layout puts the box for the measured text.
  auto attributes = fd::Dictionary::withStrings({{"NSFont", PHProgressHUD::fontSetting()}});
  gfx::Size measured = typeset::boundingRectWithSize(status, kPHStatusMeasuringSize, 35, attributes).size;
  PHBoxLayout layout = PHBoxLayoutFor(true, measured, true);
  gfx::Point center{375 / 2.0, std::floor(667 * 0.45)};
  gfx::Rect box{{center.x - layout.boxSize.width / 2, center.y - layout.boxSize.height / 2}, layout.boxSize};
  EXPECT_EQ(hud()->hudView()->frame(), box);

  // Black inside the box's corners (clear of the 2-point rounding), white just outside.
  double in = 3, out = 2;
  for (gfx::Point p : {gfx::Point{box.origin.x + in, box.origin.y + in},
                       gfx::Point{gfx::RectGetMaxX(box) - in, box.origin.y + in},
                       gfx::Point{box.origin.x + in, gfx::RectGetMaxY(box) - in},
                       gfx::Point{gfx::RectGetMaxX(box) - in, gfx::RectGetMaxY(box) - in}})
    EXPECT_TRUE(isBlack(px.at(p.x, p.y))) << p.x << "," << p.y;
  for (gfx::Point p : {gfx::Point{box.origin.x - out, center.y}, gfx::Point{gfx::RectGetMaxX(box) + out, center.y},
                       gfx::Point{center.x, box.origin.y - out}, gfx::Point{center.x, gfx::RectGetMaxY(box) + out}})
    EXPECT_TRUE(isWhite(px.at(p.x, p.y))) << p.x << "," << p.y;

  // The box's edges, found by walking in from the window across a row above the spinner.
  double row = box.origin.y + 6;
  size_t left = 0, right = 0;
  for (size_t x = 0; x < 750; ++x)
    if (!isWhite(px.bitmap->pixel(x, static_cast<size_t>(row * 2)))) {
      left = x;
      break;
    }
  for (size_t x = 749; x > 0; --x)
    if (!isWhite(px.bitmap->pixel(x, static_cast<size_t>(row * 2)))) {
      right = x;
      break;
    }
  EXPECT_NEAR(left, box.origin.x * 2, 1);
  EXPECT_NEAR(right + 1, gfx::RectGetMaxX(box) * 2, 1);

  // Text ink inside the label's frame, and the spinner's arc above it.
  gfx::Rect label = gfx::RectOffset(layout.labelFrame, box.origin.x, box.origin.y);
  auto inkIn = [&](gfx::Rect r) {
    int count = 0;
    for (double y = r.origin.y; y < gfx::RectGetMaxY(r); y += 0.5)
      for (double x = r.origin.x; x < gfx::RectGetMaxX(r); x += 0.5) count += isInk(px.at(x, y));
    return count;
  };
  EXPECT_GT(inkIn(label), 150);
  gfx::Rect spinner = gfx::RectMake(center.x - 23.5, box.origin.y + 36 - 23.5, 47, 47);
  EXPECT_GT(inkIn(spinner), 20);
  EXPECT_EQ(inkIn(gfx::RectMake(box.origin.x + 2, label.origin.y - 7, box.size.width - 4, 5)), 0);

  fs::remove_all(dir);
}
