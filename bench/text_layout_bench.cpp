// Building rich-text layouts of a mixed Chinese/Latin document (a few fonts and colours, one
// attachment per paragraph) in a 375-point container, against the framesetter alone on the
// same text and against Pango on the same plain text; the same text in vertical form; and
// the cost at ten times the length. Then hit testing: the closest text position to a point
// in layouts of 1,000 and 10,000 lines, and its cost against building the layout once.
// Each pair runs inside every iteration in alternating order on the thread's CPU clock, so
// that load on the machine weighs on both sides alike. Against Pango there are two pairings:
// call by call, where each side starts with its data (shaped glyphs, font tables, the
// allocator's free memory) pushed out of the processor's caches by the other; and in blocks,
// where each side runs several times in a row and its first run after the other side is not
// counted, as an app that lays out text does so with its own data warm. Each side also
// reports the page faults it takes (a_faults, b_faults): memory the allocator gave back to
// the system and that the next layout must fault in again, dear on a virtual machine.
#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <random>

#include <sys/resource.h>

#include "bench/NewsSentences.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Color.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Framesetter.h"
#include "platform/typeset/RunDelegate.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"

namespace {

using namespace typeset;

constexpr double kWidth = 375;
constexpr double kTall = 1e6;

using bench::kNewsSentences;

rt::String plainText(size_t length) {
  rt::String text;
  for (size_t i = 0; text.length() < length; ++i) text += kNewsSentences[i % std::size(kNewsSentences)];
  return text.substring(0, length);
}

double boxMetric(void*) { return 16; }

// Fonts and colours by sentence; each paragraph starts with an attachment box.
Ref<AttributedString> richText(size_t length) {
  const rt::String text = plainText(length);
  auto doc = MutableAttributedString::create(text, fd::Dictionary::withStrings({{FontAttributeName, Font::fontWithName("DejaVu Sans", 15)}}));
  const Ref<Font> fonts[] = {Font::fontWithName("Noto Sans CJK SC", 15), Font::fontWithName("DejaVu Sans", 14),
                             Font::fontWithName("Noto Sans CJK SC", 16)};
  const Ref<gfx::Color> colours[] = {gfx::Color::blackColor(), gfx::Color::redColor(), gfx::Color::blueColor()};
  RunDelegateCallbacks cb;
  cb.getAscent = boxMetric;
  cb.getDescent = [](void*) { return 4.0; };
  cb.getWidth = boxMetric;
  auto delegate = RunDelegate::create(cb, nullptr);
  size_t start = 0, k = 0;
  bool paragraphStart = true;
  for (size_t i = 0; i <= text.length(); ++i) {
    const bool end = i == text.length() || text[i] == u'。' || text[i] == u'.' || text[i] == u'\n';
    if (!end) continue;
    const size_t stop = std::min(i + 1, text.length());
    if (stop > start) {
      doc->addAttribute(FontAttributeName, fonts[k % 3], Range{start, stop - start});
      doc->addAttribute(ForegroundColorAttributeName, colours[k % 3], Range{start, stop - start});
      if (paragraphStart) {
        doc->replaceCharactersInRange(Range{start, 1}, rt::String(text::DRTextObjectReplacementString));
        doc->addAttribute(CTRunDelegateAttributeName, delegate, Range{start, 1});
        doc->addAttribute(text::DRTextAttachmentKey, text::DRTextAttachment::attachmentWithContent(nullptr), Range{start, 1});
      }
      paragraphStart = i < text.length() && text[i] == u'\n';
      ++k;
    }
    start = stop;
  }
  return doc;
}

struct Documents {
  Ref<AttributedString> rich;
  std::string plainUtf8;
};

const Documents& documents(size_t length) {
  static std::map<size_t, Documents> cache;
  auto it = cache.find(length);
  if (it == cache.end()) it = cache.emplace(length, Documents{richText(length), plainText(length).utf8()}).first;
  return it->second;
}

size_t layOut(const Ref<AttributedString>& doc, bool vertical) {
  auto c = text::DRTextContainer::containerWithSize(vertical ? gfx::Size{kTall, kWidth} : gfx::Size{kWidth, kTall});
  c->setVerticalForm(vertical);
  auto layout = text::DRTextLayout::layoutWithContainer(c, doc);
  return layout ? layout->lines().size() : 0;
}

size_t framesetterOnly(const Ref<AttributedString>& doc) {
  auto fs = Framesetter::create(*doc);
  auto frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, kWidth, kTall)));
  return frame->lines().size();
}

