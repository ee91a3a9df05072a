// A phone screen at 375x667 points, 2 pixels per point, showing a table of 200 rows, each a
// two-line news headline. One run scrolls the table for 300 frames, back to back: with the
// rich-text label displaying asynchronously in every row (as it comes, and without its
// cross-fade), and with the platform's plain label given the same attributed text. It reports
// the median frame of each and the main-thread time each new row costs (configuring its label
// and asking its layer to display), and their ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "textview/label/DRLabel.h"

namespace {

constexpr int64_t kRows = 200;
constexpr double kRowHeight = 64;
constexpr double kStep = 18;  // points scrolled per frame: a new row every few frames
constexpr int kFrames = 300;
constexpr int64_t kLabelTag = 7;
const rt::String kCellId("row");

const char* kHeadlines[] = {
    "区里的新闻每天更新，记者从现场发回图片和视频，读者可以在频道之间切换",
    "The district news is updated every day, with pictures and video from local reporters",
    "晚上还有天气、交通和活动的消息，全都在一个地方，方便整个社区的居民查看",
    "Readers switch between channels, keep the articles they like and share them with friends",
};

Ref<typeset::AttributedString> headline(int64_t row) {
  std::string text = std::to_string(row + 1) + ". " + kHeadlines[row % 4];
  auto s = typeset::MutableAttributedString::create(rt::String(text.c_str()));
  const size_t n = s->length();
  s->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(16), {0, n});
  s->addAttribute(typeset::ForegroundColorAttributeName, gfx::Color::darkGrayColor(), {0, n});
  const size_t number = std::to_string(row + 1).size() + 1;
  s->addAttribute(typeset::ForegroundColorAttributeName, gfx::Color::redColor(), {0, number});
  s->addAttribute(typeset::UnderlineStyleAttributeName, fd::Number::numberWithInt(1), {number + 1, 4});
  return s;
}

// Main-thread milliseconds spent on new rows, and how many there were.
struct RowCost {
  double ms = 0;
  int64_t rows = 0;
};

// The rich label as it comes (cross-fading new contents in), the same without the fade, and
// the platform's label.
enum class Kind { Rich, RichWithoutFade, Plain };

class Rows : public ui::TableViewDataSource {
 public:
  explicit Rows(Kind kind) : kind_(kind) {}
  int64_t tableViewNumberOfRowsInSection(ui::TableView&, int64_t) override { return kRows; }
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier(kCellId, ip);
    Ref<ui::View> view = cell->contentView()->viewWithTag(kLabelTag);
    auto text = headline(ip->row());
    auto t0 = std::chrono::steady_clock::now();
    if (kind_ != Kind::Plain) {
      rt::as<textview::DRLabel>(view)->setAttributedText(text);
    } else {
      rt::as<ui::Label>(view)->setAttributedText(text);
    }
    // What the frame would do for this label on the main thread.
    view->layer()->displayIfNeeded();
    cost.ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    ++cost.rows;
    return cell;
  }
  RowCost cost;

 private:
  Kind kind_;
};

Ref<ui::View> makeCell(Kind kind, const rt::String& id) {
  auto cell = rt::make<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
  const gfx::Rect frame = gfx::RectMake(12, 6, 351, kRowHeight - 12);
  Ref<ui::View> label;
  if (kind != Kind::Plain) {
    auto rich = rt::make<textview::DRLabel>(frame);
    rich->setDisplaysAsynchronously(true);
    rich->setNumberOfLines(2);
    rich->setFadeOnAsynchronouslyDisplay(kind == Kind::Rich);
    label = rich;
  } else {
    auto plain = rt::make<ui::Label>(frame);
    plain->setNumberOfLines(2);
    label = plain;
  }
  label->setTag(kLabelTag);
  cell->contentView()->addSubview(label);
  return cell;
}

