// Laying out a 10,000-character mixed Chinese/Latin document into lines of a fixed width,
// against shaping the same font-fallback runs with the same fonts through HarfBuzz alone.
// Both sides run with warm font and fallback caches; the layout side also itemises, finds
// break opportunities, cuts lines and builds their runs.
#include <benchmark/benchmark.h>
#include <hb.h>

#include <ctime>
#include <vector>

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Typesetter.h"

namespace {

using namespace typeset;

constexpr double kLineWidth = 320;

const Ref<AttributedString>& document() {
  static const Ref<AttributedString> doc = [] {
    const char16_t* sentences[] = {
        u"区政府今天宣布，新的公共交通计划将于明年春季开始实施。",
        u"The new bus routes connect the old town with the river district in under 15 minutes. ",
        u"市民可以通过手机应用查询实时到站信息，并在线购买月票。",
        u"Officials said the pilot, costing about 2.4 million, will be reviewed after 6 months. ",
        u"记者在现场看到，许多居民对这一变化表示欢迎，也有人担心施工带来的噪音。",
        u"Read more at the district news channel, updated every day at 08:00. ",
    };
    rt::String text;
    for (size_t i = 0; text.length() < 10000; ++i) text += sentences[i % std::size(sentences)];
    text = text.substring(0, 10000);
    auto attrs = fd::Dictionary::withStrings({{FontAttributeName, Font::fontWithName("DejaVu Sans", 15)}});
    return AttributedString::create(text, attrs);
  }();
  return doc;
}

// One layout pass: itemise, shape, find the breaks, cut the lines and build their runs, with
// every run's glyph positions read as drawing would (runs make those arrays on first use).
size_t layOutLines(const AttributedString& doc) {
  auto ts = Typesetter::create(doc);
  size_t lines = 0;
  for (size_t pos = 0; pos < ts->length();) {
    size_t n = ts->suggestLineBreak(pos, kLineWidth);
    auto line = ts->createLine(Range{pos, n});
    benchmark::DoNotOptimize(line->width());
    for (const auto& run : line->glyphRuns()) benchmark::DoNotOptimize(run->positions().data());
    pos += n;
    ++lines;
  }
  return lines;
}

// The fallback runs as the typesetter finds them, taken once outside the timing.
struct ShapingItem {
  unsigned start, length;
  hb_font_t* font;
  hb_direction_t direction;
};

std::vector<ShapingItem> shapingItems(const AttributedString& doc) {
  auto shaped = Typesetter::create(doc)->shapedText();
  std::vector<ShapingItem> items;
  for (const auto& it : shaped->items)
    items.push_back({it.start, it.end - it.start, it.font->face()->hbFont(),
                     it.rightToLeft() ? HB_DIRECTION_RTL : HB_DIRECTION_LTR});
  return items;
}

// The same runs through HarfBuzz alone, into one reused buffer.
unsigned shapeOnly(const AttributedString& doc, const std::vector<ShapingItem>& items, hb_buffer_t* buf) {
  const auto* text = reinterpret_cast<const uint16_t*>(doc.string().data());
  int length = static_cast<int>(doc.length());
  unsigned glyphs = 0;
  for (const ShapingItem& it : items) {
    hb_buffer_clear_contents(buf);
    hb_buffer_add_utf16(buf, text, length, it.start, static_cast<int>(it.length));
    hb_buffer_set_direction(buf, it.direction);
    hb_buffer_guess_segment_properties(buf);
    hb_shape(it.font, buf, nullptr, 0);
    glyphs += hb_buffer_get_length(buf);
  }
  return glyphs;
}

void BM_LayoutLines(benchmark::State& state) {
  const auto& doc = document();
  size_t lines = 0;
  for (auto _ : state) lines = layOutLines(*doc);
  state.counters["lines"] = static_cast<double>(lines);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(doc->length()));
}
BENCHMARK(BM_LayoutLines)->Unit(benchmark::kMicrosecond);

void BM_HarfBuzzShapingOnly(benchmark::State& state) {
  const auto& doc = document();
  auto items = shapingItems(*doc);
  hb_buffer_t* buf = hb_buffer_create();
  for (auto _ : state) benchmark::DoNotOptimize(shapeOnly(*doc, items, buf));
  hb_buffer_destroy(buf);
  state.counters["runs"] = static_cast<double>(items.size());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(doc->length()));
}
BENCHMARK(BM_HarfBuzzShapingOnly)->Unit(benchmark::kMicrosecond);

double threadCpuMicroseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// Both sides in every iteration, in alternating order, each on the thread's CPU clock: other
// work on the machine then weighs on both alike, and their ratio holds still where the two
// benchmarks above, run minutes apart, drift with the load.
void BM_LayoutOverShaping(benchmark::State& state) {
  const auto& doc = document();
  auto items = shapingItems(*doc);
  hb_buffer_t* buf = hb_buffer_create();
  double layout = 0, shaping = 0;
  bool layoutFirst = true;
  for (auto _ : state) {
    double t0 = threadCpuMicroseconds();
    if (layoutFirst) benchmark::DoNotOptimize(layOutLines(*doc));
    else benchmark::DoNotOptimize(shapeOnly(*doc, items, buf));
    double t1 = threadCpuMicroseconds();
    if (layoutFirst) benchmark::DoNotOptimize(shapeOnly(*doc, items, buf));
    else benchmark::DoNotOptimize(layOutLines(*doc));
    double t2 = threadCpuMicroseconds();
    layout += layoutFirst ? t1 - t0 : t2 - t1;
    shaping += layoutFirst ? t2 - t1 : t1 - t0;
    layoutFirst = !layoutFirst;
  }
  hb_buffer_destroy(buf);
  state.counters["layout_us"] = benchmark::Counter(layout, benchmark::Counter::kAvgIterations);
  state.counters["shaping_us"] = benchmark::Counter(shaping, benchmark::Counter::kAvgIterations);
  state.counters["ratio"] = shaping > 0 ? layout / shaping : 0;
}
BENCHMARK(BM_LayoutOverShaping)->Unit(benchmark::kMicrosecond);

}  // namespace