// Pango with the same wrapping width, made fresh each time as a layout is.
int pangoLayout(PangoContext* context, const PangoFontDescription* font, const std::string& text) {
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_width(layout, static_cast<int>(kWidth * PANGO_SCALE));
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  int lines = pango_layout_get_line_count(layout);
  int w = 0, h = 0;
  pango_layout_get_size(layout, &w, &h);
  benchmark::DoNotOptimize(h);
  g_object_unref(layout);
  return lines;
}

double threadFaults() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return static_cast<double>(u.ru_minflt + u.ru_majflt);
}

double threadCpuMicroseconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// Runs `a` and `b` in every iteration, in alternating order, and reports their mean times
// and the ratio a / b.
template <class A, class B>
void paired(benchmark::State& state, A a, B b) {
  double ta = 0, tb = 0, fa = 0, fb = 0;
  bool aFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool runA = (side == 0) == aFirst;
      const double f0 = threadFaults();
      const double t0 = threadCpuMicroseconds();
      if (runA) benchmark::DoNotOptimize(a());
      else benchmark::DoNotOptimize(b());
      (runA ? ta : tb) += threadCpuMicroseconds() - t0;
      (runA ? fa : fb) += threadFaults() - f0;
    }
    aFirst = !aFirst;
  }
  state.counters["a_faults"] = benchmark::Counter(fa, benchmark::Counter::kAvgIterations);
  state.counters["b_faults"] = benchmark::Counter(fb, benchmark::Counter::kAvgIterations);
  state.counters["a_us"] = benchmark::Counter(ta, benchmark::Counter::kAvgIterations);
  state.counters["b_us"] = benchmark::Counter(tb, benchmark::Counter::kAvgIterations);
  state.counters["ratio"] = tb > 0 ? ta / tb : 0;
}

// Runs `a` then `b` (or `b` then `a`, alternately) `runs` times each per iteration, counting
// all but the first run of each block, and reports the mean time of one run and a / b.
template <class A, class B>
void pairedWarm(benchmark::State& state, int runs, A a, B b) {
  double ta = 0, tb = 0, fa = 0, fb = 0;
  int64_t counted = 0;
  bool aFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool runA = (side == 0) == aFirst;
      for (int k = 0; k < runs; ++k) {
        const double f0 = threadFaults();
        const double t0 = threadCpuMicroseconds();
        if (runA) benchmark::DoNotOptimize(a());
        else benchmark::DoNotOptimize(b());
        if (k > 0) (runA ? ta : tb) += threadCpuMicroseconds() - t0;
        if (k > 0) (runA ? fa : fb) += threadFaults() - f0;
      }
    }
    counted += runs - 1;
    aFirst = !aFirst;
  }
  const double n = counted > 0 ? static_cast<double>(counted) : 1;
  state.counters["a_faults"] = fa / n;
  state.counters["b_faults"] = fb / n;
  state.counters["a_us"] = ta / n;
  state.counters["b_us"] = tb / n;
  state.counters["ratio"] = tb > 0 ? ta / tb : 0;
}

// a: the layout; b: the framesetter alone on the same attributed text.
void BM_LayoutOverFramesetter(benchmark::State& state) {
  const auto& d = documents(20000);
  paired(state, [&] { return layOut(d.rich, false); }, [&] { return framesetterOnly(d.rich); });
}
BENCHMARK(BM_LayoutOverFramesetter)->Unit(benchmark::kMillisecond)->MinTime(1);

// a: the layout; b: Pango on the same plain text. Argument: runs of each side in a row; 1 is
// the call-by-call pairing, more are the warm blocks.
void BM_LayoutOverPango(benchmark::State& state) {
  const auto& d = documents(20000);
  // A font map of its own, released at the end: fontconfig's caches must be free by exit.
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* context = pango_font_map_create_context(map);
  pango_cairo_context_set_resolution(context, 72);  // points, as the typesetter measures
  PangoFontDescription* font = pango_font_description_from_string("Noto Sans CJK SC, DejaVu Sans 15px");
  auto a = [&] { return layOut(d.rich, false); };
  auto b = [&] { return pangoLayout(context, font, d.plainUtf8); };
  const int runs = static_cast<int>(state.range(0));
  if (runs <= 1) paired(state, a, b);
  else pairedWarm(state, runs, a, b);
  pango_font_description_free(font);
  g_object_unref(context);
  g_object_unref(map);
}
BENCHMARK(BM_LayoutOverPango)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->MinTime(1);

