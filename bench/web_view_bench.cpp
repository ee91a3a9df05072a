// An article page as the sample service writes them (a title, 2,000 Chinese characters in
// paragraphs, three pictures whose bytes are in memory), at 375 points wide and 2 pixels per
// point. One run compares:
//  - load to first frame: parse, lay out, decode the pictures and draw the first screen of the
//    page, against the same title and text laid out whole by the typesetter directly into the
//    same width, with the first screen of it drawn;
//  - scrolling the laid-out page in a web view (the offset moves a few points and the host
//    composites a frame) against a full redraw of the same screen (every layer displayed
//    again), median and 95th percentile of each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/StringDrawing.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "platform/ui/web/HTMLPage.h"
#include "platform/ui/web/WebView.h"
#include "tools/sample-service/service/ChineseText.h"
#include "tools/sample-service/service/PictureMaker.h"

namespace {

constexpr double kWidth = 375, kHeight = 667, kScale = 2;
constexpr double kStep = 3;
constexpr int kFrames = 400;

size_t countChars(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

struct Article {
  std::string title;
  std::vector<std::string> paragraphs;  // 2,000 characters in all
  std::vector<Ref<fd::Data>> pictures;  // encoded, three
  std::string html;
};

Article makeArticle() {
  Article a;
  sample::SeededRandom random(7, "bench-article");
  a.title = sample::makeArticleText(random, sample::TextStyle::News).title;
  size_t total = 0;
  while (total < 2000) {
    for (auto& p : sample::makeArticleText(random, sample::TextStyle::News).paragraphs) {
      std::string cut;
      for (size_t i = 0; i < p.size() && total < 2000;) {
        size_t n = (static_cast<unsigned char>(p[i]) >= 0xF0) ? 4 : (static_cast<unsigned char>(p[i]) >= 0xE0) ? 3
                   : (static_cast<unsigned char>(p[i]) >= 0xC0) ? 2 : 1;
        cut += p.substr(i, n);
        i += n;
        ++total;
      }
      if (!cut.empty()) a.paragraphs.push_back(cut);
      if (total >= 2000) break;
    }
  }
  sample::PictureMaker maker(7);
  for (int i = 1; i <= 3; ++i) {
    auto request = sample::parsePicturePath("photo/p" + std::to_string(i) + ".jpg");
    auto bytes = maker.picture(*request);
    a.pictures.push_back(fd::Data::create(bytes->data(), bytes->size()));
  }
  a.html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
           "content=\"width=device-width,initial-scale=1\"><style>p{color:#333333;text-indent:2em;}</style></head>"
           "<body><span style=\"font-size:20px;\"><b>" + a.title + "</b></span><br>";
  for (size_t i = 0; i < a.paragraphs.size(); ++i) {
    a.html += "<p style=\"font-size:16px;line-height:1.7\">" + a.paragraphs[i] + "</p>";
    if (i % 4 == 1 && i / 4 < 3) a.html += "<p><img src=\"mem:" + std::to_string(i / 4) + "\" width=\"100%\"/></p>";
  }
  a.html += "</body></html>";
  return a;
}

const Article& article() {
  static const Article a = makeArticle();
  return a;
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

std::vector<double> timeRuns(int count, const std::function<void(int)>& run) {
  std::vector<double> out;
  for (int i = 0; i < count; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    run(i);
    out.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  return out;
}

std::vector<std::pair<std::string, Ref<fd::Data>>> pendingPictures;

/// The page loaded from memory and its first screen drawn.
void pageToFirstFrame() {
  const Article& a = article();
  std::unique_ptr<ui::HTMLPage> page;
  ui::HTMLDocumentContainer::Hooks hooks;
  hooks.imageRequested = [&](const std::string& url) {
    size_t index = static_cast<size_t>(url.back() - '0');
    // The picture is answered at once: its bytes are in memory, decoded here.
    pendingPictures.push_back({url, a.pictures[index]});
  };
  pendingPictures.clear();
  page = std::make_unique<ui::HTMLPage>(a.html, nullptr, hooks);
  for (auto& [url, bytes] : pendingPictures) page->container().setImage(url, gfx::Image::imageWithData(bytes));
  page->layOut(kWidth, kHeight, true);
  auto ctx = gfx::Context::createForImage({kWidth, kHeight}, true, kScale);
  ctx->setGrayFillColor(1, 1);
  ctx->fillRect(gfx::RectMake(0, 0, kWidth, kHeight));
  page->draw(*ctx, gfx::RectMake(0, 0, kWidth, kHeight));
  benchmark::DoNotOptimize(ctx->pixelAt(100, 100));
}

/// The same title and text through the typesetter into the same width and screen.
void typesetToFirstFrame() {
  const Article& a = article();
  auto text = typeset::MutableAttributedString::create();
  auto titleFont = typeset::Font::boldSystemFontOfSize(20), bodyFont = typeset::Font::systemFontOfSize(16);
  text->appendAttributedString(*typeset::AttributedString::create(
      rt::String((a.title + "\n").c_str()), fd::Dictionary::withStrings({{typeset::FontAttributeName, titleFont}})));
  for (const auto& p : a.paragraphs)
    text->appendAttributedString(*typeset::AttributedString::create(
        rt::String(("\u3000\u3000" + p + "\n").c_str()), fd::Dictionary::withStrings({{typeset::FontAttributeName, bodyFont}})));
  auto ctx = gfx::Context::createForImage({kWidth, kHeight}, true, kScale);
  ctx->setGrayFillColor(1, 1);
  ctx->fillRect(gfx::RectMake(0, 0, kWidth, kHeight));
  // As the page does: the whole text laid out (its height sizes the scroll content), then the
  // lines of the first screen drawn.
  gfx::Rect all = typeset::boundingRectWithSize(*text, {kWidth - 16, 100000}, typeset::StringDrawingUsesLineFragmentOrigin);
  benchmark::DoNotOptimize(all);
  typeset::drawInRect(*text, *ctx, gfx::RectMake(8, 8, kWidth - 16, kHeight - 8), typeset::StringDrawingUsesLineFragmentOrigin);
  benchmark::DoNotOptimize(ctx->pixelAt(100, 100));
}

void BM_LoadToFirstFrameVersusTypesetter(benchmark::State& state) {
  (void)article();
  pageToFirstFrame();  // fonts and caches warmed for both
  typesetToFirstFrame();
  std::vector<double> page, plain;
  for (auto _ : state) {
    page = timeRuns(30, [](int) { pageToFirstFrame(); });
    plain = timeRuns(30, [](int) { typesetToFirstFrame(); });
  }
  double pm = percentile(page, 0.5), tm = percentile(plain, 0.5);
  state.counters["page_median_ms"] = pm;
  state.counters["typesetter_median_ms"] = tm;
  state.counters["page_over_typesetter"] = pm / tm;
  state.counters["characters"] = 0;
  size_t chars = countChars(article().title);
  for (auto& p : article().paragraphs) chars += countChars(p);
  state.counters["characters"] = static_cast<double>(chars);
}
BENCHMARK(BM_LoadToFirstFrameVersusTypesetter)->Iterations(1)->Unit(benchmark::kMillisecond);

void redisplayAll(ui::Layer& layer) {
  layer.setNeedsDisplay();
  for (auto& sub : layer.sublayers()) redisplayAll(*sub);
}

void BM_ScrollFrameVersusFullRedraw(benchmark::State& state) {
  auto screen = ui::Screen::mainScreen();
  auto window = rt::make<ui::Window>(screen->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->makeKeyAndVisible();
  auto web = rt::make<ui::WebView>(gfx::RectMake(0, 64, kWidth, kHeight - 64));
  web->setScalesPageToFit(true);
  window->addSubview(web);
  // The pictures' places are held by boxes of their colour: the scroll view gets no network.
  std::string html = article().html;
  for (int i = 0; i < 3; ++i) {
    std::string img = "<img src=\"mem:" + std::to_string(i) + "\" width=\"100%\"/>";
    size_t at = html.find(img);
    if (at != std::string::npos) html.replace(at, img.size(), "<div style=\"height:240px;background-color:#3a7\"></div>");
  }
  web->loadHTMLString(rt::String(html.c_str()), nullptr);
  fd::RunLoopDriver::runUntil([&] { return !web->isLoading(); }, 10);
  ui::HeadlessHost host(screen);
  host.renderFrame();
  auto sv = web->scrollView();
  double maxY = sv->contentSize().height - sv->bounds().size.height;
  std::vector<double> scroll, full;
  for (auto _ : state) {
    scroll = timeRuns(kFrames, [&](int i) {
      double y = std::fmod((i + 1) * kStep, 2 * maxY);
      if (y > maxY) y = 2 * maxY - y;
      sv->setContentOffset({0, y});
      host.renderFrame();
    });
    full = timeRuns(kFrames / 4, [&](int) {
      redisplayAll(*window->layer());
      host.renderFrame();
    });
  }
  double sm = percentile(scroll, 0.5), fm = percentile(full, 0.5);
  state.counters["page_height_pt"] = sv->contentSize().height;
  state.counters["scroll_median_ms"] = sm;
  state.counters["scroll_p95_ms"] = percentile(scroll, 0.95);
  state.counters["full_median_ms"] = fm;
  state.counters["full_p95_ms"] = percentile(full, 0.95);
  state.counters["scroll_over_full"] = sm / fm;
  window->setHidden(true);
}
BENCHMARK(BM_ScrollFrameVersusFullRedraw)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
