// Borders and decorations of real layouts: segments joined across runs and lines, block
// borders over whole rows, what the border renderer strokes, and the decorations' lines.
#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
#include "platform/graphics/BezierPath.h"
#include "tests/text/drawing/DrawingSupport.h"
#include "text/drawing/DRTextBorderSegments.h"
#include "text/drawing/DRTextDrawingPasses.h"
#include "text/layout/DRTextContainer.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"

using namespace text;
using namespace drawing_test;

namespace {

struct Segment {
  const DRTextBorder* border;
  std::vector<gfx::Rect> rects;
};

std::vector<Segment> segments(const DRTextLayout& layout, DRTextBorderPass pass) {
  std::vector<Segment> out;
  DRTextEnumerateBorderSegments(layout, pass, 0, nullptr, [&](const DRTextBorder& b, const std::vector<gfx::Rect>& r) {
    out.push_back({&b, r});
  });
  return out;
}

}  // namespace

TEST(DRTextBorderSegments, ALinkOverTwoLinesGetsTwoRectangles) {
  auto s = styled("Read the whole story online today");
  auto border = DRTextBorder::borderWithFillColor(gfx::Color::yellowColor(), 3);
  set(*s, DRTextBackgroundBorderKey, border, {9, 17});  // "whole story online"
  auto layout = layoutOf(s, {130, 300});
  ASSERT_GE(layout->lines().size(), 2u);
  const auto found = segments(*layout, DRTextBorderPass::Background);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].border, border.get());
  ASSERT_EQ(found[0].rects.size(), 2u);
  // Each rectangle spans its line's ascent and descent.
  const auto& first = *layout->lines()[0];
  EXPECT_NEAR(found[0].rects[0].origin.y, first.position().y - first.ascent(), 0.01);
  EXPECT_LT(found[0].rects[0].origin.y, found[0].rects[1].origin.y);
  EXPECT_TRUE(segments(*layout, DRTextBorderPass::Border).empty());
}

TEST(DRTextBorderSegments, RunsOfOneLineWithAnEqualBorderJoin) {
  auto s = styled("plain red blue plain");
  auto border = DRTextBorder::borderWithLineStyle(DRTextLineKindSingle, 1, gfx::Color::redColor());
  set(*s, DRTextBorderKey, border, {6, 8});
  set(*s, typeset::CTForegroundColorAttributeName, gfx::Color::redColor(), {6, 3});
  set(*s, typeset::CTForegroundColorAttributeName, gfx::Color::blueColor(), {10, 4});
  auto layout = layoutOf(s);
  ASSERT_GE(layout->lines()[0]->CTLine()->glyphRuns().size(), 4u);
  const auto found = segments(*layout, DRTextBorderPass::Border);
  ASSERT_EQ(found.size(), 1u);
  ASSERT_EQ(found[0].rects.size(), 1u);
  // Two borders that are different objects make two segments.
  set(*s, DRTextBorderKey, DRTextBorder::borderWithLineStyle(DRTextLineKindSingle, 1, gfx::Color::redColor()), {10, 4});
  EXPECT_EQ(segments(*layoutOf(s), DRTextBorderPass::Border).size(), 2u);
}

TEST(DRTextBorderSegments, BlockBorderStartsAtTheFirstLineOfItsRowAndSpansTheContainer) {
  // An exclusion in the middle cuts every row into two lines.
  auto s = styled("Left and right pieces of each row share it. The second row follows here and more.");
  auto container = DRTextContainer::containerWithSize({300, 200});
  container->setInsets({5, 7, 5, 9});
  container->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(130, 0, 40, 200))});
  auto probe = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(probe);
  ASSERT_GE(probe->lines().size(), 3u);
  const auto& second = *probe->lines()[1];
  ASSERT_EQ(second.row(), probe->lines()[0]->row());
  auto border = DRTextBorder::borderWithFillColor(gfx::Color::greenColor(), 0);
  set(*s, DRTextBlockBorderKey, border, second.range());
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  std::vector<gfx::Rect> blocks;
  DRTextEnumerateBlockBorders(*layout, 0, nullptr, [&](const DRTextBorder& b, const std::vector<gfx::Rect>& r) {
    EXPECT_EQ(&b, border.get());
    blocks.insert(blocks.end(), r.begin(), r.end());
  });
  ASSERT_EQ(blocks.size(), 1u);
  const auto& first = *layout->lines()[0];
  EXPECT_DOUBLE_EQ(blocks[0].origin.x, 7);
  EXPECT_DOUBLE_EQ(blocks[0].size.width, 300 - 7 - 9);
  EXPECT_DOUBLE_EQ(blocks[0].origin.y, first.top());
  EXPECT_DOUBLE_EQ(gfx::RectGetMaxY(blocks[0]), std::max(first.bottom(), layout->lines()[1]->bottom()));
}

