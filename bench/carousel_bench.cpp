// A phone screen at 375x667 points, 2 pixels per point: a title bar, a 375x200 carousel of five
// pictures with titles and dots, and a list of label rows below it. One run measures a frame of
// a carousel page turn (the turn's animation moves 1/18 of its 0.3 s on, the host composites a
// frame; nothing else moves) against a full redraw of the same screen (every layer displayed
// again), and reports the median and the 95th percentile of each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "widgets/carousel/WICycleScrollView.h"

namespace {

using widgets::WICycleScrollView;

constexpr int kFrames = 360;
constexpr int kFramesPerTurn = 18;  // the 0.3 s turn at 60 frames a second
const rt::String kCellId("row");

class Rows : public ui::TableViewDataSource {
 public:
  int64_t tableViewNumberOfRowsInSection(ui::TableView&, int64_t) override { return 100; }
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier(kCellId, ip);
    std::string text = "第 " + std::to_string(ip->row() + 1) + " 条 本区新闻";
    cell->textLabel()->setText(rt::String(text.c_str()));
    return cell;
  }
};

Ref<gfx::Image> picture(double hue) {
  gfx::Size size{750, 400};
  gfx::beginImageContextWithOptions(size, true, 1);
  auto c = gfx::currentContext();
  c->setFillColor(gfx::Color::colorWithHue(hue, 0.5, 0.9, 1));
  c->fillRect(gfx::Rect{{0, 0}, size});
  c->setFillColor(gfx::Color::colorWithHue(hue, 0.8, 0.5, 1));
  c->fillRect(gfx::RectMake(100, 80, 400, 200));
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

struct Scene {
  Scene() {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    auto title = rt::make<ui::Label>(gfx::RectMake(0, 20, 375, 44));
    title->setText(rt::String("资讯"));
    title->setTextAlignment(typeset::TextAlignment::Center);
    window->addSubview(title);
    std::vector<Ref<gfx::Image>> images;
    for (int i = 0; i < 5; ++i) images.push_back(picture(i / 5.0));
    carousel = WICycleScrollView::cycleScrollViewWithFrame(gfx::RectMake(0, 64, 375, 200), images);
    carousel->setAutoScroll(false);
    carousel->setTitlesGroup({"区里的新闻", "今天的天气", "周末的活动", "街道的通知", "社区的故事"});
    carousel->setDotColor(gfx::Color::whiteColor());
    window->addSubview(carousel);
    table = rt::make<ui::TableView>(gfx::RectMake(0, 264, 375, 403));
    table->registerClassForCellReuseIdentifier<ui::TableViewCell>(kCellId);
    table->setDataSource(rows);
    window->addSubview(table);
    window->makeKeyAndVisible();
    window->layoutIfNeeded();
    host.renderFrame();
  }
  ~Scene() {
    window->setHidden(true);
    fd::RunLoopDriver::reset();
  }

  /// One frame of a page turn: a new turn starts every 18 frames.
  void turnFrame(int i) {
    if (i % kFramesPerTurn == 0) carousel->automaticScroll();
    fd::RunLoopDriver::advance(0.3 / kFramesPerTurn);
    host.renderFrame();
  }

  Ref<ui::Window> window;
  Ref<WICycleScrollView> carousel;
  Ref<ui::TableView> table;
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
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

void BM_PageTurnFrameVersusFullRedraw(benchmark::State& state) {
  Scene scene;
  std::vector<double> turn, full;
  uint64_t drawn = 0;
  double startOffset = scene.carousel->mainView()->contentOffset().x;
  for (auto _ : state) {
    uint64_t before = scene.host.compositor().framesDrawn();
    turn = timeFrames(kFrames, [&](int i) { scene.turnFrame(i); });
    drawn = scene.host.compositor().framesDrawn() - before;
    full = timeFrames(kFrames / 4, [&](int) {
      redisplayAll(*scene.window->layer());
      scene.host.renderFrame();
    });
  }
  double tm = percentile(turn, 0.5), fm = percentile(full, 0.5);
  state.counters["turn_median_ms"] = tm;
  state.counters["turn_p95_ms"] = percentile(turn, 0.95);
  state.counters["full_median_ms"] = fm;
  state.counters["full_p95_ms"] = percentile(full, 0.95);
  state.counters["turn_over_full"] = tm / fm;
  state.counters["frames_drawn"] = static_cast<double>(drawn);
  state.counters["pages_turned"] = (scene.carousel->mainView()->contentOffset().x - startOffset) / 375;
}
BENCHMARK(BM_PageTurnFrameVersusFullRedraw)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
