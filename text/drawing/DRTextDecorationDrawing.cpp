// Underlines and strikethroughs: placed from the metrics of all fonts of their line, snapped
// to sharp pixels, each with its own chain of shadows.
#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Line.h"
#include "text/drawing/DRTextDrawingPasses.h"
#include "text/model/DRTextDecoration.h"

namespace text {

namespace {

// A run that only breaks the line carries no decoration.
bool isLineBreak(const rt::String& s) {
  if (s.length() == 1) {
    const char16_t c = s[0];
    return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029;
  }
  return s.length() == 2 && s[0] == u'\r' && s[1] == u'\n';
}

void drawDecorationLine(gfx::Context& ctx, DRTextLineKind style, const Ref<gfx::Color>& color, bool vertical,
                        double length, double width, gfx::Point start, double scale) {
  const DRTextLineKind weight = style & 0xFF;
  if (weight == DRTextLineKindNone) return;
  if (weight != DRTextLineKindSingle && weight != DRTextLineKindThick && weight != DRTextLineKindDouble) return;
  ctx.saveGState();
  const double w = DRTextDecorationStrokeWidth(style, width);
  double cross = DRTextSnapDecorationCross(vertical ? start.x : start.y, w, scale);
  const double along = vertical ? start.y : start.x;
  ctx.setStrokeColor(color);
  DRTextApplyLineKind(ctx, style, width, along);
  ctx.setLineWidth(w);
  const double from = DRTextPixelRound(along, scale), to = DRTextPixelRound(along + length, scale);
  auto stroke = [&](double c) {
    if (vertical) {
      ctx.moveToPoint(c, from);
      ctx.addLineToPoint(c, to);
    } else {
      ctx.moveToPoint(from, c);
      ctx.addLineToPoint(to, c);
    }
    ctx.strokePath();
  };
  if (weight == DRTextLineKindDouble) {
    stroke(cross - w);
    cross += w;
  }
  stroke(cross);
  ctx.restoreGState();
}

}  // namespace

DRTextDecorationMetrics DRTextDecorationMetricsForLine(const typeset::Line& line) {
  DRTextDecorationMetrics m;
  for (const auto& run : line.glyphRuns()) {
    const auto font = DRTextRunAttribute<typeset::Font>(*run, typeset::CTFontAttributeName);
    if (!font) continue;
    m.xHeight = std::max(m.xHeight, font->xHeight());
    m.underlinePosition = std::min(m.underlinePosition, font->underlinePosition());
    m.underlineThickness = std::max(m.underlineThickness, font->underlineThickness());
  }
  return m;
}

void DRTextDrawDecorations(const DRTextDrawArea& area, DRTextDecorationType type) {
  gfx::Context& ctx = area.context;
  const char* const key = type == DRTextDecorationType::Underline ? DRTextUnderlineKey : DRTextStrikethroughKey;
  const double shift = DRTextShadowShift(area.size.width);
  ctx.saveGState();
  ctx.translateCTM(area.point.x, area.point.y);
  ctx.translateCTM(area.verticalOffset, 0);
  for (size_t i = 0; i < area.lineCount(); ++i) {
    if (area.cancelled()) break;
    const DRTextLine& line = area.lineAt(i);
    std::optional<DRTextDecorationMetrics> metrics;
    for (const auto& runRef : line.CTLine()->glyphRuns()) {
      const auto& run = *runRef;
      if (run.glyphCount() == 0) continue;
      const auto decoration = DRTextRunAttribute<DRTextDecoration>(run, key);
      if (!decoration || decoration->style() <= 0) continue;
      if (!DRTextRunRangeIsValid(area.layout, line, run)) continue;
      const rt::Range range = run.stringRange();
      if (range.length <= 2 &&
          isLineBreak(DRTextLineCharacters(area.layout, line).substring(range.location, range.length)))
        continue;
      if (!metrics) metrics = DRTextDecorationMetricsForLine(*line.CTLine());
      const gfx::Point start =
          DRTextDecorationStart(type, line.position(), DRTextRunFirstGlyphX(run), *metrics, area.vertical);
      const double length = run.width();
      Ref<gfx::Color> color = decoration->color();
      if (!color) color = DRTextRunForegroundColor(run);
      if (!color) color = gfx::Color::blackColor();
      const double width = decoration->width() ? decoration->width()->doubleValue() : metrics->underlineThickness;
      for (auto link = decoration->shadow(); link; link = link->subShadow()) {
        if (!link->color()) continue;
        ctx.saveGState();
        ctx.saveGState();
        ctx.setShadowWithColor({link->offset().width - shift, link->offset().height}, link->radius(), link->color());
        ctx.setBlendMode(link->blendMode());
        ctx.translateCTM(shift, 0);
        drawDecorationLine(ctx, decoration->style(), color, area.vertical, length, width, start, area.scale);
        ctx.restoreGState();
        ctx.restoreGState();
      }
      drawDecorationLine(ctx, decoration->style(), color, area.vertical, length, width, start, area.scale);
    }
  }
  ctx.restoreGState();
}

}  // namespace text