struct Scene {
  explicit Scene(Kind kind) : rows(std::make_shared<Rows>(kind)) {
    table = rt::make<ui::TableView>(ui::Screen::mainScreen()->bounds());
    table->registerCellFactory(kCellId, [kind](const rt::String& id, gfx::Rect) { return makeCell(kind, id); });
    table->setRowHeight(kRowHeight);
    table->setBackgroundColor(gfx::Color::whiteColor());
    table->setDataSource(rows);
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->addSubview(table);
    window->makeKeyAndVisible();
    host.renderFrame();
    rows->cost = {};
  }
  ~Scene() { window->setHidden(true); }

  std::shared_ptr<Rows> rows;
  Ref<ui::TableView> table;
  Ref<ui::Window> window;
  ui::HeadlessHost host;
};

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

struct ScrollResult {
  double medianFrameMs = 0;
  double p95FrameMs = 0;
  double msPerNewRow = 0;
  int64_t newRows = 0;
};

ScrollResult scroll(Kind kind) {
  Scene scene(kind);
  std::vector<double> frames;
  frames.reserve(kFrames);
  const double maxY = scene.table->contentSize().height - scene.table->bounds().size.height;
  for (int i = 1; i <= kFrames; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    scene.table->setContentOffset({0, std::min(maxY, i * kStep)});
    scene.host.renderFrame();
    frames.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  // Drawings still on the pool land before the scene goes away.
  fd::RunLoopDriver::runUntil([] { return false; }, 0.2);
  ScrollResult r;
  r.medianFrameMs = percentile(frames, 0.5);
  r.p95FrameMs = percentile(frames, 0.95);
  r.newRows = scene.rows->cost.rows;
  r.msPerNewRow = r.newRows ? scene.rows->cost.ms / static_cast<double>(r.newRows) : 0;
  return r;
}

void report(benchmark::State& state, const ScrollResult& r) {
  state.counters["frame_median_ms"] = r.medianFrameMs;
  state.counters["frame_p95_ms"] = r.p95FrameMs;
  state.counters["main_ms_per_new_row"] = r.msPerNewRow;
  state.counters["new_rows"] = static_cast<double>(r.newRows);
}

// Every repetition's result, for the closing ratios of medians.
std::vector<ScrollResult> richRuns, unfadedRuns, plainRuns;

void BM_RichLabelTable(benchmark::State& state) {
  ScrollResult r;
  for (auto _ : state) r = scroll(Kind::Rich);
  richRuns.push_back(r);
  report(state, r);
}
BENCHMARK(BM_RichLabelTable)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

void BM_RichLabelTableWithoutFade(benchmark::State& state) {
  ScrollResult r;
  for (auto _ : state) r = scroll(Kind::RichWithoutFade);
  unfadedRuns.push_back(r);
  report(state, r);
}
BENCHMARK(BM_RichLabelTableWithoutFade)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

void BM_PlainLabelTable(benchmark::State& state) {
  ScrollResult r;
  for (auto _ : state) r = scroll(Kind::Plain);
  plainRuns.push_back(r);
  report(state, r);
}

double medianOf(const std::vector<ScrollResult>& runs, double ScrollResult::*field) {
  std::vector<double> v;
  for (const auto& r : runs) v.push_back(r.*field);
  return bench::median(v);
}
BENCHMARK(BM_PlainLabelTable)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double richFrame = medianOf(richRuns, &ScrollResult::medianFrameMs);
  const double plainFrame = medianOf(plainRuns, &ScrollResult::medianFrameMs);
  const double unfadedFrame = medianOf(unfadedRuns, &ScrollResult::medianFrameMs);
  const double richRow = medianOf(richRuns, &ScrollResult::msPerNewRow);
  const double plainRow = medianOf(plainRuns, &ScrollResult::msPerNewRow);
  if (plainFrame > 0 && plainRow > 0) {
    std::printf("median frame: rich %.3f ms, plain %.3f ms, rich / plain = %.2f\n", richFrame, plainFrame,
                richFrame / plainFrame);
    std::printf("median frame without the fade: rich %.3f ms, plain %.3f ms, rich / plain = %.2f\n", unfadedFrame,
                plainFrame, unfadedFrame / plainFrame);
    std::printf("main thread per new row: rich %.3f ms, plain %.3f ms, rich / plain = %.2f\n", richRow, plainRow,
                richRow / plainRow);
  }
  return 0;
}
