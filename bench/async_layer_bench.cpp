// The asynchronous display layer's main-thread time per display against drawing the same
// contents synchronously on the main thread: a column of styled news text, laid out and drawn
// inside the display block as the label does. CPU times are the benchmark thread's (the main
// thread's) own; the asynchronous case waits, without spinning, for its commit.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/RatioReporter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/StringDrawing.h"
#include "text/parsers/DRTextSimpleMarkdownParser.h"
#include "textview/display/DRAsyncLayer.h"

namespace {

using textview::DRAsyncLayer;
using textview::DRAsyncLayerDisplayTask;

Ref<typeset::AttributedString> contents() {
  std::string plain;
  for (int i = 0; i < 6; i++) {
    plain += "## The district " + std::to_string(i) + "\n";
    plain += "The *council* met on **Monday** about the `bridge`, the market and the [library](http://x.invalid). "
             "Readers asked about the traffic near the station, the school garden and the festival next week; "
             "the answers come in ~~Friday's~~ Saturday's paper.\n\n";
  }
  auto text = typeset::MutableAttributedString::create(rt::String(plain));
  rt::make<text::DRTextSimpleMarkdownParser>()->parseText(*text, nullptr);
  return text;
}

class Painter : public ui::LayerDelegate, public textview::DRAsyncLayerDelegate {
 public:
  Ref<typeset::AttributedString> text = contents();
  size_t finished = 0;  // main thread only

  Ref<DRAsyncLayerDisplayTask> newAsyncDisplayTask() override {
    auto task = rt::make<DRAsyncLayerDisplayTask>();
    auto drawn = text;
    task->display = [drawn](const Ref<gfx::Context>& ctx, gfx::Size size, const std::function<bool()>& isCancelled) {
      if (!ctx || isCancelled()) return;
      ctx->setFillColor(gfx::Color::colorWithWhite(1, 1));
      ctx->fillRect({{0, 0}, size});
      typeset::drawInRect(*drawn, *ctx, {{8, 8}, {size.width - 16, size.height - 16}});
    };
    task->didDisplay = [this](ui::Layer&, bool done) { finished += done; };
    return task;
  }
};

struct Fixture {
  std::shared_ptr<Painter> painter = std::make_shared<Painter>();
  Ref<DRAsyncLayer> layer = rt::make<DRAsyncLayer>();
  explicit Fixture(bool async) {
    layer->setDelegate(std::static_pointer_cast<ui::LayerDelegate>(painter));
    layer->setBounds({{0, 0}, {360, 640}});
    layer->setDisplaysAsynchronously(async);
  }
  ~Fixture() { fd::RunLoopDriver::reset(); }
};

void BM_SynchronousDisplay(benchmark::State& state) {
  Fixture f(false);
  for (auto _ : state) {
    f.layer->setNeedsDisplay();
    f.layer->display();
  }
  if (f.painter->finished != size_t(state.iterations())) state.SkipWithError("a display did not finish");
}
BENCHMARK(BM_SynchronousDisplay)->Unit(benchmark::kMillisecond);

void BM_AsynchronousDisplayMainThread(benchmark::State& state) {
  Fixture f(true);
  size_t expected = 0;
  for (auto _ : state) {
    f.layer->setNeedsDisplay();
    f.layer->display();
    expected++;
    if (!fd::RunLoopDriver::runUntil([&] { return f.painter->finished >= expected; }, 10)) {
      state.SkipWithError("a display did not land");
      break;
    }
  }
}
BENCHMARK(BM_AsynchronousDisplayMainThread)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double sync = reporter.secondsFor("BM_SynchronousDisplay"),
               async = reporter.secondsFor("BM_AsynchronousDisplayMainThread");
  if (sync > 0 && async > 0)
    std::printf("asynchronous main-thread time per display / synchronous drawing = %.3f (goal: at most 0.1)\n",
                async / sync);
  benchmark::Shutdown();
  return 0;
}
