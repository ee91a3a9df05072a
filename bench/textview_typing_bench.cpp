// Typing into the editable rich-text view on a phone screen (375x667 points, 2 pixels per
// point). One keystroke is an `insertText` of one character through to the next drawn frame.
// Two figures, each against its baseline in the same run:
//   - a character typed in the middle of a 10,000-character text, against building that
//     text's layout once in the view's own container;
//   - 1,000 characters typed at the end of an empty text: how much dearer the last hundred
//     keystrokes are than the first hundred, against how much dearer the layout of 1,000
//     characters is than that of 100.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/NewsSentences.h"
#include "bench/RatioReporter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "text/layout/DRTextLayout.h"
#include "textview/textview/DUDaviDira.h"

namespace {

constexpr size_t kDocumentLength = 10000;
constexpr int kTyped = 1000;
constexpr int kSample = 100;  // keystrokes averaged at each end of the 1,000

std::u16string newsText(size_t length) {
  std::u16string text;
  for (size_t i = 0; text.size() < length; ++i) text += bench::kNewsSentences[i % std::size(bench::kNewsSentences)];
  text.resize(length);
  return text;
}

Ref<typeset::AttributedString> styled(const std::u16string& text) {
  auto s = typeset::MutableAttributedString::create(rt::String(text));
  s->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(16), {0, s->length()});
  return s;
}

struct Editor {
  Editor() {
    ui::Screen::configureMainScreen({375, 667}, 2);
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    view = rt::make<textview::DUDaviDira>(window->bounds());
    view->setFont(typeset::Font::systemFontOfSize(16));
    window->addSubview(view);
    window->makeKeyAndVisible();
    view->becomeFirstResponder();
    host.renderFrame();
  }
  ~Editor() {
    view->resignFirstResponder();
    window->setHidden(true);
  }
  // One keystroke and the frame that shows it; milliseconds.
  double keystroke(const rt::String& character) {
    auto t0 = std::chrono::steady_clock::now();
    view->insertText(character);
    host.renderFrame();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  }

  Ref<ui::Window> window;
  Ref<textview::DUDaviDira> view;
  ui::HeadlessHost host;
};

void BM_TypeInTheMiddle(benchmark::State& state) {
  Editor editor;
  editor.view->setAttributedText(styled(newsText(kDocumentLength)));
  editor.view->setSelectedRange({kDocumentLength / 2, 0});
  editor.host.renderFrame();
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    editor.view->insertText(rt::String(u"字"));
    editor.host.renderFrame();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
}
BENCHMARK(BM_TypeInTheMiddle)->UseManualTime()->Iterations(60)->Repetitions(3)->Unit(benchmark::kMillisecond);

void BM_LayoutOnce(benchmark::State& state) {
  Editor editor;  // the view's container, sized as the view sizes it
  auto text = styled(newsText(kDocumentLength));
  editor.view->setAttributedText(text);
  editor.host.renderFrame();
  auto container = editor.view->innerContainer();
  std::fprintf(stderr, "container %.1f x %.1f, layout rows %zu\n", container->size().width, container->size().height, text::DRTextLayout::layoutWithContainer(container, text)->lines().size());
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    auto layout = text::DRTextLayout::layoutWithContainer(container, text);
    benchmark::DoNotOptimize(layout);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
}
BENCHMARK(BM_LayoutOnce)->UseManualTime()->Iterations(60)->Repetitions(3)->Unit(benchmark::kMillisecond);

// Per-keystroke milliseconds at the start and the end of a 1,000-character session, and the
// layout of the text at those two lengths.
struct Growth {
  double firstKeys = 0, lastKeys = 0, layoutShort = 0, layoutLong = 0;
};
std::vector<Growth> growthRuns;

double layoutMs(const Ref<text::DRTextContainer>& container, const std::u16string& text, int times) {
  auto s = styled(text);
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < times; ++i) benchmark::DoNotOptimize(text::DRTextLayout::layoutWithContainer(container, s));
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / times;
}

void BM_TypeAThousandAtTheEnd(benchmark::State& state) {
  Growth g;
  for (auto _ : state) {
    Editor editor;
    const std::u16string typed = newsText(kTyped);
    double first = 0, last = 0;
    for (int i = 0; i < kTyped; ++i) {
      double ms = editor.keystroke(rt::String(typed.substr(i, 1)));
      if (i < kSample) first += ms;
      if (i >= kTyped - kSample) last += ms;
    }
    if (editor.view->text().length() != kTyped) state.SkipWithError("the typed text is not all there");
    g.firstKeys = first / kSample;
    g.lastKeys = last / kSample;
    g.layoutShort = layoutMs(editor.view->innerContainer(), typed.substr(0, kSample), 20);
    g.layoutLong = layoutMs(editor.view->innerContainer(), typed, 20);
  }
  growthRuns.push_back(g);
  state.counters["first_100_ms_per_key"] = g.firstKeys;
  state.counters["last_100_ms_per_key"] = g.lastKeys;
}
BENCHMARK(BM_TypeAThousandAtTheEnd)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

double medianOf(double Growth::*field) {
  std::vector<double> v;
  for (const auto& g : growthRuns) v.push_back(g.*field);
  return bench::median(v);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  fd::RunLoopDriver::useVirtualClock();  // frames and timers without waiting on the wall clock
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double typing = reporter.realSecondsFor("BM_TypeInTheMiddle");
  const double layout = reporter.realSecondsFor("BM_LayoutOnce");
  if (typing > 0 && layout > 0)
    std::printf("keystroke in the middle of %zu characters to the next frame: %.3f ms, layout once: %.3f ms, "
                "keystroke / layout = %.2f\n",
                kDocumentLength, typing * 1e3, layout * 1e3, typing / layout);
  const double firstKeys = medianOf(&Growth::firstKeys), lastKeys = medianOf(&Growth::lastKeys);
  const double layoutShort = medianOf(&Growth::layoutShort), layoutLong = medianOf(&Growth::layoutLong);
  if (firstKeys > 0 && layoutShort > 0)
    std::printf("typing %d characters at the end: first %d keys %.3f ms each, last %d keys %.3f ms each, growth %.2f; "
                "layout of %d characters %.3f ms, of %d characters %.3f ms, growth %.2f\n",
                kTyped, kSample, firstKeys, kSample, lastKeys, lastKeys / firstKeys, kSample, layoutShort, kTyped,
                layoutLong, layoutLong / layoutShort);
  return 0;
}