TEST(DRTextBorderRenderer, WhatEachBorderStrokes) {
  struct Case {
    const char* name;
    DRTextLineKind style;
    double width;
    bool fill, stroke;
    size_t fills, strokes;
    double lineWidth;  // of the first stroke
  } cases[] = {
      {"fill only: no line style", DRTextLineKindNone, 1, true, true, 1, 0, 0},
      {"fill only: no stroke width", DRTextLineKindSingle, 0, true, true, 1, 0, 0},
      {"nothing at all", DRTextLineKindSingle, 1, false, false, 0, 0, 0},
      {"single", DRTextLineKindSingle, 1, false, true, 0, 1, 1},
      {"thick", DRTextLineKindThick, 1, true, true, 1, 1, 2},
      {"double", DRTextLineKindDouble, 1, false, true, 0, 2, 1},
  };
  for (const auto& c : cases) {
    auto border = rt::make<DRTextBorder>();
    border->setLineStyle(c.style);
    border->setStrokeWidth(c.width);
    if (c.fill) border->setFillColor(gfx::Color::yellowColor());
    if (c.stroke) border->setStrokeColor(gfx::Color::redColor());
    border->setShadow(DRTextShadow::shadowWithColor(gfx::Color::blackColor(), {1, 1}, 2));
    auto ctx = gfx::RecordingContext::create({100, 100}, 2);
    DRTextDrawBorderRects(*ctx, *border, {gfx::RectMake(10, 10, 40, 20)}, false, {100, 100}, 2);
    EXPECT_EQ(ctx->count("fillPath"), c.fills) << c.name;
    EXPECT_EQ(ctx->count("strokePath"), c.strokes) << c.name;
    if (!c.fill && !c.stroke) {
      EXPECT_TRUE(ctx->commands().empty()) << c.name;
    }
    if (c.strokes) {
      // The stroke is clipped to lie outside every fill path.
      EXPECT_GE(ctx->count("eoClip"), c.strokes) << c.name;
      size_t lastWidth = std::string::npos;
      for (size_t i = 0; i < ctx->commands().size() && ctx->commands()[i].name != "strokePath"; ++i)
        if (ctx->commands()[i].name == "setLineWidth") lastWidth = i;
      ASSERT_NE(lastWidth, std::string::npos) << c.name;
      EXPECT_DOUBLE_EQ(ctx->commands()[lastWidth].args[0], c.lineWidth) << c.name;
    }
    if (c.fills || c.strokes) {
      EXPECT_EQ(ctx->count("beginTransparencyLayer"), 1u) << c.name;  // one shadow for the lot
    }
  }
}

TEST(DRTextDecorations, LineMetricsComeFromEveryFontOfTheLine) {
  auto s = styled("small ", latin(12));
  s->appendAttributedString(*styled("BIG", latin(20)));
  auto layout = layoutOf(s);
  const auto m = DRTextDecorationMetricsForLine(*layout->lines()[0]->CTLine());
  EXPECT_DOUBLE_EQ(m.underlineThickness, std::max(latin(12)->underlineThickness(), latin(20)->underlineThickness()));
  EXPECT_DOUBLE_EQ(m.underlinePosition, std::min(latin(12)->underlinePosition(), latin(20)->underlinePosition()));
  EXPECT_DOUBLE_EQ(m.xHeight, latin(20)->xHeight());

  // Both runs' underlines lie on one line, as thick as the larger font's.
  setAll(*s, DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle));
  auto ctx = gfx::RecordingContext::create({300, 400}, 2);
  drawInContext(*layoutOf(s), ctx.get(), {300, 400}, nullptr);
  std::vector<double> ys;
  for (const auto& c : ctx->commands())
    if (c.name == "moveToPoint") ys.push_back(c.args[1]);
  ASSERT_EQ(ys.size(), 2u);
  EXPECT_DOUBLE_EQ(ys[0], ys[1]);
  EXPECT_NE(find(*ctx, "setLineWidth", 0, m.underlineThickness), std::string::npos);
}

