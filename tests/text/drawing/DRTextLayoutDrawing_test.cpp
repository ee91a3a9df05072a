// Layout drawing checked through a recording context: the passes' order and conditions,
// cancellation, shadow chains, inner shadows, vertical glyphs and the truncated line.
#include <gtest/gtest.h>

#include "base/graphics/Image+DUDer.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/typeset/FontDescriptor.h"
#include "platform/typeset/Shadow.h"
#include "tests/text/drawing/DrawingSupport.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "text/layout/DRTextContainer.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextShadow.h"

using namespace text;
using namespace drawing_test;

namespace {

const gfx::Size kArea{300, 400};

// One text that needs every pass, each marked by its own colour.
Ref<typeset::MutableAttributedString> everything() {
  auto s = styled("Block and background borders, a shadow, an underline, ");
  s->appendAttributedString(*attachmentStringWithContent(base::imageWithColor(gfx::Color::redColor(), {8, 8}), 0, 8, 8, 0));
  s->appendAttributedString(*styled(" inner shadow, strikethrough and border."));
  setAll(*s, typeset::CTForegroundColorAttributeName, marker(0.55));
  set(*s, DRTextBlockBorderKey, DRTextBorder::borderWithFillColor(marker(0.11), 0), {0, 5});
  set(*s, DRTextBackgroundBorderKey, DRTextBorder::borderWithFillColor(marker(0.22), 2), {6, 3});
  set(*s, DRTextShadowKey, DRTextShadow::shadowWithColor(marker(0.33), {1, 1}, 0), {10, 5});
  set(*s, DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle, nullptr, marker(0.44)), {20, 5});
  set(*s, DRTextInnerShadowKey, DRTextShadow::shadowWithColor(marker(0.66), {0, 1}, 1), {58, 5});
  set(*s, DRTextStrikethroughKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle, nullptr, marker(0.77)), {72, 5});
  set(*s, DRTextBorderKey, DRTextBorder::borderWithLineStyle(DRTextLineKindSingle, 1, marker(0.88)), {89, 6});
  return s;
}

Ref<DRTextDebugOption> debugOption() {
  auto option = rt::make<DRTextDebugOption>();
  option->setCTLineFillColor(marker(0.99));
  return option;
}

}  // namespace

TEST(DRTextLayoutDrawing, PassesRunInTheirFixedOrder) {
  auto layout = layoutOf(everything());
  ASSERT_TRUE(layout);
  for (bool flag : {layout->needDrawBlockBorder(), layout->needDrawBackgroundBorder(), layout->needDrawShadow(),
                    layout->needDrawUnderline(), layout->needDrawText(), layout->needDrawAttachment(),
                    layout->needDrawInnerShadow(), layout->needDrawStrikethrough(), layout->needDrawBorder()})
    ASSERT_TRUE(flag);
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  drawInContext(*layout, ctx.get(), kArea, debugOption());
  const size_t npos = std::string::npos;
  const size_t passes[] = {
      find(*ctx, "setFillColor", 0, 0.11),    // block borders
      find(*ctx, "setFillColor", 0, 0.22),    // background borders
      find(*ctx, "setShadow", 3, 0.33),       // shadows
      find(*ctx, "setStrokeColor", 0, 0.44),  // underlines
      find(*ctx, "setShadow", 6, 0),          // the text pass clears the shadow
      find(*ctx, "drawImage", 2, 8),          // attachments
      find(*ctx, "setShadow", 3, 0.66),       // inner shadows
      find(*ctx, "setStrokeColor", 0, 0.77),  // strikethroughs
      find(*ctx, "setStrokeColor", 0, 0.88),  // borders
      find(*ctx, "setFillColor", 0, 0.99),    // debug
  };
  for (size_t i = 0; i < std::size(passes); ++i) {
    ASSERT_NE(passes[i], npos) << "pass " << i + 1;
    if (i) {
      EXPECT_LT(passes[i - 1], passes[i]) << "pass " << i + 1;
    }
  }
  // The glyphs of the text pass come after its start; the shadow pass drew them before too.
  EXPECT_NE(find(*ctx, "setShadow", 0, 0, passes[4]), npos);
  EXPECT_EQ(ctx->count("saveGState"), ctx->count("restoreGState"));
  EXPECT_EQ(ctx->count("beginTransparencyLayer"), ctx->count("endTransparencyLayer"));
}

