// A phone screen at 375x667 points, 2 pixels per point: a tab bar controller holding a
// navigation controller whose root shows a table of 1,000 label rows. One run measures a
// scrolling frame (the offset moves a few points, the host composites a frame) against a full
// redraw of the same screen (every layer displayed again), and reports the median and the
// 95th percentile of each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/view/Window.h"

namespace {

constexpr int64_t kRows = 1000;
constexpr double kStep = 3;  // points scrolled per frame
constexpr int kFrames = 400;
const rt::String kCellId("row");

class Rows : public ui::TableViewDataSource {
 public:
  int64_t tableViewNumberOfRowsInSection(ui::TableView&, int64_t) override { return kRows; }
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier(kCellId, ip);
    std::string text = "第 " + std::to_string(ip->row() + 1) + " 条 本区新闻";
    cell->textLabel()->setText(rt::String(text.c_str()));
    return cell;
  }
};

class ListController : public ui::ViewController {
 public:
  void loadView() override {
    table = rt::make<ui::TableView>(ui::Screen::mainScreen()->bounds());
    table->registerClassForCellReuseIdentifier<ui::TableViewCell>(kCellId);
    table->setBackgroundColor(gfx::Color::whiteColor());
    table->setDataSource(rows);
    setView(table);
  }
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
  Ref<ui::TableView> table;
};

struct Scene {
  Scene() {
    list = rt::make<ListController>();
    list->setTitle(rt::String("资讯"));
    auto nav = rt::make<ui::NavigationController>(list);
    tabs = rt::make<ui::TabBarController>();
    auto second = rt::make<ui::ViewController>();
    second->setTitle(rt::String("视听"));
    tabs->setViewControllers({nav, second});
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    host.renderFrame();
  }
  ~Scene() { window->setHidden(true); }

  Ref<ListController> list;
  Ref<ui::TabBarController> tabs;
  Ref<ui::Window> window;
  ui::HeadlessHost host;
};

void redisplayAll(ui::Layer& layer) {
  layer.setNeedsDisplay();
  for (auto& sub : layer.sublayers()) redisplayAll(*sub);
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

// Times `frame` `count` times, in milliseconds each.
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

void scrollTo(Scene& s, int frame) {
  auto table = s.list->table;
  double maxY = table->contentSize().height - table->bounds().size.height;
  double y = static_cast<double>(frame) * kStep;
  y = std::fmod(y, 2 * maxY);
  if (y > maxY) y = 2 * maxY - y;  // down and back up again
  table->setContentOffset({0, y});
}

void BM_ScrollFrameVersusFullRedraw(benchmark::State& state) {
  Scene scene;
  std::vector<double> scroll, full;
  uint64_t drawn = 0;
  for (auto _ : state) {
    int base = 0;
    uint64_t before = scene.host.compositor().framesDrawn();
    scroll = timeFrames(kFrames, [&](int i) {
      scrollTo(scene, base + i + 1);
      scene.host.renderFrame();
    });
    drawn = scene.host.compositor().framesDrawn() - before;
    full = timeFrames(kFrames / 4, [&](int) {
      redisplayAll(*scene.window->layer());
      scene.host.renderFrame();
    });
  }
  double sm = percentile(scroll, 0.5), fm = percentile(full, 0.5);
  state.counters["scroll_median_ms"] = sm;
  state.counters["scroll_p95_ms"] = percentile(scroll, 0.95);
  state.counters["full_median_ms"] = fm;
  state.counters["full_p95_ms"] = percentile(full, 0.95);
  state.counters["scroll_over_full"] = sm / fm;
  state.counters["frames_drawn"] = static_cast<double>(drawn);
}
BENCHMARK(BM_ScrollFrameVersusFullRedraw)->Iterations(1)->Unit(benchmark::kMillisecond);

// The two frame kinds alone, timed by the benchmark library.
void BM_ScrollFrame(benchmark::State& state) {
  Scene scene;
  int i = 0;
  for (auto _ : state) {
    scrollTo(scene, ++i);
    scene.host.renderFrame();
  }
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMillisecond);

void BM_FullRedraw(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    redisplayAll(*scene.window->layer());
    scene.host.renderFrame();
  }
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);

}  // namespace
