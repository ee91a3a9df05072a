// Typing into the editable text view, through to the next drawn frame, against building the
// text's layout once. One character typed in the middle of a 10,000-character news text
// (goal: at most twice the one layout); and 1,000 characters typed one by one at the end
// of a text, where the cost of a keystroke should grow no faster than the layout's own cost
// grows over the same text lengths.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/NewsSentences.h"
#include "bench/RatioReporter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace {

constexpr size_t kLength = 10000;
constexpr int kTyped = 1000;
constexpr int kSample = 100;  // keystrokes at each end of the run that are compared

rt::String newsText(size_t length) {
  std::u16string s;
  for (size_t i = 0; s.size() < length; ++i) s += bench::kNewsSentences[i % std::size(bench::kNewsSentences)];
  s.resize(length);
  return rt::String(std::u16string_view(s));
}

double medianOf(std::vector<double> v) { return bench::median(std::move(v)); }

// A text view filling a window, its text set and drawn once.
struct Scene {
  explicit Scene(const rt::String& text) {
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    view = rt::make<textview::DUDaviDira>(window->bounds());
    view->setFont(typeset::Font::systemFontOfSize(16));
    view->setText(text);
    window->addSubview(view);
    window->makeKeyAndVisible();
    host.renderFrame();
  }
  ~Scene() {
    window->setHidden(true);
    fd::RunLoopDriver::reset();
  }
  // The layout the view itself would build for its current text, built again from scratch.
  Ref<text::DRTextLayout> layoutOnce() const {
    auto copy = rt::as<typeset::MutableAttributedString>(view->attributedText()->mutableCopy());
    text::appendString(*copy, rt::String("\r"));
    return text::DRTextLayout::layoutWithContainer(view->innerContainer(), copy);
  }
  Ref<ui::Window> window;
  Ref<textview::DUDaviDira> view;
  ui::HeadlessHost host;
};

void BM_LayoutOnce(benchmark::State& state) {
  Scene scene(newsText(kLength));
  for (auto _ : state) benchmark::DoNotOptimize(scene.layoutOnce());
}
BENCHMARK(BM_LayoutOnce)->Unit(benchmark::kMillisecond);

void BM_TypeInTheMiddleToNextFrame(benchmark::State& state) {
  Scene scene(newsText(kLength));
  scene.view->setSelectedTextRange(text::DRTextRange::rangeWithRange({kLength / 2, 0}));
  scene.host.renderFrame();
  rt::String key("x");
  for (auto _ : state) {
    scene.view->insertText(key);
    scene.host.renderFrame();
  }
  if (scene.view->text().length() != kLength + size_t(state.iterations()))
    state.SkipWithError("a keystroke was lost");
}
BENCHMARK(BM_TypeInTheMiddleToNextFrame)->Unit(benchmark::kMillisecond);