TEST(DRTextLayoutDrawing, PlainTextRunsOnlyTheTextPass) {
  auto layout = layoutOf(styled("One\nTwo\nThree"));
  ASSERT_EQ(layout->lines().size(), 3u);
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  int asked = 0;
  drawInContext(*layout, ctx.get(), kArea, {}, nullptr, nullptr, nullptr, [&] { return ++asked, false; });
  // Once before the pass and once after each line.
  EXPECT_EQ(asked, 4);
  EXPECT_EQ(ctx->count("strokePath"), 0u);
  EXPECT_EQ(ctx->count("fillPath"), 0u);
  EXPECT_EQ(ctx->count("beginTransparencyLayer"), 0u);
  EXPECT_EQ(ctx->count("setShadow"), 1u);
  EXPECT_GE(ctx->count("showGlyphsAtPositions"), 3u);
}

TEST(DRTextLayoutDrawing, CancelStopsAtOnceAndLeavesTheStateBalanced) {
  auto layout = layoutOf(everything());
  auto full = gfx::RecordingContext::create(kArea, 2);
  size_t asks = 0;
  drawInContext(*layout, full.get(), kArea, {}, nullptr, nullptr, debugOption(), [&] { return ++asks, false; });
  ASSERT_GT(asks, 10u);
  size_t previous = 0;
  for (size_t k = 0; k <= asks; ++k) {
    auto ctx = gfx::RecordingContext::create(kArea, 2);
    size_t n = 0;
    drawInContext(*layout, ctx.get(), kArea, {}, nullptr, nullptr, debugOption(), [&] { return n++ >= k; });
    const size_t drawn = ctx->commands().size();
    if (k == 0) {
      EXPECT_EQ(drawn, 0u);
    }
    EXPECT_GE(drawn, previous) << k;
    EXPECT_EQ(ctx->count("saveGState"), ctx->count("restoreGState")) << k;
    EXPECT_EQ(ctx->count("beginTransparencyLayer"), ctx->count("endTransparencyLayer")) << k;
    previous = drawn;
  }
  EXPECT_EQ(previous, full->commands().size());
}

TEST(DRTextLayoutDrawing, ShadowChainDrawsThePlatformShadowFirstAndSkipsColourlessLinks) {
  auto s = styled("Shadowed");
  auto head = DRTextShadow::shadowWithColor(marker(0.31), {1, 1}, 0);
  auto blank = DRTextShadow::shadowWithColor(nullptr, {2, 2}, 0);
  blank->setSubShadow(DRTextShadow::shadowWithColor(marker(0.32), {3, 3}, 1));
  head->setSubShadow(blank);
  setAll(*s, DRTextShadowKey, head);
  setAll(*s, typeset::ShadowAttributeName, typeset::Shadow::create({0, 2}, 0, marker(0.30)));
  auto layout = layoutOf(s);
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  drawInContext(*layout, ctx.get(), kArea, nullptr);
  std::vector<double> reds;
  for (const auto& c : ctx->commands())
    if (c.name == "setShadow" && c.args[6] > 0) reds.push_back(c.args[3]);
  ASSERT_EQ(reds.size(), 3u);
  EXPECT_DOUBLE_EQ(reds[0], 0.30);
  EXPECT_DOUBLE_EQ(reds[1], 0.31);
  EXPECT_DOUBLE_EQ(reds[2], 0.32);
  // Each shadow is cast by glyphs drawn a whole area width (and more) to the right.
  const double shift = kArea.width + 65535;
  const size_t first = find(*ctx, "setShadow", 3, 0.30);
  EXPECT_DOUBLE_EQ(ctx->commands()[first].args[0], -shift);
  EXPECT_NE(find(*ctx, "translateCTM", 0, shift, first), std::string::npos);
}

