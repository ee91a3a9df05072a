// One picture of everything the drawing does: every line kind, single, thick and double
// borders, block and background borders, shadows, inner shadows, underlines and
// strikethroughs on Chinese and Latin text, a vertical column and the debug overlay. Checked
// where only pixels show the result (shadows cast from beyond the area, inner shadows, fills)
// and written out for a look when KD_ARTIFACT_DIR is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/foundation/values/Number.h"
#include "platform/graphics/GlyphMaskCache.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/ParagraphStyle.h"
#include "tests/text/drawing/DrawingSupport.h"
#include "text/layout/DRTextContainer.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextShadow.h"

using namespace text;
using namespace drawing_test;

namespace {

constexpr double W = 375, H = 667, kScale = 2;

Ref<gfx::Color> rgb(double r, double g, double b, double a = 1) { return gfx::Color::colorWithRed(r, g, b, a); }

void append(typeset::MutableAttributedString& s, const rt::String& part, const Ref<typeset::Font>& font,
            std::initializer_list<std::pair<const char*, rt::Id>> attrs = {}) {
  auto piece = styled(part, font);
  for (const auto& [key, value] : attrs) setAll(*piece, key, value);
  s.appendAttributedString(*piece);
}

Ref<DRTextDecoration> line(DRTextLineKind kind, double width, const Ref<gfx::Color>& color) {
  return DRTextDecoration::decorationWithStyle(kind, fd::Number::numberWithDouble(width), color);
}

Ref<DRTextBorder> stroke(DRTextLineKind kind, double width, const Ref<gfx::Color>& color, double radius = 3) {
  auto b = DRTextBorder::borderWithLineStyle(kind, width, color);
  b->setCornerRadius(radius);
  b->setInsets({-1, -2, -1, -2});
  return b;
}

// The horizontal sampler, each stretch with the decoration it shows.
Ref<typeset::MutableAttributedString> sampler(const Ref<gfx::Color>& shadowColour, const Ref<gfx::Color>& innerColour) {
  auto s = typeset::MutableAttributedString::create();
  auto block = DRTextBorder::borderWithFillColor(rgb(0.85, 0.92, 1), 4);
  block->setInsets({0, 0, 0, 0});
  block->setStrokeColor(rgb(0.3, 0.5, 0.9));
  block->setStrokeWidth(1);
  append(*s, u"区块边框：整行都在框里。A block border spans its rows.\n", cjk(15), {{DRTextBlockBorderKey, block}});
  const Ref<gfx::Color> ink = rgb(0.1, 0.1, 0.5);
  const std::pair<const char*, DRTextLineKind> kinds[] = {
      {"solid ", 0x000}, {"dot ", 0x100}, {"dash ", 0x200}, {"dash-dot ", 0x300}, {"dash-dot-dot ", 0x400}, {"circle-dot", 0x900}};
  for (const auto& [word, pattern] : kinds)
    append(*s, word, latin(14), {{DRTextUnderlineKey, line(DRTextLineKindSingle | pattern, 1, ink)}});
  append(*s, "\n", latin(14));
  for (const auto& [word, pattern] : kinds)
    append(*s, word, latin(14), {{DRTextUnderlineKey, line(DRTextLineKindThick | pattern, 1, rgb(0.7, 0.2, 0.2))}});
  append(*s, "\n", latin(14));
  for (const auto& [word, pattern] : kinds)
    append(*s, word, latin(14), {{DRTextUnderlineKey, line(DRTextLineKindDouble | pattern, 1, rgb(0.2, 0.5, 0.2))}});
  append(*s, "\n", latin(14));
  append(*s, "single", latin(15), {{DRTextBorderKey, stroke(DRTextLineKindSingle, 1, rgb(0.9, 0.3, 0.1))}});
  append(*s, "  ", latin(15));
  append(*s, "thick", latin(15), {{DRTextBorderKey, stroke(DRTextLineKindThick, 1, rgb(0.1, 0.6, 0.3))}});
  append(*s, "  ", latin(15));
  append(*s, "double", latin(15), {{DRTextBorderKey, stroke(DRTextLineKindDouble, 1, rgb(0.2, 0.3, 0.9))}});
  append(*s, "  ", latin(15));
  append(*s, "dashed", latin(15), {{DRTextBorderKey, stroke(DRTextLineKindSingle | 0x200, 1, rgb(0.5, 0.2, 0.6), 0)}});
  append(*s, "  ", latin(15));
  append(*s, u"背景框", cjk(15), {{DRTextBackgroundBorderKey, DRTextBorder::borderWithFillColor(rgb(1, 0.85, 0.4), 4)}});
  append(*s, "\n", latin(15));
  auto borderShadow = stroke(DRTextLineKindSingle, 1, rgb(0.3, 0.3, 0.3), 5);
  borderShadow->setFillColor(rgb(1, 1, 0.9));
  borderShadow->setShadow(DRTextShadow::shadowWithColor(rgb(0, 0, 0, 0.5), {2, 2}, 3));
  append(*s, u"A border with a shadow 带阴影的边框\n", cjk(15), {{DRTextBackgroundBorderKey, borderShadow}});
  append(*s, u"Shadow 阴影文字", cjk(26), {{DRTextShadowKey, DRTextShadow::shadowWithColor(shadowColour, {3, 3}, 0)}});
  append(*s, "  ", latin(26));
  append(*s, u"Inner 内", cjk(30),
         {{DRTextInnerShadowKey, DRTextShadow::shadowWithColor(innerColour, {0, 3}, 1)},
          {typeset::CTForegroundColorAttributeName, rgb(0.75, 0.85, 1)},
          {typeset::ForegroundColorAttributeName, rgb(0.75, 0.85, 1)}});
  append(*s, "\n", latin(15));
  auto shadowed = line(DRTextLineKindSingle, 1.5, rgb(0.8, 0.1, 0.1));
  shadowed->setShadow(DRTextShadow::shadowWithColor(rgb(0.2, 0.2, 0.8, 0.6), {0, 2}, 1));
  append(*s, u"中文下划线", cjk(16), {{DRTextUnderlineKey, line(DRTextLineKindSingle, 1, rgb(0.1, 0.4, 0.8))}});
  append(*s, u"，", cjk(16));
  append(*s, u"中文删除线", cjk(16), {{DRTextStrikethroughKey, line(DRTextLineKindSingle, 1, rgb(0.8, 0.1, 0.1))}});
  append(*s, "; ", latin(16));
  append(*s, "Latin underline", latin(16), {{DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle)}});
  append(*s, ", ", latin(16));
  append(*s, "struck through", latin(16), {{DRTextStrikethroughKey, shadowed}});
  append(*s, ", ", latin(16));
  append(*s, u"双线 double", cjk(16), {{DRTextStrikethroughKey, line(DRTextLineKindDouble, 1, rgb(0.3, 0.3, 0.3))}});
  return s;
}

