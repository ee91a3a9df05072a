// A list of cells whose pictures came through the binding, rendered headless.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;
namespace fs = std::filesystem;

int channel(uint32_t p, int shift) { return (p >> shift) & 0xff; }
// Drawing a palette PNG or a lossy WebP on screen lands within a few levels of its decoded
// pixels, not on them.
bool near(uint32_t a, uint32_t b) {
  for (int s : {0, 8, 16})
    if (std::abs(channel(a, s) - channel(b, s)) > 28) return false;
  return true;
}

class WIViewBindingRenderTest : public ImagePipelineTest {};

TEST_F(WIViewBindingRenderTest, CellsShowTheirDownloadedPictures) {
  auto shared = WIWebImageManager::sharedManager();
  shared->setImageCache(makeCache("render"));
  shared->setImageDownloader(WIWebImageDownloader::create());
  auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->makeKeyAndVisible();
  const char* pictures[] = {"thumb/cell0.jpg", "thumb/cell1.png", "thumb/cell2.webp"};
  std::vector<Ref<ui::ImageView>> cells;
  int loaded = 0;
  for (int i = 0; i < 3; ++i) {
    auto cell = rt::make<ui::ImageView>(gfx::Rect{{10, 10 + 160.0 * i}, {200, 150}});
    window->addSubview(cell);
    wi_setImageWithURL(*cell, pictureURL(pictures[i]), nullptr,
                       [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { ++loaded; });
    cells.push_back(cell);
  }
  ASSERT_TRUE(pump([&] { return loaded == 3; }));
  ui::Transaction::flush();

  fs::path dir = fs::temp_directory_path() / ("wi_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "wi-cells.png";
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([&] { return std::vector<Ref<ui::Window>>{window}; });
  std::string error;
  ASSERT_TRUE(host.shoot(file.string(), &error)) << error;
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
  }
  auto shot = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  ASSERT_TRUE(shot && shot->CGImage());
  const double scale = ui::Screen::mainScreen()->scale();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(pictures[i]);
    const auto& bitmap = cells[i]->image()->CGImage();
    // Points inside the cell map one to one onto the 200x150 picture.
    for (auto [x, y] : {std::pair{20.0, 20.0}, std::pair{100.0, 75.0}, std::pair{180.0, 130.0}}) {
      uint32_t shown = shot->CGImage()->pixel(size_t((10 + x) * scale), size_t((10 + 160.0 * i + y) * scale));
      // Scaling blends neighbours: the shown colour is one of the picture's around that point.
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy)
        for (int dx = -1; dx <= 1 && !found; ++dx) found = near(shown, bitmap->pixel(size_t(x + dx), size_t(y + dy)));
      EXPECT_TRUE(found) << std::hex << shown << " vs " << bitmap->pixel(size_t(x), size_t(y)) << " at " << x << "," << y;
    }
  }
  window->setHidden(true);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace imagetest
