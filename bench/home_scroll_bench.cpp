// The news tab's home screen at 375x667 points, 2 pixels per point, against the in-process
// sample service: every page of the news channel is loaded (236 article rows, two of three with
// a picture), then the list is scrolled by 300 rows' worth, down and back up, one host frame per
// step with the pictures' arrivals handled as they come. One run reports the median and the
// 95th percentile of a scrolling frame beside a full redraw of the same screen (every layer
// displayed again), their ratio, and the process's peak resident memory after the scroll.
// Three passes, each with a scene and service of its own, show the peak settling: the shared
// picture cache, unbounded in memory as the platform's is, is emptied between passes, since
// each pass's pictures come from another port under new keys.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/screens/KDHomeViewController.h"
#include "app/service/ServiceConfig.h"
#include "app/shell/QPNavigationController.h"
#include "image/web/AutoPurgeCache.h"
#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManager.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tools/sample-service/service/SampleServer.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using fd::RunLoopDriver;

constexpr double kStep = 6;  // points scrolled per frame
constexpr double kRowsScrolled = 300;

double peakRSSMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

std::vector<double> timeFrames(int count, const std::function<void(int)>& frame) {
  std::vector<double> out;
  out.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    frame(i);
    out.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  return out;
}

void redisplayAll(ui::Layer& layer) {
  layer.setNeedsDisplay();
  for (auto& sub : layer.sublayers()) redisplayAll(*sub);
}

struct Scene {
  Scene() {
    fd::setLogSink([](const fd::String&) {});  // the client's diagnostic lines are not measured
    sample::ServiceOptions options;
    options.port = 0;
    service = std::make_unique<sample::SampleServer>(options);
    std::string error;
    if (!service->start(&error)) std::fprintf(stderr, "sample service: %s\n", error.c_str());
    app::ServiceConfig::shared().setContentHost(service->baseURL());
    app::ServiceConfig::shared().setVideoHost(service->baseURL());

    home = rt::make<app::KDHomeViewController>();
    auto nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(home));
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    pump([&] { return home->modelArray().size() >= 50; });
    // Every page of the channel, through the footer as a user's pull-ups would.
    for (int page = 0; page < 10; ++page) {
      auto footer = widgets::km_footer(table());
      if (!footer || !footer->superview()) break;
      size_t before = home->modelArray().size();
      footer->beginRefreshing();
      pump([&] { return home->modelArray().size() > before; });
    }
    rows = home->modelArray().size();
  }
  ~Scene() {
    auto images = image::WIWebImageManager::sharedManager();
    images->cancelAll();
    RunLoopDriver::runUntil([&] { return !images->isRunning(); }, 10);
    // The next scene's service listens on another port, so its pictures come under new keys:
    // what this scene cached would only pile up beside them in the unbounded memory cache.
    images->imageCache()->clearMemory();
    window->setRootViewController(nullptr);
    window->setHidden(true);
    service->stop();
    fd::setLogSink(nullptr);
  }

  ui::TableView& table() { return *home->pageViews().at(0); }
  /// Runs the main loop with frames until `done`, at most 30 s.
  void pump(const std::function<bool()>& done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < until) {
      RunLoopDriver::runUntil(done, 0.05);
      host.renderFrame();
    }
  }
  void scrollTo(int frame) {
    auto& t = table();
    double maxY = t.contentSize().height - t.bounds().size.height;
    double y = std::fmod(static_cast<double>(frame) * kStep, 2 * maxY);
    if (y > maxY) y = 2 * maxY - y;  // down and back up again
    t.setContentOffset({0, y});
    RunLoopDriver::runUntilIdle();  // pictures that arrived meanwhile
    host.renderFrame();
  }

  std::unique_ptr<sample::SampleServer> service;
  Ref<app::KDHomeViewController> home;
  Ref<ui::Window> window;
  ui::HeadlessHost host;
  size_t rows = 0;
};

void BM_HomeScrollFrameVersusFullRedraw(benchmark::State& state) {
  Scene scene;
  std::vector<double> scroll, full;
  int frames = static_cast<int>(kRowsScrolled * app::KDHomeViewController::kRowHeight / kStep);
  for (auto _ : state) {
    scroll = timeFrames(frames, [&](int i) { scene.scrollTo(i + 1); });
    full = timeFrames(100, [&](int) {
      redisplayAll(*scene.window->layer());
      scene.host.renderFrame();
    });
  }
  double sm = percentile(scroll, 0.5), fm = percentile(full, 0.5);
  state.counters["rows_loaded"] = static_cast<double>(scene.rows);
  state.counters["scroll_frames"] = frames;
  state.counters["scroll_median_ms"] = sm;
  state.counters["scroll_p95_ms"] = percentile(scroll, 0.95);
  state.counters["full_median_ms"] = fm;
  state.counters["full_p95_ms"] = percentile(full, 0.95);
  state.counters["scroll_over_full"] = fm > 0 ? sm / fm : 0;
  state.counters["peak_rss_mb"] = peakRSSMegabytes();
  // The shared picture cache outlives the scene: its entries (cost = pixels, 4 bytes each)
  // say how much of a pass stays behind for the next.
  auto memory = image::WIWebImageManager::sharedManager()->imageCache()->memCache();
  state.counters["picture_cache_entries"] = static_cast<double>(memory->count());
  state.counters["picture_cache_mb"] = static_cast<double>(memory->totalCost()) * 4 / 1048576.0;
}
BENCHMARK(BM_HomeScrollFrameVersusFullRedraw)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace
