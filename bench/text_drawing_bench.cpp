// Drawing one 375 x 667 screen of rich text (mixed Chinese and Latin, several fonts and
// colours) at scale 2, with underlines, borders and shadows on a tenth of its runs, against
// the same text with no decorations. Both layouts are built once; each iteration clears the
// one image context and draws.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/NewsSentences.h"
#include "bench/RatioReporter.h"
#include "platform/graphics/Color.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "text/layout/DRTextContainer.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextShadow.h"

namespace {

using namespace typeset;

constexpr gfx::Size kScreen{375, 667};
constexpr double kScale = 2;

using bench::kNewsSentences;

// Each sentence is one run of its own font and colour; every tenth is decorated when asked.
Ref<AttributedString> screenText(bool decorated) {
  const Ref<Font> fonts[] = {Font::fontWithName("Noto Sans CJK SC", 15), Font::fontWithName("DejaVu Sans", 14),
                             Font::fontWithName("Noto Sans CJK SC", 16), Font::fontWithName("DejaVu Sans", 15)};
  const Ref<gfx::Color> colours[] = {gfx::Color::blackColor(), gfx::Color::colorWithRed(0.6, 0.1, 0.1, 1),
                                     gfx::Color::colorWithRed(0.1, 0.2, 0.6, 1)};
  auto underline = text::DRTextDecoration::decorationWithStyle(text::DRTextLineKindSingle);
  auto border = text::DRTextBorder::borderWithLineStyle(text::DRTextLineKindSingle, 1, gfx::Color::redColor());
  border->setCornerRadius(3);
  auto shadow = text::DRTextShadow::shadowWithColor(gfx::Color::colorWithWhite(0, 0.4), {1, 1}, 1);
  auto doc = MutableAttributedString::create();
  for (size_t i = 0; doc->length() < 2400; ++i) {
    const Ref<gfx::Color>& colour = colours[i % std::size(colours)];
    auto attrs = fd::MutableDictionary::create();
    attrs->setObjectForKey(fonts[i % std::size(fonts)], rt::String(FontAttributeName));
    attrs->setObjectForKey(colour, rt::String(CTForegroundColorAttributeName));
    attrs->setObjectForKey(colour, rt::String(ForegroundColorAttributeName));
    if (decorated && i % 10 == 3) {
      attrs->setObjectForKey(underline, rt::String(text::DRTextUnderlineKey));
      attrs->setObjectForKey(border, rt::String(text::DRTextBorderKey));
      attrs->setObjectForKey(shadow, rt::String(text::DRTextShadowKey));
    }
    doc->appendAttributedString(*AttributedString::create(kNewsSentences[i % std::size(kNewsSentences)], attrs));
  }
  return doc;
}

Ref<text::DRTextLayout> screenLayout(bool decorated) {
  auto container = text::DRTextContainer::containerWithSize(kScreen);
  container->setInsets({8, 12, 8, 12});
  return text::DRTextLayout::layoutWithContainer(container, screenText(decorated));
}

void drawScreen(benchmark::State& state, bool decorated) {
  auto layout = screenLayout(decorated);
  auto ctx = gfx::Context::createForImage(kScreen, false, kScale);
  if (!layout || !ctx || layout->lines().size() < 30) {
    state.SkipWithError("no layout");
    return;
  }
  for (auto _ : state) {
    ctx->clearRect(gfx::RectMake(0, 0, kScreen.width, kScreen.height));
    text::drawInContext(*layout, ctx.get(), kScreen, nullptr);
    benchmark::DoNotOptimize(ctx->data());
  }
  state.counters["lines"] = static_cast<double>(layout->lines().size());
}

void BM_DrawDecoratedScreen(benchmark::State& state) { drawScreen(state, true); }
BENCHMARK(BM_DrawDecoratedScreen)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_DrawPlainScreen(benchmark::State& state) { drawScreen(state, false); }
BENCHMARK(BM_DrawPlainScreen)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double decorated = reporter.secondsFor("BM_DrawDecoratedScreen");
  const double plain = reporter.secondsFor("BM_DrawPlainScreen");
  if (decorated > 0 && plain > 0)
    std::printf("decorated screen / undecorated screen = %.2f (goal <= 1.5)\n", decorated / plain);
  benchmark::Shutdown();
  return 0;
}