TEST(DRTextLayoutDrawing, InnerShadowSkipsRunsWithoutInkAndGoesOn) {
  auto s = styled(" X");
  set(*s, DRTextInnerShadowKey, DRTextShadow::shadowWithColor(marker(0.6), {0, 1}, 1), {0, 1});
  set(*s, DRTextInnerShadowKey, DRTextShadow::shadowWithColor(marker(0.7), {0, 1}, 1), {1, 1});
  auto layout = layoutOf(s);
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  drawInContext(*layout, ctx.get(), kArea, nullptr);
  EXPECT_EQ(find(*ctx, "setShadow", 3, 0.6), std::string::npos);
  const size_t x = find(*ctx, "setShadow", 3, 0.7);
  ASSERT_NE(x, std::string::npos);
  // Three nested layers: the area, the filled box, and the glyphs that cut it.
  EXPECT_EQ(ctx->count("beginTransparencyLayer"), 3u);
  EXPECT_NE(find(*ctx, "setBlendMode", 0, double(gfx::BlendMode::SourceOut), x), std::string::npos);
  EXPECT_NE(find(*ctx, "setBlendMode", 0, double(gfx::BlendMode::DestinationIn), x), std::string::npos);
}

TEST(DRTextLayoutDrawing, VerticalGlyphsStandByTheirPlan) {
  // Two ideographs stand as they are, two Latin letters turn, the comma turns and moves.
  auto s = styled(u"中文ab，", cjk(16));
  auto container = DRTextContainer::containerWithSize({100, 300});
  container->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 1u);
  auto ctx = gfx::RecordingContext::create({120, 300}, 2);
  drawInContext(*layout, ctx.get(), {120, 300}, nullptr);
  EXPECT_EQ(ctx->count("showGlyphsAtPositions"), 5u);
  EXPECT_EQ(ctx->count("rotateCTM"), 2u);
  // The column keeps to the right edge of a wider area: glyphs move by the extra 20 points.
  const auto& line = *layout->lines()[0];
  double minX = 1e9;
  for (const auto& c : ctx->commands())
    if (c.name == "setTextPosition" && c.args[0] > 0) minX = std::min(minX, c.args[0]);
  EXPECT_GT(minX, 20 + line.position().x - 16);
}

TEST(DRTextLayoutDrawing, VerticalLineBreaksDrawNoGlyph) {
  // Without the breaks the same four ideographs draw four glyphs: a break draws no box.
  for (const char16_t* text : {u"中文\n中文\n", u"中文\r\n中文\r"}) {
    auto container = DRTextContainer::containerWithSize({100, 300});
    container->setVerticalForm(true);
    auto layout = DRTextLayout::layoutWithContainer(container, styled(text, cjk(16)));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->lines().size(), 2u);
    auto ctx = gfx::RecordingContext::create({120, 300}, 2);
    drawInContext(*layout, ctx.get(), {120, 300}, nullptr);
    EXPECT_EQ(ctx->count("showGlyphsAtPositions"), 4u);
  }
}

TEST(DRTextLayoutDrawing, VerticalStrokeWidthChoosesTheDrawingMode) {
  struct Case {
    double width;
    gfx::TextDrawingMode mode;
  } cases[] = {{3, gfx::TextDrawingMode::Stroke}, {-3, gfx::TextDrawingMode::FillStroke}};
  for (const auto& c : cases) {
    auto s = styled(u"中文", cjk(20));
    setAll(*s, typeset::CTStrokeWidthAttributeName, fd::Number::numberWithDouble(c.width));
    auto container = DRTextContainer::containerWithSize({100, 300});
    container->setVerticalForm(true);
    auto layout = DRTextLayout::layoutWithContainer(container, s);
    auto ctx = gfx::RecordingContext::create({100, 300}, 2);
    drawInContext(*layout, ctx.get(), {100, 300}, nullptr);
    EXPECT_NE(find(*ctx, "setTextDrawingMode", 0, double(c.mode)), std::string::npos) << c.width;
    EXPECT_NE(find(*ctx, "setLineWidth", 0, 20 * 0.03), std::string::npos) << c.width;
  }
}