Ref<typeset::MutableAttributedString> column() {
  auto s = typeset::MutableAttributedString::create();
  append(*s, u"竖排文字，", cjk(18));
  append(*s, u"下划线", cjk(18), {{DRTextUnderlineKey, line(DRTextLineKindSingle, 1, rgb(0.1, 0.4, 0.8))}});
  append(*s, u"和", cjk(18));
  append(*s, u"边框", cjk(18), {{DRTextBorderKey, stroke(DRTextLineKindSingle, 1, rgb(0.9, 0.3, 0.1))}});
  append(*s, u"。Latin 混排。", cjk(18));
  append(*s, u"删除线在这里", cjk(18), {{DRTextStrikethroughKey, line(DRTextLineKindSingle, 1, rgb(0.8, 0.1, 0.1))}});
  append(*s, u"，还有阴影。", cjk(18), {{DRTextShadowKey, DRTextShadow::shadowWithColor(rgb(1, 0.6, 0), {2, 2}, 1)}});
  return s;
}

struct Argb {
  int a, r, g, b;
};
Argb unpack(uint32_t p) { return {int(p >> 24), int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)}; }

// Device pixels inside a rectangle of points that pass a test.
template <class Pred>
size_t countPixels(gfx::Context& ctx, gfx::Rect r, Pred pred) {
  size_t n = 0;
  for (size_t y = size_t(r.origin.y * kScale); y < size_t(gfx::RectGetMaxY(r) * kScale); ++y)
    for (size_t x = size_t(r.origin.x * kScale); x < size_t(gfx::RectGetMaxX(r) * kScale); ++x) n += pred(unpack(ctx.pixelAt(x, y)));
  return n;
}

