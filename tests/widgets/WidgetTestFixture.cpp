#include "WidgetTestFixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"

namespace widgets::testing {

namespace fs = std::filesystem;

void WidgetTest::SetUp() {
  fd::RunLoopDriver::useVirtualClock();
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->makeKeyAndVisible();
}

void WidgetTest::TearDown() {
  if (token_) fd::NotificationCenter::defaultCenter()->removeObserver(token_);
  window->setHidden(true);
  window.reset();
  ui::Transaction::flush();
  fd::RunLoopDriver::reset();
  if (!shots_.empty()) fs::remove_all(shots_);
}

void WidgetTest::listen(const std::vector<std::string>& names) {
  token_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
      std::nullopt, nullptr, nullptr, [this, names](const Ref<fd::Notification>& n) {
        std::string name = n->name().utf8();
        if (std::find(names.begin(), names.end(), name) == names.end()) return;
        auto info = n->userInfo();
        auto s = info ? rt::as<fd::StringObject>(info->objectForKey(rt::String("title"))) : nullptr;
        heard.push_back({name, s ? s->string().utf8() : ""});
      });
}

Ref<gfx::BitmapImage> WidgetTest::shoot(const std::string& name) {
  if (shots_.empty()) {
    shots_ = (fs::temp_directory_path() / ("widget_shots_" + std::to_string(getpid()))).string();
    fs::create_directories(shots_);
  }
  fs::path file = fs::path(shots_) / (name + ".png");
  ui::HeadlessHost host(ui::Screen::mainScreen());
  Ref<ui::Window> w = window;
  host.setWindowSource([w] { return std::vector<Ref<ui::Window>>{w}; });
  std::string error;
  if (!host.shoot(file.string(), &error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
  }
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  return image ? image->CGImage() : nullptr;
}

uint32_t WidgetTest::pixelAt(const Ref<gfx::BitmapImage>& bitmap, gfx::Point p) {
  double scale = ui::Screen::mainScreen()->scale();
  return bitmap->pixel(static_cast<size_t>(p.x * scale), static_cast<size_t>(p.y * scale));
}

int WidgetTest::inkIn(const Ref<gfx::BitmapImage>& bitmap, gfx::Rect rect, uint32_t background, int tolerance) {
  double scale = ui::Screen::mainScreen()->scale();
  int count = 0;
  auto channel = [](uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); };
  for (double y = rect.origin.y; y < gfx::RectGetMaxY(rect); y += 1 / scale)
    for (double x = rect.origin.x; x < gfx::RectGetMaxX(rect); x += 1 / scale) {
      if (x < 0 || y < 0) continue;
      auto px = static_cast<size_t>(x * scale), py = static_cast<size_t>(y * scale);
      if (px >= bitmap->width() || py >= bitmap->height()) continue;
      uint32_t p = bitmap->pixel(px, py);
      for (int shift : {16, 8, 0})
        if (std::abs(channel(p, shift) - channel(background, shift)) > tolerance) {
          ++count;
          break;
        }
    }
  return count;
}

}  // namespace widgets::testing