TEST(DRTextLayoutDrawing, TruncatedLineIsDrawnInPlaceOfTheLastLine) {
  auto s = styled("A first line of text that is long enough to be cut somewhere");
  auto container = DRTextContainer::containerWithSize({120, 400});
  container->setMaximumNumberOfRows(1);
  container->setTruncationType(DRTextTruncationTypeEnd);
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(layout && layout->truncatedLine());
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  drawInContext(*layout, ctx.get(), kArea, nullptr);
  size_t glyphs = 0;
  for (const auto& c : ctx->commands())
    if (c.name == "showGlyphsAtPositions") glyphs += c.glyphs.size();
  EXPECT_EQ(glyphs, layout->truncatedLine()->CTLine()->glyphCount());
  EXPECT_NE(glyphs, layout->lines()[0]->CTLine()->glyphCount());
}

TEST(DRTextLayoutDrawing, TransformedGlyphsAreDrawnOneByOneAtTheirPositions) {
  auto s = styled("abc");
  const gfx::AffineTransform skew{1, 0, 0.3, 1, 0, 0};
  setAll(*s, DRTextGlyphTransformKey, fd::ValueBox::valueWith(skew));
  setAll(*s, DRTextInnerShadowKey, DRTextShadow::shadowWithColor(marker(0.6), {0, 1}, 0));
  auto layout = layoutOf(s);
  const auto& line = *layout->lines()[0];
  const auto& run = *line.CTLine()->glyphRuns()[0];
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  drawInContext(*layout, ctx.get(), kArea, nullptr);
  std::vector<gfx::DrawCommand> shown;
  for (const auto& c : ctx->commands())
    if (c.name == "showGlyphsAtPositions") shown.push_back(c);
  // The text pass draws three single glyphs; the inner shadow draws them again.
  ASSERT_EQ(shown.size(), 6u);
  for (size_t g = 0; g < 3; ++g) {
    const auto& c = shown[g];
    ASSERT_EQ(c.glyphs.size(), 1u);
    EXPECT_EQ(c.glyphs[0], run.glyphs()[g]);
    EXPECT_DOUBLE_EQ(c.args[4], 0.3);  // the transform's c
    EXPECT_DOUBLE_EQ(c.args[6], line.position().x + run.positions()[g].x);
    EXPECT_DOUBLE_EQ(c.args[7], kArea.height - (line.position().y + run.positions()[g].y));
  }
  // Transformed glyphs leave the run's ink box: the inner shadow clips to the whole area.
  const size_t clip = find(*ctx, "clipToRect", 2, kArea.width);
  ASSERT_NE(clip, std::string::npos);
  EXPECT_DOUBLE_EQ(ctx->commands()[clip].args[3], kArea.height);
}

TEST(DRTextLayoutDrawing, ColourGlyphsInAColumnAllTurnAndDrawWithTheirFont) {
  auto emoji = typeset::Font::fontWithName("Noto Color Emoji", 20);
  ASSERT_TRUE(emoji);
  ASSERT_TRUE(emoji->symbolicTraits() & typeset::FontTraitColorGlyphs);
  auto s = styled(u"\U0001F600\U0001F680", emoji);
  auto container = DRTextContainer::containerWithSize({100, 300});
  container->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(layout);
  auto ctx = gfx::RecordingContext::create({100, 300}, 2);
  drawInContext(*layout, ctx.get(), {100, 300}, nullptr);
  size_t shown = 0;
  for (const auto& c : ctx->commands())
    if (c.name == "showGlyphsAtPositions") {
      ++shown;
      EXPECT_EQ(c.font, emoji->postScriptName().utf8());
    }
  EXPECT_EQ(shown, 2u);
  EXPECT_EQ(ctx->count("rotateCTM"), 0u);
}