// The same keystroke up to the new layout and selection, before anything is drawn.
void BM_TypeInTheMiddleToLayout(benchmark::State& state) {
  Scene scene(newsText(kLength));
  scene.view->setSelectedTextRange(text::DRTextRange::rangeWithRange({kLength / 2, 0}));
  scene.host.renderFrame();
  rt::String key("x");
  for (auto _ : state) scene.view->insertText(key);
  if (scene.view->text().length() != kLength + size_t(state.iterations()))
    state.SkipWithError("a keystroke was lost");
}
BENCHMARK(BM_TypeInTheMiddleToLayout)->Unit(benchmark::kMillisecond);

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Keystrokes at the end of a growing text, each through to its frame; the early and late
// medians, and the layout's own cost at the lengths those keystrokes met.
void BM_TypeThousandAtTheEnd(benchmark::State& state) {
  const size_t start = static_cast<size_t>(state.range(0));
  std::vector<double> early, late, layoutEarly, layoutLate, editEarly, editLate;
  for (auto _ : state) {
    Scene scene(newsText(start));
    scene.view->setSelectedTextRange(text::DRTextRange::rangeWithRange({start, 0}));
    std::vector<double> strokes, edits;
    for (int i = 0; i < kTyped; ++i) {
      rt::String key(std::u16string_view(&bench::kNewsSentences[1][i % 40], 1));
      auto t0 = Clock::now();
      scene.view->insertText(key);
      edits.push_back(since(t0));
      scene.host.renderFrame();
      strokes.push_back(since(t0));
      if (i < kSample || i >= kTyped - kSample) {
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(scene.layoutOnce());
        (i < kSample ? layoutEarly : layoutLate).push_back(since(t1));
      }
    }
    if (scene.view->text().length() != start + kTyped) state.SkipWithError("a keystroke was lost");
    early.insert(early.end(), strokes.begin(), strokes.begin() + kSample);
    late.insert(late.end(), strokes.end() - kSample, strokes.end());
    editEarly.insert(editEarly.end(), edits.begin(), edits.begin() + kSample);
    editLate.insert(editLate.end(), edits.end() - kSample, edits.end());
  }
  const double e = medianOf(early), l = medianOf(late), le = medianOf(layoutEarly), ll = medianOf(layoutLate);
  state.counters["stroke_early_ms"] = e * 1e3;
  state.counters["stroke_late_ms"] = l * 1e3;
  state.counters["layout_early_ms"] = le * 1e3;
  state.counters["layout_late_ms"] = ll * 1e3;
  state.counters["stroke_growth"] = e > 0 ? l / e : 0;
  state.counters["edit_early_ms"] = medianOf(editEarly) * 1e3;
  state.counters["edit_late_ms"] = medianOf(editLate) * 1e3;
  state.counters["layout_growth"] = le > 0 ? ll / le : 0;
}
BENCHMARK(BM_TypeThousandAtTheEnd)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

// Prints the growth ratios of the run that started from `start` characters.
class TypingReporter : public bench::RatioReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.benchmark_name().rfind("BM_TypeThousandAtTheEnd", 0) == 0) {
        auto get = [&](const char* k) {
          auto it = r.counters.find(k);
          return it == r.counters.end() ? 0.0 : double(it->second);
        };
        growth.push_back({r.benchmark_name(), get("stroke_early_ms"), get("stroke_late_ms"), get("layout_early_ms"),
                          get("layout_late_ms"), get("edit_early_ms"), get("edit_late_ms")});
      }
    RatioReporter::ReportRuns(runs);
  }
  struct Growth {
    std::string name;
    double strokeEarly, strokeLate, layoutEarly, layoutLate, editEarly, editLate;
  };
  std::vector<Growth> growth;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TypingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double layout = reporter.secondsFor("BM_LayoutOnce"),
               typed = reporter.secondsFor("BM_TypeInTheMiddleToNextFrame"),
               edited = reporter.secondsFor("BM_TypeInTheMiddleToLayout");
  if (layout > 0 && typed > 0)
    std::printf("one keystroke in the middle of %zu characters to the next frame / one layout of that text = %.3f "
                "(goal: at most 2)\n",
                kLength, typed / layout);
  if (layout > 0 && edited > 0)
    std::printf("the same keystroke up to its new layout and selection, before drawing / one layout = %.3f\n",
                edited / layout);
  for (const auto& g : reporter.growth)
    if (g.strokeEarly > 0 && g.layoutEarly > 0)
      std::printf("%s: keystroke cost grew %.3fx over %d characters typed at the end; the layout's own cost %.3fx "
                  "(goal: keystroke growth at most the layout's)\n",
                  g.name.c_str(), g.strokeLate / g.strokeEarly, kTyped, g.layoutLate / g.layoutEarly);
  for (const auto& g : reporter.growth)
    if (g.editEarly > 0)
      std::printf("%s: up to the new layout, before drawing, the keystroke cost grew %.3fx\n", g.name.c_str(),
                  g.editLate / g.editEarly);
  benchmark::Shutdown();
  return 0;
}