void writeArtifact(gfx::Context& ctx, const char* name) {
  if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(dir);
    auto png = gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(ctx.makeImage()));
    ASSERT_TRUE(png);
    std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  }
}

}  // namespace

TEST(DRTextDrawingPicture, EveryDecorationBorderShadowColumnAndOverlay) {
  auto ctx = gfx::Context::createForImage({W, H}, true, kScale);
  ASSERT_TRUE(ctx);
  ctx->setFillColor(gfx::Color::whiteColor());
  ctx->fillRect(gfx::RectMake(0, 0, W, H));

  // Pure colours nothing else in the picture uses.
  const auto shadowColour = rgb(0, 0.8, 0);
  const auto innerColour = rgb(0.9, 0, 0.9);
  auto container = DRTextContainer::containerWithSize({W, 340});
  container->setInsets({10, 12, 10, 12});
  auto horizontal = DRTextLayout::layoutWithContainer(container, sampler(shadowColour, innerColour));
  ASSERT_TRUE(horizontal);
  drawInContext(*horizontal, ctx.get(), {W, 340}, nullptr);

  auto columnContainer = DRTextContainer::containerWithSize({170, 300});
  columnContainer->setVerticalForm(true);
  columnContainer->setInsets({10, 10, 10, 10});
  auto vertical = DRTextLayout::layoutWithContainer(columnContainer, column());
  ASSERT_TRUE(vertical);
  // The column keeps to the right of its wider area.
  drawInContext(*vertical, ctx.get(), {180, 300}, {0, 350}, nullptr, nullptr, nullptr, nullptr);

  auto debug = rt::make<DRTextDebugOption>();
  debug->setBaselineColor(rgb(1, 0, 0));
  debug->setCTFrameBorderColor(rgb(0.5, 0.5, 0.5));
  debug->setCTLineFillColor(rgb(0.8, 0.9, 1, 0.5));
  debug->setCTLineBorderColor(rgb(0, 0.4, 1));
  debug->setCTLineNumberColor(rgb(0, 0.4, 1));
  debug->setCTRunBorderColor(rgb(1, 0.5, 0, 0.8));
  debug->setCTRunNumberColor(rgb(1, 0.5, 0));
  debug->setCGGlyphBorderColor(rgb(1, 0.2, 0.6, 0.4));
  auto overlayText = styled(u"Debug 调试 overlay: lines, runs, glyphs", latin(15));
  set(*overlayText, typeset::FontAttributeName, cjk(15), {6, 2});
  auto overlayContainer = DRTextContainer::containerWithSize({175, 300});
  overlayContainer->setInsets({8, 8, 8, 8});
  auto overlay = DRTextLayout::layoutWithContainer(overlayContainer, overlayText);
  ASSERT_TRUE(overlay);
  drawInContext(*overlay, ctx.get(), {175, 300}, {195, 350}, nullptr, nullptr, debug, nullptr);

  // Shadows come from glyphs drawn far beyond the area: their colour must be here.
  const DRTextLine* shadowLine = nullptr;
  for (const auto& l : horizontal->lines())
    if (l->ascent() > 20 && !shadowLine) shadowLine = l.get();
  ASSERT_TRUE(shadowLine);
  const gfx::Rect shadowRow = gfx::RectInset(shadowLine->bounds(), 0, -3);
  EXPECT_GT(countPixels(*ctx, shadowRow, [](Argb p) { return p.g > 150 && p.r < 90 && p.b < 90; }), 200u);
  // The inner shadow paints inside its glyphs only.
  EXPECT_GT(countPixels(*ctx, shadowRow, [](Argb p) { return p.r > 150 && p.b > 150 && p.g < 120; }), 50u);
  // The block border fills the whole inner width, left of its text too.
  const auto& first = *horizontal->lines()[0];
  EXPECT_GT(countPixels(*ctx, gfx::RectMake(13, first.top() + 2, 2, first.height() - 4),
                        [](Argb p) { return p.b > 240 && p.r < 230 && p.r > 200; }),
            4u);
  // The overlay's line fill shows behind its text.
  EXPECT_GT(countPixels(*ctx, gfx::RectOffset(overlay->lines()[0]->bounds(), 195, 350),
                        [](Argb p) { return p.b > 240 && p.r > 200 && p.r < 240 && p.g > 220; }),
            100u);

  writeArtifact(*ctx, "text_drawing_gallery.png");
}

