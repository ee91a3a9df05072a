// The text engine against a general text layout library and against itself:
// - a 20,000-character mixed Chinese/Latin text (paragraphs, one font and size) set in a
//   375-point-wide frame, beside the baseline library setting the same text at the same
//   width with the same font;
// - the same text in a frame of columns against the horizontal frame;
// - one screen of laid-out lines (about 700 glyphs) drawn glyph by glyph through the context's
//   glyph call, against the runs' outlines filled whole as one path each.
// Each pair runs inside one benchmark, alternating, on the thread's CPU clock, so load on the
// machine weighs on both sides alike.
#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <ctime>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Framesetter.h"

namespace {

using namespace typeset;

constexpr double kWidth = 375;
constexpr double kSize = 15;
const char* kFamily = "DejaVu Sans";

const rt::String& documentText() {
  static const rt::String text = [] {
    const char16_t* sentences[] = {
        u"区政府今天宣布，新的公共交通计划将于明年春季开始实施。",
        u"The new bus routes connect the old town with the river district in under 15 minutes. ",
        u"市民可以通过手机应用查询实时到站信息，并在线购买月票。",
        u"Officials said the pilot, costing about 2.4 million, will be reviewed after 6 months. ",
        u"记者在现场看到，许多居民对这一变化表示欢迎，也有人担心施工带来的噪音。\n",
        u"Read more at the district news channel, updated every day at 08:00.\n",
    };
    rt::String t;
    for (size_t i = 0; t.length() < 20000; ++i) t += sentences[i % std::size(sentences)];
    return t.substring(0, 20000);
  }();
  return text;
}

Ref<AttributedString> document(bool vertical) {
  auto s = MutableAttributedString::create(documentText(), fd::Dictionary::withStrings({{FontAttributeName, Font::fontWithName(kFamily, kSize)}}));
  if (vertical) s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, s->length()});
  return s;
}

double cpuMicroseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

size_t frameLines(const AttributedString& doc, bool vertical) {
  auto fs = Framesetter::create(doc);
  Ref<fd::Dictionary> attrs;
  gfx::Rect box = gfx::RectMake(0, 0, kWidth, 1e7);
  if (vertical) {
    attrs = fd::Dictionary::withStrings({{FrameProgressionAttributeName, fd::Number::numberWithInt(1)}});
    box = gfx::RectMake(0, 0, 1e7, kWidth);
  }
  auto frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(box), attrs);
  for (const auto& line : frame->lines())
    for (const auto& run : line->glyphRuns()) benchmark::DoNotOptimize(run->positions().data());
  return frame->lines().size();
}

struct PangoSide {
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* context = pango_font_map_create_context(map);
  PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans");
  std::string utf8 = documentText().utf8();
  PangoSide() {
    // Points at 72 per inch, as the typesetter measures.
    pango_cairo_context_set_resolution(context, 72);
    pango_font_description_set_absolute_size(font, kSize * PANGO_SCALE);
  }
  ~PangoSide() {
    pango_font_description_free(font);
    g_object_unref(context);
    g_object_unref(map);
  }
  int layOut() const {
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_width(layout, static_cast<int>(kWidth * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    int lines = pango_layout_get_line_count(layout);
    g_object_unref(layout);
    return lines;
  }
};

void BM_FrameOverPango(benchmark::State& state) {
  auto doc = document(false);
  PangoSide pango;
  double ours = 0, theirs = 0;
  size_t lines = 0;
  int pangoLines = 0;
  bool oursFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      bool mine = (side == 0) == oursFirst;
      double t0 = cpuMicroseconds();
      if (mine) lines = frameLines(*doc, false);
      else pangoLines = pango.layOut();
      (mine ? ours : theirs) += cpuMicroseconds() - t0;
    }
    oursFirst = !oursFirst;
  }
  state.counters["ours_us"] = benchmark::Counter(ours, benchmark::Counter::kAvgIterations);
  state.counters["pango_us"] = benchmark::Counter(theirs, benchmark::Counter::kAvgIterations);
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["pango_lines"] = pangoLines;
  state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
}
BENCHMARK(BM_FrameOverPango)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_VerticalOverHorizontal(benchmark::State& state) {
  auto h = document(false), v = document(true);
  double horizontal = 0, vertical = 0;
  size_t hl = 0, vl = 0;
  bool vFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      bool vert = (side == 0) == vFirst;
      double t0 = cpuMicroseconds();
      if (vert) vl = frameLines(*v, true);
      else hl = frameLines(*h, false);
      (vert ? vertical : horizontal) += cpuMicroseconds() - t0;
    }
    vFirst = !vFirst;
  }
  state.counters["vertical_us"] = benchmark::Counter(vertical, benchmark::Counter::kAvgIterations);
  state.counters["horizontal_us"] = benchmark::Counter(horizontal, benchmark::Counter::kAvgIterations);
  state.counters["lines_v"] = static_cast<double>(vl);
  state.counters["lines_h"] = static_cast<double>(hl);
  state.counters["ratio"] = horizontal > 0 ? vertical / horizontal : 0;
}
BENCHMARK(BM_VerticalOverHorizontal)->Unit(benchmark::kMillisecond)->MinTime(2);

