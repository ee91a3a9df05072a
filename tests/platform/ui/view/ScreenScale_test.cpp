// Views, and layers added below them, draw at the screen's pixel density: a one-pixel stroke
// stays one solid pixel, and text reaches its own colour instead of a smoothed-out grey.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/graphics/ImageContext.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

// A namespace of its own: test programs compile several files as one.
namespace screen_scale_test {

using namespace ui;

namespace {

constexpr double kY = 20;  // where the hairlines run, in points

// A view drawing a horizontal hairline one device pixel thick across it.
class Hairline : public View {
 public:
  void drawRect(gfx::Rect) override {
    auto ctx = gfx::currentContext();
    double px = 1 / contentScaleFactor();
    ctx->setStrokeColor(gfx::Color::blackColor());
    ctx->setLineWidth(px);
    ctx->moveToPoint(0, kY + px / 2);
    ctx->addLineToPoint(bounds().size.width, kY + px / 2);
    ctx->strokePath();
  }
};

// A plain layer drawing the same hairline for itself.
class HairlineLayer : public Layer {
 public:
  void drawInContext(gfx::Context& ctx) override {
    double px = 1 / contentsScale();
    ctx.setStrokeColor(gfx::Color::blackColor());
    ctx.setLineWidth(px);
    ctx.moveToPoint(0, kY + px / 2);
    ctx.addLineToPoint(bounds().size.width, kY + px / 2);
    ctx.strokePath();
  }
};

int grey(uint32_t c) { return static_cast<int>(((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3); }

class ScreenScaleTest : public ::testing::TestWithParam<double> {
 protected:
  void SetUp() override { Screen::configureMainScreen({200, 120}, GetParam()); }
  void TearDown() override { Screen::configureMainScreen({375, 667}, 2); }

  // Darkest and lightest grey along pixel row `row` over the points [x0, x1).
  std::pair<int, int> rowRange(const Compositor& c, size_t row, double x0, double x1) const {
    int dark = 255, light = 0;
    double s = GetParam();
    for (size_t x = size_t(x0 * s); x < size_t(x1 * s); ++x) {
      int g = grey(c.pixelAt(x, row));
      dark = std::min(dark, g), light = std::max(light, g);
    }
    return {dark, light};
  }
  int darkestIn(const Compositor& c, gfx::Rect r) const {
    double s = GetParam();
    int dark = 255;
    for (size_t y = size_t(r.origin.y * s); y < size_t((r.origin.y + r.size.height) * s); ++y)
      for (size_t x = size_t(r.origin.x * s); x < size_t((r.origin.x + r.size.width) * s); ++x)
        dark = std::min(dark, grey(c.pixelAt(x, y)));
    return dark;
  }
};

TEST_P(ScreenScaleTest, HairlinesOfViewsAndOfLayersAddedToAWindowAreOneSolidPixel) {
  double s = GetParam();
  auto window = rt::make<Window>(Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->setHidden(false);
  auto view = rt::make<Hairline>(gfx::RectMake(10, 10, 80, 40));
  window->addSubview(view);
  auto layer = rt::make<HairlineLayer>();
  layer->setFrame(gfx::RectMake(110, 10, 80, 40));
  window->layer()->addSublayer(layer);
  layer->setNeedsDisplay();
  EXPECT_EQ(view->contentScaleFactor(), s);
  EXPECT_EQ(layer->contentsScale(), s);

  Compositor c({200, 120}, s);
  c.render(*window->layer());
  size_t row = size_t((10 + kY) * s);
  for (double x0 : {10.0, 110.0}) {
    auto [dark, light] = rowRange(c, row, x0, x0 + 80);
    EXPECT_LE(light, 5) << "the stroke is solid at x " << x0;
    EXPECT_GE(rowRange(c, row - 1, x0, x0 + 80).first, 250) << "nothing spills above at x " << x0;
    EXPECT_GE(rowRange(c, row + 1, x0, x0 + 80).first, 250) << "nothing spills below at x " << x0;
  }
}

TEST_P(ScreenScaleTest, TextReachesItsOwnColour) {
  auto window = rt::make<Window>(Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->setHidden(false);
  struct Case {
    const char* text;
    double white;  // the text's grey
    int slack;     // how much lighter than its colour the darkest pixel may be
  };
  // Drawn at 1x and stretched, the strokes of "二" got no darker than 71 and the date no
  // darker than 159.
  const Case cases[] = {{"二", 0, 30}, {"2026-12-10", 150.0 / 255, 4}};
  double y = 10;
  std::vector<Ref<Label>> labels;
  for (const auto& k : cases) {
    auto l = rt::make<Label>(gfx::RectMake(10, y, 180, 30));
    l->setText(rt::String(k.text));
    l->setFont(typeset::Font::systemFontOfSize(17));
    l->setTextColor(gfx::Color::colorWithWhite(k.white, 1));
    window->addSubview(l);
    labels.push_back(l);
    y += 40;
  }
  Compositor c({200, 120}, GetParam());
  c.render(*window->layer());
  for (size_t i = 0; i < labels.size(); ++i) {
    int expected = static_cast<int>(cases[i].white * 255 + 0.5);
    EXPECT_LE(darkestIn(c, labels[i]->frame()), expected + cases[i].slack) << cases[i].text;
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, ScreenScaleTest, ::testing::Values(1.0, 2.0, 3.0));

}  // namespace

}  // namespace screen_scale_test