// A run's shadow comes from the glyphs' cached masks, and looks as the shadow of the glyphs
// filled as paths: the same place, amount, blur and colour. A clip half a pixel in from the
// edges, off the pixel grid, makes the context fill every glyph as a path, as shadows were
// drawn before; it cuts nothing that is drawn. Pixels differ a little along the glyphs' edges:
// a mask stands at its origin snapped to a quarter pixel, as the text drawn over the shadow
// does, where a filled path stood at the exact origin. A sharp shadow is the text's own
// coverage moved by the offset.
TEST(DRTextDrawingPicture, ShadowsFromGlyphMasksLookLikeThoseOfFilledGlyphs) {
  constexpr double kW = 300, kH = 90;
  struct Case {
    const char* name;
    gfx::Size offset;  // falls below the line, so the shadow is compared on its own
    double radius;
    Ref<gfx::Color> colour;
    int edge;  // the largest difference of a channel, where an edge moved by the snap
  } cases[] = {
      {"sharp", {1, 30}, 0, rgb(0, 0, 0, 0.4), 24},
      {"soft", {1, 31}, 1, rgb(0, 0, 0, 0.4), 4},
      {"wide", {2.5, 32}, 3, rgb(0.9, 0.3, 0, 0.7), 4},
  };
  auto text = [](const Ref<gfx::Color>& latinInk, const Ref<gfx::Color>& cjkInk) {
    auto s = typeset::MutableAttributedString::create();
    append(*s, u"Shadows 阴影 fall ", latin(16), {{typeset::CTForegroundColorAttributeName, latinInk}});
    append(*s, u"新闻在下面", cjk(18), {{typeset::CTForegroundColorAttributeName, cjkInk}});
    return s;
  };
  auto draw = [&](const DRTextLayout& layout, bool pathsOnly, gfx::Point at = {}) {
    auto ctx = gfx::Context::createForImage({kW, kH}, true, kScale);
    ctx->setFillColor(gfx::Color::whiteColor());
    ctx->fillRect(gfx::RectMake(0, 0, kW, kH));
    if (pathsOnly) ctx->clipToRect(gfx::RectMake(0.25, 0.25, kW - 0.5, kH - 0.5));
    drawInContext(layout, ctx.get(), {kW, kH}, at, nullptr, nullptr, nullptr, nullptr);
    return ctx;
  };
  auto lookups = [] {
    const auto stats = gfx::GlyphMaskCache::shared().stats();
    return stats.hits + stats.misses;
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    auto s = text(gfx::Color::blackColor(), rgb(0.6, 0.1, 0.1));
    auto plain = layoutOf(s, {kW, kH});
    setAll(*s, DRTextShadowKey, DRTextShadow::shadowWithColor(k.colour, k.offset, k.radius));
    auto shadowed = layoutOf(s, {kW, kH});
    ASSERT_TRUE(plain && shadowed);
    ASSERT_EQ(shadowed->lines().size(), 1u);

    const size_t start = lookups();
    draw(*plain, false);
    const size_t textOnly = lookups() - start;
    auto fromMasks = draw(*shadowed, false);
    const size_t withShadow = lookups() - start - textOnly;
    auto filled = draw(*shadowed, true);
    EXPECT_EQ(lookups() - start, textOnly + withShadow);  // the clip kept the masks out
    // Each glyph once for its shadow, once for itself.
    EXPECT_GT(textOnly, 10u);
    EXPECT_GE(withShadow, 2 * textOnly);

    // Below the line only the shadow falls. Its shade (what it takes from the white) is
    // summed, and weighed for its centre.
    const size_t top = size_t((gfx::RectGetMaxY(shadowed->lines()[0]->bounds()) + 2) * kScale);
    struct Shade {
      double total = 0, x = 0, y = 0;
      int darkest = 0;
    };
    auto shadeOf = [&](gfx::Context& ctx) {
      Shade out;
      for (size_t y = top; y < size_t(kH * kScale); ++y) {
        for (size_t x = 0; x < size_t(kW * kScale); ++x) {
          const Argb p = unpack(ctx.pixelAt(x, y));
          const int shade = 3 * 255 - p.r - p.g - p.b;
          out.total += shade;
          out.x += shade * double(x);
          out.y += shade * double(y);
          out.darkest = std::max(out.darkest, shade);
        }
      }
      out.x /= out.total;
      out.y /= out.total;
      return out;
    };
    const Shade a = shadeOf(*fromMasks), b = shadeOf(*filled);
    EXPECT_GT(b.total, 255.0 * 500);  // the shadow fell where it is compared
    EXPECT_NEAR(a.total, b.total, b.total * 0.005);
    EXPECT_NEAR(a.x, b.x, 0.2);  // device pixels
    EXPECT_NEAR(a.y, b.y, 0.2);
    EXPECT_NEAR(a.darkest, b.darkest, 3);  // the colour where the shadow is whole
    int largest = 0;
    for (size_t y = top; y < size_t(kH * kScale); ++y) {
      for (size_t x = 0; x < size_t(kW * kScale); ++x) {
        const Argb p = unpack(fromMasks->pixelAt(x, y)), q = unpack(filled->pixelAt(x, y));
        largest = std::max({largest, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
      }
    }
    EXPECT_LE(largest, k.edge);

    if (k.radius == 0) {
      // The text itself, in the shadow's colour, moved by the offset (whole pixels here).
      auto moved = layoutOf(text(k.colour, k.colour), {kW, kH});
      auto ink = draw(*moved, false, {k.offset.width, k.offset.height});
      int apart = 0;
      for (size_t y = top; y < size_t(kH * kScale); ++y) {
        for (size_t x = 0; x < size_t(kW * kScale); ++x) {
          const Argb p = unpack(fromMasks->pixelAt(x, y)), q = unpack(ink->pixelAt(x, y));
          apart = std::max({apart, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
        }
      }
      EXPECT_LE(apart, 1);
    }
    writeArtifact(*fromMasks, (std::string("text_drawing_shadow_") + k.name + ".png").c_str());
    writeArtifact(*filled, (std::string("text_drawing_shadow_") + k.name + "_filled.png").c_str());
  }
}

TEST(DRTextDrawingPicture, InnerShadowFallsInsideTheGlyphsOnly) {
  // White glyphs on white: only the inner shadow shows, along the strokes' top edges.
  auto s = styled(u"口", cjk(80));
  setAll(*s, typeset::CTForegroundColorAttributeName, gfx::Color::whiteColor());
  setAll(*s, typeset::ForegroundColorAttributeName, gfx::Color::whiteColor());
  setAll(*s, DRTextInnerShadowKey, DRTextShadow::shadowWithColor(rgb(1, 0, 0), {0, 6}, 0));
  auto layout = layoutOf(s, {120, 120});
  ASSERT_TRUE(layout);
  auto ctx = gfx::Context::createForImage({120, 120}, true, kScale);
  ctx->setFillColor(gfx::Color::whiteColor());
  ctx->fillRect(gfx::RectMake(0, 0, 120, 120));
  drawInContext(*layout, ctx.get(), {120, 120}, nullptr);
  const auto red = [](Argb p) { return p.r > 200 && p.g < 80; };
  // The glyph's ink box: red inside it, none outside.
  const gfx::Rect ink = gfx::RectOffset(layout->lines()[0]->CTLine()->glyphRuns()[0]->imageBounds({0, 0}), 0, 0);
  const auto& line = *layout->lines()[0];
  const gfx::Rect box = gfx::RectMake(line.position().x + ink.origin.x, line.position().y - gfx::RectGetMaxY(ink),
                                      ink.size.width, ink.size.height);
  EXPECT_GT(countPixels(*ctx, box, red), 400u);
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(0, 0, 120, box.origin.y - 1), red), 0u);
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(0, gfx::RectGetMaxY(box) + 1, 120, 120 - gfx::RectGetMaxY(box) - 1), red), 0u);
  // The shadow falls down from the top edges: the box's upper strip is red, the middle of
  // the glyph's hollow is not.
  EXPECT_GT(countPixels(*ctx, gfx::RectMake(box.origin.x + 10, box.origin.y, box.size.width - 20, 5), red), 100u);
  writeArtifact(*ctx, "text_drawing_inner_shadow.png");
}

