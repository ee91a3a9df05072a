#include "tests/tools/web/WebViewFixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Image.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"

namespace fs = std::filesystem;

namespace webtest {

std::optional<bool> Recorder::webViewShouldStartLoadWithRequest(ui::WebView&, const Ref<fd::URLRequest>& request,
                                                                ui::WebViewNavigationType type) {
  check();
  std::string url = request && request->URL() ? request->URL()->absoluteString().utf8() : "";
  events.push_back("should:" + std::to_string(static_cast<int>(type)) + ":" + url);
  if (refuseNext) {
    refuseNext = false;
    return false;
  }
  return true;
}

void Recorder::webViewDidStartLoad(ui::WebView&) {
  check();
  events.push_back("start");
}

void Recorder::webViewDidFinishLoad(ui::WebView&) {
  check();
  events.push_back("finish");
}

void Recorder::webViewDidFailLoadWithError(ui::WebView&, const Ref<fd::Error>& error) {
  check();
  errors.push_back(error);
  events.push_back("fail:" + std::to_string(error ? error->code() : 0));
}

size_t Recorder::count(const std::string& prefix) const {
  size_t n = 0;
  for (const auto& e : events) n += e.rfind(prefix, 0) == 0;
  return n;
}

void Recorder::check() {
  if (std::this_thread::get_id() != main_) offMainThread = true;
}

void WebViewTest::SetUp() {
  dir = (fs::temp_directory_path() / ("web_view_" + std::to_string(getpid()))).string();
  fs::create_directories(dir);
  auto screen = ui::Screen::mainScreen();
  window = rt::make<ui::Window>(screen->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->setHidden(false);
  web = rt::make<ui::WebView>(gfx::RectMake(0, 64, screen->bounds().size.width, screen->bounds().size.height - 64));
  web->setScalesPageToFit(true);
  web->setDelegate(recorder);
  window->addSubview(web);
}

void WebViewTest::TearDown() {
  web->stopLoading();
  web = nullptr;
  window = nullptr;
  ui::Transaction::flush();
  fd::RunLoopDriver::runUntilIdle();
  fs::remove_all(dir);
}

bool WebViewTest::waitForLoad(double seconds) {
  // A load is under way from the call that starts it until its finish or failure is sent.
  return fd::RunLoopDriver::runUntil([&] { return !web->isLoading(); }, seconds);
}

void WebViewTest::load(const std::string& path) {
  web->loadRequest(fd::URLRequest::requestWithURL(fd::URL::URLWithString(rt::String(url(path).c_str()))));
}

Ref<gfx::BitmapImage> WebViewTest::shoot(const std::string& name) {
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  fs::path file = fs::path(dir) / (name + ".png");
  std::string error;
  EXPECT_TRUE(host.shoot(file.string(), &error)) << error;
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
  }
  auto image = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  return image ? image->CGImage() : nullptr;
}

int channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }

bool isInk(uint32_t p) { return channel(p, 16) < 110 && channel(p, 8) < 110 && channel(p, 0) < 110; }

}  // namespace webtest
