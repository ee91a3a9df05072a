// A page of the HTML kinds the container draws (backgrounds, borders, list markers, links,
// a table), loaded from a string and rendered headless: each shows where the layout puts it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Image.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "platform/ui/web/WebView.h"

// A namespace of its own: test programs compile several files as one.
namespace web_view_render_test {

using namespace ui;
namespace fs = std::filesystem;

namespace {

int channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
bool isRed(uint32_t p) { return channel(p, 16) > 200 && channel(p, 8) < 60 && channel(p, 0) < 60; }
bool isBlue(uint32_t p) { return channel(p, 16) < 60 && channel(p, 8) < 60 && channel(p, 0) > 200; }
bool isDark(uint32_t p) { return channel(p, 16) < 90 && channel(p, 8) < 90 && channel(p, 0) < 90; }

const char* kPage = R"(<html><head><meta name="viewport" content="width=device-width"></head>
<body style="margin:0;padding-top:1px">
<div style="margin:10px;height:40px;border:4px solid #ff0000;background-color:#0000ff"></div>
<ul style="margin:0;padding-left:30px"><li>第一项</li><li>第二项</li></ul>
<ol style="margin:0;padding-left:30px"><li>甲</li><li>乙</li></ol>
<p style="margin:0"><a href="/next">下一页 link</a></p>
<table style="border:1px solid #000"><tr><td>格子</td><td>cell</td></tr></table>
</body></html>)";

}  // namespace

TEST(WebViewRenderTest, BoxesBordersMarkersAndLinksAreDrawnWhereLaidOut) {
  fd::RunLoopDriver::useVirtualClock();
  fs::path dir = fs::temp_directory_path() / ("web_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  {
    auto screen = rt::make<Screen>(gfx::Size{200, 200}, 2);
    auto window = rt::make<Window>(gfx::RectMake(0, 0, 200, 200));
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->setHidden(false);
    auto web = rt::make<WebView>(gfx::RectMake(0, 0, 200, 200));
    window->addSubview(web);
    web->loadHTMLString(kPage, nullptr);
    fd::RunLoopDriver::runUntilIdle();
    ASSERT_FALSE(web->isLoading());
    HeadlessHost host(screen);
    host.setWindowSource([&] { return std::vector<Ref<Window>>{window}; });
    ASSERT_TRUE(host.shoot((dir / "web-kinds.png").string()));
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      fs::copy_file(dir / "web-kinds.png", fs::path(artifacts) / "web-kinds.png", fs::copy_options::overwrite_existing);
    }
  }
  auto image = gfx::Image::imageWithContentsOfFile(rt::String((dir / "web-kinds.png").string().c_str()));
  ASSERT_TRUE(image && image->CGImage());
  auto px = [&](double x, double y) { return image->CGImage()->pixel(static_cast<size_t>(x * 2), static_cast<size_t>(y * 2)); };
  // The box: border from x 10 to 14 and y 11 to 15, blue inside, white margin outside.
  EXPECT_TRUE(isRed(px(12, 30)));
  EXPECT_TRUE(isRed(px(100, 13)));
  EXPECT_EQ(px(100, 5) & 0xffffff, 0xffffffu);
  EXPECT_TRUE(isBlue(px(100, 30)));
  EXPECT_EQ(px(5, 30) & 0xffffff, 0xffffffu);
  // The first bullet: a disc left of the first item (the list starts under the 69-point box).
  size_t bullet = 0;
  for (double y = 68; y < 88; y += 0.5)
    for (double x = 10; x < 28; x += 0.5) bullet += isDark(px(x, y));
  EXPECT_GT(bullet, 4u);
  // Nothing drawn right of the short items' text.
  size_t beyond = 0;
  for (double y = 68; y < 100; y += 0.5)
    for (double x = 120; x < 200; x += 0.5) beyond += isDark(px(x, y));
  EXPECT_EQ(beyond, 0u);
  fs::remove_all(dir);
  Transaction::flush();
  fd::RunLoopDriver::reset();
}

}  // namespace web_view_render_test