TEST(DRTextDrawingPicture, UprightColumnGlyphsInkWithinTheirColumn) {
  // Ten ideographs fill each 400-point column exactly; their ink must end with the column,
  // inside the container, in a font whose ascent and descent add up to more than its advance.
  auto s = styled(u"区里的新闻每天更新在读者可以在频道之间切换", cjk(40));
  auto container = DRTextContainer::containerWithSize({200, 400});
  container->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(layout);
  ASSERT_GE(layout->lines().size(), 2u);
  for (const auto& line : layout->lines()) EXPECT_LE(line->bottom(), 400 + 1e-6);
  EXPECT_NEAR(layout->lines()[0]->bottom(), 400, 1e-6);
  auto ctx = gfx::Context::createForImage({200, 440}, true, kScale);
  ASSERT_TRUE(ctx);
  ctx->setFillColor(gfx::Color::whiteColor());
  ctx->fillRect(gfx::RectMake(0, 0, 200, 440));
  drawInContext(*layout, ctx.get(), {200, 440}, nullptr);
  writeArtifact(*ctx, "text_drawing_upright_column.png");
  const auto ink = [](Argb p) { return p.r < 200; };
  const auto& first = *layout->lines()[0];
  // The last glyph of the first column is drawn, right above the column's end...
  EXPECT_GT(countPixels(*ctx, gfx::RectMake(first.left(), 360, first.width(), 40), ink), 200u);
  // ...and nothing below it.
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(0, 400, 200, 40), ink), 0u);
}

