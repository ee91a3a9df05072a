// Markdown highlighting of a 100 KB document against a CommonMark parser reading the same
// document (the baseline only), and both parsers on hostile text at 100 KB and at 1 MB: ten
// times the text must cost about ten times the time.
#include <benchmark/benchmark.h>
#include <cmark.h>

#include <cstdio>
#include <string>

#include "bench/RatioReporter.h"
#include "platform/graphics/ImageContext.h"
#include "text/parsers/DRTextSimpleEmoticonParser.h"
#include "text/parsers/DRTextSimpleMarkdownParser.h"

namespace {

constexpr size_t kDocument = 100 * 1024;
constexpr int64_t kSmall = 100 * 1000, kLarge = 1000 * 1000;

// A news-style document: headers of both kinds, paragraphs with inline markup, lists, quotes,
// code blocks and rules, every section a little different.
std::string document(size_t size) {
  static const char* words[] = {"district", "council", "market",  "bridge", "weather", "school",
                                "traffic",  "river",   "station", "garden", "library", "festival"};
  std::string out;
  for (size_t section = 0; out.size() < size; section++) {
    auto w = [&](size_t k) { return std::string(words[(section * 7 + k) % 12]); };
    if (section % 3 == 0) {
      out += "# News from the " + w(0) + " " + std::to_string(section) + "\n\n";
    } else {
      out += "The " + w(1) + " today\n" + std::string(section % 2 ? "---" : "===") + "\n\n";
    }
    for (size_t p = 0; p < 3; p++) {
      out += "The *" + w(p) + "* near the **" + w(p + 1) + "** opened on `" + w(p + 2) + "` with ";
      out += "[a report](http://news.invalid/" + w(p + 3) + "/" + std::to_string(section) + ") and ";
      out += "__" + w(p + 4) + "__ plans; ~~" + w(p + 5) + "~~ was moved, ***" + w(p + 6) + "*** stays.\n";
      out += "Readers of the " + w(p + 7) + " asked about the " + w(p + 8) + " and the " + w(p + 9) + " again.\n\n";
    }
    out += "- the " + w(2) + "\n- the " + w(3) + "\n1. first " + w(4) + "\n2. then " + w(5) + "\n\n";
    out += "> " + w(6) + " said: \\*not\\* yet\n\n";
    out += "    let " + w(7) + " = load(" + std::to_string(section) + ")\n    show(" + w(7) + ")\n\n";
    if (section % 4 == 0) out += "* * *\n\n";
  }
  out.resize(size);
  return out;
}

const std::string& markdownText() {
  static const std::string text = document(kDocument);
  return text;
}

void BM_MarkdownHighlight(benchmark::State& state) {
  auto parser = rt::make<text::DRTextSimpleMarkdownParser>();
  const rt::String plain(markdownText());
  for (auto _ : state) {
    state.PauseTiming();
    auto text = typeset::MutableAttributedString::create(plain);
    state.ResumeTiming();
    parser->parseText(*text, nullptr);
    benchmark::DoNotOptimize(text->runCount());
    state.counters["runs"] = double(text->runCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kDocument));
}
BENCHMARK(BM_MarkdownHighlight)->Unit(benchmark::kMillisecond);

void BM_CommonMarkParse(benchmark::State& state) {
  const std::string& text = markdownText();
  for (auto _ : state) {
    cmark_node* doc = cmark_parse_document(text.data(), text.size(), CMARK_OPT_DEFAULT);
    benchmark::DoNotOptimize(doc);
    cmark_node_free(doc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kDocument));
}
BENCHMARK(BM_CommonMarkParse)->Unit(benchmark::kMillisecond);

// Hostile shapes, each filled to the size asked.
const char* kShapes[] = {"asterisks only", "unclosed emphasis", "unclosed code fences", "deep emphasis nesting",
                         "blank lines", "unclosed links"};

std::u16string hostile(int shape, size_t size) {
  std::u16string s;
  auto fill = [&](const char16_t* unit) {
    while (s.size() < size) s += unit;
    s.resize(size);
  };
  switch (shape) {
    case 0: fill(u"*"); break;
    case 1: fill(u"*a _b **c __d ~~e "); break;
    case 2: fill(u"```code ``two "); break;
    case 3:
      while (s.size() < size / 2) s += u"*_**__~~`";
      s += u"word";
      fill(u" ");
      break;
    case 4: fill(u"\n \r"); break;
    default: fill(u"[a]("); break;
  }
  return s;
}

void BM_HostileMarkdown(benchmark::State& state) {
  auto parser = rt::make<text::DRTextSimpleMarkdownParser>();
  const rt::String plain(hostile(int(state.range(0)), size_t(state.range(1))));
  for (auto _ : state) {
    state.PauseTiming();
    auto text = typeset::MutableAttributedString::create(plain);
    state.ResumeTiming();
    parser->parseText(*text, nullptr);
    benchmark::DoNotOptimize(text->runCount());
  }
  state.SetLabel(kShapes[state.range(0)]);
}
BENCHMARK(BM_HostileMarkdown)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {kSmall, kLarge}})
    ->Unit(benchmark::kMillisecond);

Ref<gfx::Image> picture() {
  gfx::beginImageContextWithOptions({8, 8}, false, 1);
  gfx::currentContext()->setFillColor(gfx::Color::colorWithRed(1, 0.8, 0, 1));
  gfx::currentContext()->fillRect({{0, 0}, {8, 8}});
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

// Text made of emoticon keys and nothing else: a replacement at every third character.
void BM_Emoticons(benchmark::State& state) {
  auto parser = rt::make<text::DRTextSimpleEmoticonParser>();
  auto image = picture();
  parser->setEmoticonMapper({{rt::String(":-)"), image}, {rt::String(":-("), image}});
  std::u16string s;
  while (s.size() < size_t(state.range(0))) s += u":-)";
  const rt::String plain(s);
  for (auto _ : state) {
    state.PauseTiming();
    auto text = typeset::MutableAttributedString::create(plain);
    state.ResumeTiming();
    rt::Range selection{0, 0};
    parser->parseText(*text, &selection);
    benchmark::DoNotOptimize(text->length());
  }
}
BENCHMARK(BM_Emoticons)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto exact = [&](const std::string& name) {
    auto it = reporter.cpuSamples.find(name);
    return it == reporter.cpuSamples.end() ? 0.0 : bench::median(it->second);
  };
  const double highlight = exact("BM_MarkdownHighlight"), cmark = exact("BM_CommonMarkParse");
  if (highlight > 0 && cmark > 0)
    std::printf("markdown highlighting / CommonMark parse, 100 KB document = %.2f (goal: at most 3)\n", highlight / cmark);
  auto perTenfold = [&](const std::string& small, const std::string& large, const char* what) {
    const double a = exact(small), b = exact(large);
    if (a > 0 && b > 0) std::printf("%s: 1 MB / 100 KB = %.2f (linear: about 10)\n", what, b / a);
  };
  for (int shape = 0; shape < int(std::size(kShapes)); shape++) {
    const std::string base = "BM_HostileMarkdown/" + std::to_string(shape) + "/";
    perTenfold(base + std::to_string(kSmall), base + std::to_string(kLarge), kShapes[shape]);
  }
  perTenfold("BM_Emoticons/" + std::to_string(kSmall), "BM_Emoticons/" + std::to_string(kLarge), "emoticons");
  benchmark::Shutdown();
  return 0;
}
