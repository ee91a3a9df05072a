// Data detection with all four types over a Chinese news text of 100 KB, against one ICU
// regular-expression pass of a link pattern alone over the same text; and the same detection
// over 1 MB, to see that the cost grows with the text and no faster.
#include <benchmark/benchmark.h>
#include <unicode/regex.h>

#include <cstdio>
#include <memory>

#include "bench/RatioReporter.h"
#include "platform/foundation/text/IcuText.h"
#include "platform/ui/input/detectors/DataDetector.h"

namespace {

/// News paragraphs with a date, a place, a phone number and a link in some of them, repeated
/// to `units` UTF-16 units (two bytes each).
rt::String newsText(size_t units) {
  const char16_t* paragraphs[] = {
      u"记者从市交通局获悉，2026年12月10日起，城区将新开通三条公交线路，方便市民出行。",
      u"活动定于12月12日下午3点在北京市朝阳区建国路88号举行，咨询电话13800138000。",
      u"详情请访问 https://news.example.com/2026/12/transport.html 或致电010-12345678。",
      u"据介绍，新线路采用纯电动车辆，全程约十五公里，沿途设站二十余个，预计日客流量超过一万人次。",
      u"The district office said on Dec 10, 2026 that the routes would be reviewed after six months. ",
      u"有关部门表示，将根据运营情况及时调整班次，并通过官方网站和社交媒体发布最新信息。",
  };
  rt::String text;
  for (size_t i = 0; text.length() < units; ++i) text += paragraphs[i % std::size(paragraphs)];
  return text.substring(0, units);
}

const rt::String& text100k() {
  static const rt::String t = newsText(50 * 1024);
  return t;
}
const rt::String& text1m() {
  static const rt::String t = newsText(512 * 1024);
  return t;
}

void BM_DetectAll100KB(benchmark::State& state) {
  auto detector = ui::DataDetector::dataDetectorWithTypes(ui::kDataDetectorAllTypes);
  for (auto _ : state) benchmark::DoNotOptimize(detector->matchesInString(text100k()).size());
}
BENCHMARK(BM_DetectAll100KB)->Unit(benchmark::kMillisecond);

void BM_LinkRegex100KB(benchmark::State& state) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError pe;
  std::unique_ptr<icu::RegexPattern> pattern(icu::RegexPattern::compile(
      u"\\b(?:https?://|www\\.)[A-Za-z0-9\\-._~:/?#\\[\\]@!$&'()*+,;=%]+", UREGEX_CASE_INSENSITIVE, pe, status));
  icu::UnicodeString input = fd::icutext::alias(text100k());
  for (auto _ : state) {
    std::unique_ptr<icu::RegexMatcher> m(pattern->matcher(input, status));
    size_t n = 0;
    while (m->find(status)) ++n;
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_LinkRegex100KB)->Unit(benchmark::kMillisecond);

void BM_DetectAll1MB(benchmark::State& state) {
  auto detector = ui::DataDetector::dataDetectorWithTypes(ui::kDataDetectorAllTypes);
  for (auto _ : state) benchmark::DoNotOptimize(detector->matchesInString(text1m()).size());
}
BENCHMARK(BM_DetectAll1MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double all = reporter.secondsFor("BM_DetectAll100KB"), link = reporter.secondsFor("BM_LinkRegex100KB"),
         big = reporter.secondsFor("BM_DetectAll1MB");
  if (all > 0 && link > 0 && big > 0)
    std::printf("all four types / link regex alone (100 KB) = %.2f; 1 MB / 100 KB = %.2f\n", all / link, big / all);
  benchmark::Shutdown();
  return 0;
}