TEST(DRTextDrawingPicture, VerticalFormsStandInACleanColumn) {
  // Text set in the font's vertical forms (its brackets and stops turned to their vertical
  // alternates): every glyph stands upright in its own stretch of the column, and no ink
  // leaves the line's box.
  const rt::String chars = u"「縦書き」、テスト。Ab";
  auto s = styled(chars, cjk(30));
  setAll(*s, typeset::VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1));
  auto container = DRTextContainer::containerWithSize({100, 420});
  container->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 1u);
  const auto& line = *layout->lines()[0];
  ASSERT_TRUE(line.CTLine()->glyphRuns()[0]->isVertical());
  auto ctx = gfx::Context::createForImage({100, 420}, true, kScale);
  ASSERT_TRUE(ctx);
  ctx->setFillColor(gfx::Color::whiteColor());
  ctx->fillRect(gfx::RectMake(0, 0, 100, 420));
  drawInContext(*layout, ctx.get(), {100, 420}, nullptr);
  writeArtifact(*ctx, "text_drawing_vertical_forms.png");
  const auto ink = [](Argb p) { return p.r < 160; };
  // The box starts where the column does, with the first glyph's stretch.
  EXPECT_NEAR(line.top(), line.position().y, 1e-6);
  const gfx::Rect box = gfx::RectInset(line.bounds(), -1, -1);
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(0, 0, 100, box.origin.y), ink), 0u);
  // Nothing outside the line's box: not beside it, not past its end.
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(0, 0, box.origin.x, 420), ink), 0u);
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(gfx::RectGetMaxX(box), 0, 100 - gfx::RectGetMaxX(box), 420), ink), 0u);
  EXPECT_EQ(countPixels(*ctx, gfx::RectMake(0, gfx::RectGetMaxY(box), 100, 420 - gfx::RectGetMaxY(box)), ink), 0u);
  // Each character's stretch of the column holds ink, the stops' and brackets' too.
  const auto& ctLine = *line.CTLine();
  for (uint64_t i = 0; i < chars.length(); ++i) {
    const double from = ctLine.offsetForStringIndex(int64_t(i)), to = ctLine.offsetForStringIndex(int64_t(i + 1));
    ASSERT_GT(to - from, 5) << i;
    EXPECT_GT(countPixels(*ctx, gfx::RectMake(line.left(), line.position().y + from, line.width(), to - from), ink), 10u) << i;
  }
}

