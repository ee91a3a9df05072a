// Typed attribute setters against the platform's own add-attribute calls: a font and a
// colour over each of 10,000 ranges of a 1 MB attributed string.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/RatioReporter.h"
#include "text/model/MutableAttributedString+DRText.h"

namespace {

constexpr size_t kLength = 512 * 1024;  // UTF-16 units: 1 MB
constexpr size_t kRanges = 10000;

Ref<typeset::MutableAttributedString> megabyte() {
  std::u16string text(kLength, u'x');
  for (size_t i = 0; i < kLength; i += 7) text[i] = u' ';
  return typeset::MutableAttributedString::create(rt::String(text));
}

rt::Range rangeAt(size_t i) {
  const size_t step = kLength / kRanges;
  return {i * step, step / 2 + i % 5};
}

void BM_TypedSetters(benchmark::State& state) {
  auto font = typeset::Font::systemFontOfSize(15);
  auto color = gfx::Color::colorWithRed(0.2, 0.3, 0.4, 1);
  for (auto _ : state) {
    state.PauseTiming();
    auto s = megabyte();
    state.ResumeTiming();
    for (size_t i = 0; i < kRanges; ++i) {
      text::setFont(*s, font, rangeAt(i));
      text::setColor(*s, color, rangeAt(i));
    }
    benchmark::DoNotOptimize(s->runCount());
  }
}
BENCHMARK(BM_TypedSetters)->Unit(benchmark::kMillisecond);

void BM_PlatformAddAttribute(benchmark::State& state) {
  auto font = typeset::Font::systemFontOfSize(15);
  auto color = gfx::Color::colorWithRed(0.2, 0.3, 0.4, 1);
  for (auto _ : state) {
    state.PauseTiming();
    auto s = megabyte();
    state.ResumeTiming();
    for (size_t i = 0; i < kRanges; ++i) {
      s->addAttribute(typeset::FontAttributeName, font, rangeAt(i));
      s->addAttribute(typeset::ForegroundColorAttributeName, color, rangeAt(i));
    }
    benchmark::DoNotOptimize(s->runCount());
  }
}
BENCHMARK(BM_PlatformAddAttribute)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double typed = reporter.secondsFor("BM_TypedSetters"), platform = reporter.secondsFor("BM_PlatformAddAttribute");
  if (typed > 0 && platform > 0)
    std::printf("typed font and colour setters / platform add-attribute = %.2f\n", typed / platform);
  benchmark::Shutdown();
  return 0;
}