// a: the framesetter alone; b: Pango, in warm blocks.
void BM_FramesetterOverPango(benchmark::State& state) {
  const auto& d = documents(20000);
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* context = pango_font_map_create_context(map);
  pango_cairo_context_set_resolution(context, 72);
  PangoFontDescription* font = pango_font_description_from_string("Noto Sans CJK SC, DejaVu Sans 15px");
  pairedWarm(state, static_cast<int>(state.range(0)), [&] { return framesetterOnly(d.rich); },
             [&] { return pangoLayout(context, font, d.plainUtf8); });
  pango_font_description_free(font);
  g_object_unref(context);
  g_object_unref(map);
}
BENCHMARK(BM_FramesetterOverPango)->Arg(6)->Unit(benchmark::kMillisecond)->MinTime(1);

// a: vertical form; b: horizontal.
void BM_VerticalOverHorizontal(benchmark::State& state) {
  const auto& d = documents(20000);
  paired(state, [&] { return layOut(d.rich, true); }, [&] { return layOut(d.rich, false); });
}
BENCHMARK(BM_VerticalOverHorizontal)->Unit(benchmark::kMillisecond)->MinTime(1);

// a: 200,000 characters; b: 20,000.
void BM_TenTimesTheText(benchmark::State& state) {
  const auto& big = documents(200000);
  const auto& small = documents(20000);
  paired(state, [&] { return layOut(big.rich, false); }, [&] { return layOut(small.rich, false); });
}
BENCHMARK(BM_TenTimesTheText)->Unit(benchmark::kMillisecond)->MinTime(1);

// One paragraph per line, alternating scripts, so that the line count is exact.
Ref<AttributedString> manyLines(size_t count) {
  rt::String text;
  for (size_t i = 0; i < count; ++i) {
    if (i) text += rt::String(u"\n");
    text += i % 2 ? rt::String::format("Paragraph %zu: the district news, updated daily.", i)
                  : rt::String(u"区政府今天宣布新的公共交通计划。") + rt::String::format(" %zu", i);
  }
  auto doc = MutableAttributedString::create(text, fd::Dictionary::withStrings({{FontAttributeName, Font::fontWithName("DejaVu Sans", 15)}}));
  return doc;
}

Ref<text::DRTextLayout> buildLines(const Ref<AttributedString>& doc) {
  return text::DRTextLayout::layoutWithContainer(text::DRTextContainer::containerWithSize({kWidth, kTall}), doc);
}

struct LinesLayout {
  Ref<AttributedString> text;
  Ref<text::DRTextLayout> layout;
  std::vector<gfx::Point> points;  // the same places, relative to the text's height
};

const LinesLayout& linesLayout(size_t count) {
  static std::map<size_t, LinesLayout> cache;
  auto it = cache.find(count);
  if (it == cache.end()) {
    LinesLayout l;
    l.text = manyLines(count);
    l.layout = buildLines(l.text);
    if (!l.layout || l.layout->lines().size() != count) std::abort();  // the comparison needs exact counts
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const gfx::Rect b = l.layout->textBoundingRect();
    for (int i = 0; i < 1000; ++i)
      l.points.push_back({-10 + unit(random) * (kWidth + 20), b.origin.y + unit(random) * b.size.height});
    it = cache.emplace(count, std::move(l)).first;
  }
  return it->second;
}

int64_t closestPositions(const LinesLayout& l) {
  int64_t sum = 0;
  for (const gfx::Point p : l.points)
    if (auto position = l.layout->closestPositionToPoint(p)) sum += position->offset();
  return sum;
}

// a: 1,000 closest-position queries in a 10,000-line layout; b: the same in a 1,000-line one.
void BM_ClosestPositionTenTimesTheLines(benchmark::State& state) {
  const auto& big = linesLayout(10000);
  const auto& small = linesLayout(1000);
  paired(state, [&] { return closestPositions(big); }, [&] { return closestPositions(small); });
}
BENCHMARK(BM_ClosestPositionTenTimesTheLines)->Unit(benchmark::kMillisecond)->MinTime(1);

// a: 1,000 closest-position queries; b: building the same layout once (argument: lines).
void BM_ClosestPositionOverBuilding(benchmark::State& state) {
  const auto& l = linesLayout(static_cast<size_t>(state.range(0)));
  paired(state, [&] { return closestPositions(l); }, [&] { return buildLines(l.text)->lines().size(); });
}
BENCHMARK(BM_ClosestPositionOverBuilding)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(1);

}  // namespace