TEST(DRTextDrawingPicture, TabsLeaveAnEmptyGapToTheirStop) {
  // "口\t口" in a row and in a column: between the first glyph's end and the stop at 56 points
  // there is no ink (no missing-glyph box), and the second glyph starts at the stop.
  auto style = rt::as<typeset::MutableParagraphStyle>(typeset::ParagraphStyle::defaultParagraphStyle()->mutableCopy());
  style->setTabStops({});
  style->setDefaultTabInterval(56);
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical);
    auto s = styled(u"口\t口", cjk(20));
    setAll(*s, typeset::ParagraphStyleAttributeName, style);
    auto container = DRTextContainer::containerWithSize({120, 120});
    container->setVerticalForm(vertical);
    auto layout = DRTextLayout::layoutWithContainer(container, s);
    ASSERT_TRUE(layout);
    const auto& line = *layout->lines()[0];
    ASSERT_NEAR(line.CTLine()->offsetForStringIndex(2), 56, 1e-6);
    auto ctx = gfx::Context::createForImage({120, 120}, true, kScale);
    ctx->setFillColor(gfx::Color::whiteColor());
    ctx->fillRect(gfx::RectMake(0, 0, 120, 120));
    drawInContext(*layout, ctx.get(), {120, 120}, nullptr);
    writeArtifact(*ctx, vertical ? "text_drawing_tab_column.png" : "text_drawing_tab_row.png");
    const auto ink = [](Argb p) { return p.r < 160; };
    // Along the line: the gap from 21 to 55 points, the second glyph from 56 on.
    const gfx::Rect gap = vertical ? gfx::RectMake(line.left(), line.position().y + 21, line.width(), 34)
                                   : gfx::RectMake(line.position().x + 21, line.top(), 34, line.height());
    const gfx::Rect second = vertical ? gfx::RectMake(line.left(), line.position().y + 56, line.width(), 20)
                                      : gfx::RectMake(line.position().x + 56, line.top(), 20, line.height());
    EXPECT_EQ(countPixels(*ctx, gap, ink), 0u);
    EXPECT_GT(countPixels(*ctx, second, ink), 50u);
  }
}