TEST(DRTextLayoutDrawing, ACutLineDrawsTheDecorationsAndBordersItShows) {
  // Cut at the start, the row shows the end of the paragraph, past the visible range: the
  // underline on "its" and the border round "end" (the text's last characters) are drawn.
  auto s = styled("A first line of text that is long enough to be cut somewhere near its end");
  const uint64_t n = s->length();
  set(*s, DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle, nullptr, marker(0.44)),
      {n - 7, 3});
  set(*s, DRTextBorderKey, DRTextBorder::borderWithLineStyle(DRTextLineKindSingle, 1, marker(0.88)), {n - 3, 3});
  auto container = DRTextContainer::containerWithSize({160, 400});
  container->setMaximumNumberOfRows(1);
  container->setTruncationType(DRTextTruncationTypeStart);
  auto layout = DRTextLayout::layoutWithContainer(container, s);
  ASSERT_TRUE(layout && layout->truncatedLine());
  ASSERT_LT(layout->visibleRange().end(), n - 7);
  auto ctx = gfx::RecordingContext::create(kArea, 2);
  drawInContext(*layout, ctx.get(), kArea, nullptr);
  EXPECT_NE(find(*ctx, "setStrokeColor", 0, 0.44), std::string::npos);
  EXPECT_NE(find(*ctx, "setStrokeColor", 0, 0.88), std::string::npos);
  EXPECT_EQ(ctx->count("strokePath"), 2u);
}

TEST(DRTextLayoutDrawing, EitherColourKeyColoursDecorationsAndColumnGlyphs) {
  // Text coloured through one key only: the underline without a colour of its own takes the
  // text's colour, and so do glyphs drawn one by one in a column.
  for (const char* key : {typeset::ForegroundColorAttributeName, typeset::CTForegroundColorAttributeName}) {
    SCOPED_TRACE(key);
    auto s = styled(u"中文 text", cjk(16));
    setAll(*s, key, marker(0.61));
    setAll(*s, DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(DRTextLineKindSingle));
    auto row = gfx::RecordingContext::create(kArea, 2);
    drawInContext(*layoutOf(s), row.get(), kArea, nullptr);
    EXPECT_NE(find(*row, "setStrokeColor", 0, 0.61), std::string::npos);

    auto container = DRTextContainer::containerWithSize({100, 300});
    container->setVerticalForm(true);
    auto column = gfx::RecordingContext::create({100, 300}, 2);
    drawInContext(*DRTextLayout::layoutWithContainer(container, s), column.get(), {100, 300}, nullptr);
    const size_t fill = find(*column, "setFillColor", 0, 0.61);
    EXPECT_NE(fill, std::string::npos);
    EXPECT_EQ(find(*column, "setFillColor", 0, 0), std::string::npos);  // never black
  }
}

TEST(DRTextLayoutDrawing, TabsDrawNoGlyphInARowOrAColumn) {
  // A tab is a gap up to its stop: the glyphs drawn are those of the other characters.
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical);
    auto s = styled(u"中\t文\tx", cjk(16));
    auto container = DRTextContainer::containerWithSize({200, 300});
    container->setVerticalForm(vertical);
    auto layout = DRTextLayout::layoutWithContainer(container, s);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->lines().size(), 1u);
    auto ctx = gfx::RecordingContext::create({200, 300}, 2);
    drawInContext(*layout, ctx.get(), {200, 300}, nullptr);
    size_t glyphs = 0;
    for (const auto& c : ctx->commands())
      if (c.name == "showGlyphsAtPositions") glyphs += c.glyphs.size();
    EXPECT_EQ(glyphs, 3u);
    // The second ideograph stands at the default stop, 28 points along.
    EXPECT_NEAR(layout->lines()[0]->CTLine()->offsetForStringIndex(2), 28, 1e-6);
  }
}
