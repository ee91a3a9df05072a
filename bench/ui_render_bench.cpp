// A phone screen of 200 views (two-line Chinese labels and rounded image views) at 375x667
// points, 2 pixels per point: a full redraw through the view tree, the same picture painted
// with Cairo straight into one surface, and a frame in which a single label changed.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <cmath>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/StringDrawing.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/View.h"

namespace {

constexpr double kWidth = 375, kHeight = 667, kScale = 2, kRadius = 6, kFontSize = 11;
constexpr int kColumns = 10, kRows = 20;
constexpr double kCellW = kWidth / kColumns, kCellH = kHeight / kRows;

const char16_t* const kTexts[] = {u"本区新闻", u"社区活动通知", u"天气晴朗", u"交通出行提示", u"便民服务"};

gfx::Rect cell(int i) {
  return gfx::RectMake((i % kColumns) * kCellW + 1, (i / kColumns) * kCellH + 1, kCellW - 2, kCellH - 2);
}
bool isLabel(int i) { return (i + i / kColumns) % 2 == 0; }

// A 64x64 @2x picture with a colour ramp, different per seed.
Ref<gfx::Image> picture(uint32_t seed) {
  auto bitmap = gfx::BitmapImage::createNative(64, 64, true);
  cairo_surface_t* s = bitmap->cairoSurface();
  cairo_t* cr = cairo_create(s);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 64, 64);
  cairo_pattern_add_color_stop_rgb(p, 0, (seed % 7) / 7.0, 0.3, 0.8);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.9, (seed % 5) / 5.0, 0.2);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  cairo_surface_mark_dirty(s);
  return gfx::Image::imageWithCGImage(bitmap, 2);
}

struct Screen {
  Ref<ui::View> root;
  std::vector<Ref<ui::Label>> labels;
  std::vector<Ref<gfx::Image>> images;
  Ref<typeset::Font> font;
};

Screen makeScreen() {
  Screen s;
  s.font = typeset::Font::systemFontOfSize(kFontSize);
  s.root = rt::make<ui::View>(gfx::RectMake(0, 0, kWidth, kHeight));
  s.root->setBackgroundColor(gfx::Color::whiteColor());
  for (int i = 0; i < kColumns * kRows; ++i) {
    if (isLabel(i)) {
      auto label = rt::make<ui::Label>(cell(i));
      label->setText(rt::String(kTexts[i % 5]));
      label->setFont(s.font);
      label->setNumberOfLines(2);
      label->setContentScaleFactor(kScale);
      s.root->addSubview(label);
      s.labels.push_back(label);
    } else {
      auto image = picture(static_cast<uint32_t>(i));
      s.images.push_back(image);
      auto view = rt::make<ui::ImageView>(image);
      view->setFrame(cell(i));
      view->layer()->setCornerRadius(kRadius);
      view->setClipsToBounds(true);
      s.root->addSubview(view);
    }
  }
  ui::Transaction::flush();
  return s;
}

void markAll(ui::Layer& layer) {
  layer.setNeedsDisplay();
  for (auto& s : layer.sublayers()) markAll(*s);
}

void roundedRect(cairo_t* cr, const gfx::Rect& r, double radius) {
  double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void BM_ViewTreeFullRedraw(benchmark::State& state) {
  Screen s = makeScreen();
  ui::Compositor compositor({kWidth, kHeight}, kScale);
  for (auto _ : state) {
    markAll(*s.root->layer());
    compositor.render(*s.root->layer());
    benchmark::DoNotOptimize(compositor.pixels());
  }
  ui::Transaction::flush();
}
BENCHMARK(BM_ViewTreeFullRedraw)->Unit(benchmark::kMillisecond);

void BM_CairoDirect(benchmark::State& state) {
  Screen s = makeScreen();
  auto ctx = gfx::Context::createForImage({kWidth, kHeight}, false, kScale);
  cairo_t* cr = ctx->cairo();
  auto color = gfx::Color::blackColor();
  for (auto _ : state) {
    cairo_save(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    size_t image = 0;
    for (int i = 0; i < kColumns * kRows; ++i) {
      gfx::Rect r = cell(i);
      if (isLabel(i)) {
        auto text = typeset::MutableAttributedString::create(rt::String(kTexts[i % 5]));
        rt::Range all{0, text->length()};
        text->addAttribute(rt::String(typeset::FontAttributeName), s.font, all);
        text->addAttribute(rt::String(typeset::ForegroundColorAttributeName), color, all);
        // As a label places it: the lines of which about half fits, centred on the cell.
        gfx::Size box{r.size.width, r.size.height + s.font->lineHeight() / 2};
        auto layout = typeset::layOutLabel(*text, box, 2, s.labels[0]->lineBreakMode());
        double top = r.origin.y + (r.size.height - std::ceil(layout.size.height)) / 2;
        typeset::drawPlacedLines(layout.layout.lines, *ctx, {r.origin.x, top});
      } else {
        cairo_save(cr);
        roundedRect(cr, r, kRadius);
        cairo_clip(cr);
        cairo_translate(cr, r.origin.x, r.origin.y);
        cairo_scale(cr, r.size.width / 64, r.size.height / 64);
        cairo_set_source_surface(cr, s.images[image++]->CGImage()->cairoSurface(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
      }
    }
    cairo_restore(cr);
    cairo_surface_flush(cairo_get_target(cr));
    benchmark::DoNotOptimize(ctx->data());
  }
  ui::Transaction::flush();
}
BENCHMARK(BM_CairoDirect)->Unit(benchmark::kMillisecond);

void BM_ViewTreeOneViewChanged(benchmark::State& state) {
  Screen s = makeScreen();
  ui::Compositor compositor({kWidth, kHeight}, kScale);
  compositor.render(*s.root->layer());
  size_t turn = 0;
  for (auto _ : state) {
    s.labels[7]->setText(rt::String(kTexts[turn++ % 5]));
    compositor.render(*s.root->layer());
    benchmark::DoNotOptimize(compositor.pixels());
  }
  ui::Transaction::flush();
}
BENCHMARK(BM_ViewTreeOneViewChanged)->Unit(benchmark::kMillisecond);

}  // namespace