TEST(DRTextDecorations, WeightsDrawTheirLines) {
  struct Case {
    DRTextLineKind style;
    size_t strokes;
    double width;
  } cases[] = {
      {DRTextLineKindNone, 0, 0}, {DRTextLineKindSingle | DRTextLineKindPatternDot, 1, 1},
      {DRTextLineKindThick, 1, 2}, {DRTextLineKindDouble, 2, 1}, {0x03, 0, 0},
  };
  for (const auto& c : cases) {
    auto s = styled("Decorated");
    setAll(*s, DRTextStrikethroughKey,
           DRTextDecoration::decorationWithStyle(c.style, fd::Number::numberWithDouble(1), gfx::Color::redColor()));
    auto ctx = gfx::RecordingContext::create({300, 400}, 2);
    drawInContext(*layoutOf(s), ctx.get(), {300, 400}, nullptr);
    EXPECT_EQ(ctx->count("strokePath"), c.strokes) << std::hex << c.style;
    if (c.strokes) {
      EXPECT_NE(find(*ctx, "setLineWidth", 0, c.width), std::string::npos) << std::hex << c.style;
    }
  }
}

TEST(DRTextDecorations, ALineBreakRunIsNotDecorated) {
  auto s = styled("ab");
  s->appendAttributedString(*styled("\r\n", latin(15)));
  s->appendAttributedString(*styled("cd"));
  setAll(*s, DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle));
  auto layout = layoutOf(s);
  size_t breakRuns = 0;
  for (const auto& line : layout->lines())
    for (const auto& run : line->CTLine()->glyphRuns())
      breakRuns += run->stringRange().location == 2 && run->stringRange().length == 2 && run->glyphCount() > 0;
  ASSERT_EQ(breakRuns, 1u);  // a run of its own, with glyphs
  auto ctx = gfx::RecordingContext::create({300, 400}, 2);
  drawInContext(*layout, ctx.get(), {300, 400}, nullptr);
  EXPECT_EQ(ctx->count("strokePath"), 2u);
}

TEST(DRTextDecorations, AStrikethroughShadowFollowsItsOwnLine) {
  auto s = styled("Struck");
  auto strike = DRTextDecoration::decorationWithStyle(DRTextLineKindSingle, nullptr, gfx::Color::redColor());
  strike->setShadow(DRTextShadow::shadowWithColor(marker(0.4), {0, 2}, 0));
  setAll(*s, DRTextStrikethroughKey, strike);
  auto layout = layoutOf(s);
  auto ctx = gfx::RecordingContext::create({300, 400}, 2);
  drawInContext(*layout, ctx.get(), {300, 400}, nullptr);
  EXPECT_EQ(layout->needDrawUnderline(), false);
  const size_t shadow = find(*ctx, "setShadow", 3, 0.4);
  ASSERT_NE(shadow, std::string::npos);
  EXPECT_DOUBLE_EQ(ctx->commands()[shadow].args[0], -(300 + 65535.0));
  // The shadowed copy and the line itself are stroked at the same height.
  std::vector<double> ys;
  for (const auto& c : ctx->commands())
    if (c.name == "moveToPoint") ys.push_back(c.args[1]);
  ASSERT_EQ(ys.size(), 2u);
  EXPECT_DOUBLE_EQ(ys[0], ys[1]);
}

TEST(DRTextDebugDrawing, TheContainerPathIsLeftAsItWas) {
  auto container = DRTextContainer::containerWithPath(gfx::BezierPath::bezierPathWithOvalInRect(gfx::RectMake(0, 0, 200, 150)));
  container->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(80, 40, 40, 40))});
  container->setPathLineWidth(2);
  auto layout = DRTextLayout::layoutWithContainer(container, styled("Text in an oval with a hole in the middle of it."));
  ASSERT_TRUE(layout);
  const auto& path = layout->container()->path();
  const size_t elements = path->CGPath()->elements().size();
  const gfx::Rect bounds = path->bounds();
  auto option = rt::make<DRTextDebugOption>();
  option->setCTFrameBorderColor(gfx::Color::redColor());
  option->setCTFrameFillColor(gfx::Color::yellowColor());
  option->setCGGlyphBorderColor(gfx::Color::blueColor());
  option->setCTRunNumberColor(gfx::Color::greenColor());
  option->setCTLineNumberColor(gfx::Color::greenColor());
  option->setBaselineColor(gfx::Color::redColor());
  for (int i = 0; i < 3; ++i) {
    auto ctx = gfx::RecordingContext::create({200, 150}, 2);
    drawInContext(*layout, ctx.get(), {200, 150}, option);
    EXPECT_EQ(ctx->count("beginTransparencyLayer"), 1u);  // the path's stroke band cut out of the fill
    EXPECT_EQ(ctx->count("saveGState"), ctx->count("restoreGState"));
  }
  EXPECT_EQ(layout->container()->path()->CGPath()->elements().size(), elements);
  EXPECT_TRUE(gfx::RectEqualToRect(layout->container()->path()->bounds(), bounds));
}
