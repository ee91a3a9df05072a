// Laying out a 10,000-character mixed Chinese/Latin document into lines of a fixed width,
// against shaping the same font-fallback runs with the same fonts through HarfBuzz alone.
// Both sides run with warm font and fallback caches; the layout side also itemises, finds
// break opportunities, cuts lines and builds their runs.
#include <benchmark/benchmark.h>
#include <hb.h>

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

void BM_LayoutLines(benchmark::State& state) {
  const auto& doc = document();
  size_t lines = 0;
  for (auto _ : state) {
    auto ts = Typesetter::create(*doc);
    lines = 0;
    for (size_t pos = 0; pos < ts->length();) {
      size_t n = ts->suggestLineBreak(pos, kLineWidth);
      auto line = ts->createLine(Range{pos, n});
      benchmark::DoNotOptimize(line->width());
      pos += n;
      ++lines;
    }
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(doc->length()));
}
BENCHMARK(BM_LayoutLines)->Unit(benchmark::kMicrosecond);

void BM_HarfBuzzShapingOnly(benchmark::State& state) {
  const auto& doc = document();
  // The fallback runs as the typesetter finds them, taken once outside the timing.
  auto shaped = Typesetter::create(*doc)->shapedText();
  struct Item {
    unsigned start, length;
    hb_font_t* font;
    hb_direction_t direction;
  };
  std::vector<Item> items;
  for (const auto& it : shaped->items)
    items.push_back({it.start, it.end - it.start, it.font->face()->hbFont(),
                     it.rightToLeft() ? HB_DIRECTION_RTL : HB_DIRECTION_LTR});
  const auto* text = reinterpret_cast<const uint16_t*>(doc->string().data());
  int length = static_cast<int>(doc->length());
  hb_buffer_t* buf = hb_buffer_create();
  for (auto _ : state) {
    unsigned glyphs = 0;
    for (const Item& it : items) {
      hb_buffer_clear_contents(buf);
      hb_buffer_add_utf16(buf, text, length, it.start, static_cast<int>(it.length));
      hb_buffer_set_direction(buf, it.direction);
      hb_buffer_guess_segment_properties(buf);
      hb_shape(it.font, buf, nullptr, 0);
      glyphs += hb_buffer_get_length(buf);
    }
    benchmark::DoNotOptimize(glyphs);
  }
  hb_buffer_destroy(buf);
  state.counters["runs"] = static_cast<double>(items.size());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(doc->length()));
}
BENCHMARK(BM_HarfBuzzShapingOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