// One screen: the first lines of the document, 375 x 667 points at scale 2.
struct Screen {
  Ref<Frame> frame;
  size_t glyphs = 0;
  Screen() {
    auto doc = document(false);
    auto fs = Framesetter::create(*doc);
    frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, kWidth, 667)));
    for (const auto& line : frame->lines()) glyphs += line->glyphCount();
  }
};

void drawGlyphByGlyph(gfx::Context& ctx, const Screen& s) {
  auto origins = s.frame->lineOrigins();
  for (size_t i = 0; i < s.frame->lines().size(); ++i)
    for (const auto& run : s.frame->lines()[i]->glyphRuns()) {
      ctx.setFont(run->font()->face());
      ctx.setFontSize(run->font()->pointSize());
      ctx.setTextPosition(origins[i].x, origins[i].y);
      const auto& gs = run->glyphs();
      const auto& ps = run->positions();
      for (size_t k = 0; k < gs.size(); ++k) ctx.showGlyphsAtPositions(&gs[k], &ps[k], 1);
    }
}

// The runs drawn as they were before the context had glyph calls: each run's outlines one path.
void drawRunsWhole(gfx::Context& ctx, const Screen& s) {
  auto origins = s.frame->lineOrigins();
  for (size_t i = 0; i < s.frame->lines().size(); ++i)
    for (const auto& run : s.frame->lines()[i]->glyphRuns()) {
      ctx.saveGState();
      ctx.translateCTM(origins[i].x, origins[i].y);
      auto path = run->glyphPath(Range{0, 0});
      ctx.beginPath();
      ctx.addPath(*path);
      ctx.fillPath();
      ctx.restoreGState();
    }
}

void BM_GlyphCallsOverWholeRuns(benchmark::State& state) {
  Screen screen;
  auto a = gfx::Context::createForImage({kWidth, 667}, false, 2);
  auto b = gfx::Context::createForImage({kWidth, 667}, false, 2);
  for (auto& c : {a, b}) {
    c->translateCTM(0, 667);
    c->scaleCTM(1, -1);
    c->setRGBFillColor(0, 0, 0, 1);
  }
  double glyphwise = 0, whole = 0;
  bool glyphFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      bool g = (side == 0) == glyphFirst;
      double t0 = cpuMicroseconds();
      if (g) drawGlyphByGlyph(*a, screen);
      else drawRunsWhole(*b, screen);
      (g ? glyphwise : whole) += cpuMicroseconds() - t0;
    }
    glyphFirst = !glyphFirst;
  }
  state.counters["glyphwise_us"] = benchmark::Counter(glyphwise, benchmark::Counter::kAvgIterations);
  state.counters["whole_us"] = benchmark::Counter(whole, benchmark::Counter::kAvgIterations);
  state.counters["glyphs"] = static_cast<double>(screen.glyphs);
  state.counters["ratio"] = whole > 0 ? glyphwise / whole : 0;
}
BENCHMARK(BM_GlyphCallsOverWholeRuns)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
