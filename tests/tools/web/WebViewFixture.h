#pragma once
// A web view in a window over the sample service, with a delegate that records what it
// hears, in order, and the thread it heard it on.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/ui/host/Host.h"
#include "platform/ui/view/Window.h"
#include "platform/ui/web/WebView.h"
#include "tests/tools/ServiceClient.h"

namespace webtest {

class Recorder : public ui::WebViewDelegate {
 public:
  std::vector<std::string> events;  // "should:TYPE:URL", "start", "finish", "fail:CODE"
  std::vector<Ref<fd::Error>> errors;
  bool offMainThread = false;
  bool refuseNext = false;

  std::optional<bool> webViewShouldStartLoadWithRequest(ui::WebView&, const Ref<fd::URLRequest>& request,
                                                        ui::WebViewNavigationType type) override;
  void webViewDidStartLoad(ui::WebView&) override;
  void webViewDidFinishLoad(ui::WebView&) override;
  void webViewDidFailLoadWithError(ui::WebView&, const Ref<fd::Error>& error) override;
  size_t count(const std::string& prefix) const;

 private:
  void check();
  std::thread::id main_ = std::this_thread::get_id();
};

class WebViewTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  /// Pumps the main loop until the current load has ended (finish or failure).
  bool waitForLoad(double seconds = 10);
  std::string url(const std::string& path) { return service.server().baseURL() + path; }
  void load(const std::string& path);
  /// Renders the window into a PNG named `name` (kept under KD_ARTIFACT_DIR when set) and
  /// answers its bitmap.
  Ref<gfx::BitmapImage> shoot(const std::string& name);

  sampletest::RunningService service;
  Ref<ui::Window> window;
  Ref<ui::WebView> web;
  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
  std::string dir;
};

/// Pixels of a 2x frame by point coordinates.
int channel(uint32_t pixel, int shift);
bool isInk(uint32_t pixel);  // dark grey or black text

}  // namespace webtest
