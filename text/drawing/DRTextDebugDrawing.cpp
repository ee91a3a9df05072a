// The debug overlay: the container's frame, each line's bounds, baseline and number, each
// run's box and number, and each glyph's box, in the colours the option sets.
#include "platform/graphics/BezierPath.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/StringDrawing.h"
#include "text/drawing/DRTextDrawingPasses.h"

namespace text {

namespace {

void drawNumber(gfx::Context& ctx, uint64_t n, const Ref<gfx::Color>& color, gfx::Point at) {
  auto attrs = fd::Dictionary::withStrings(
      {{typeset::FontAttributeName, typeset::Font::systemFontOfSize(6)}, {typeset::ForegroundColorAttributeName, color}});
  auto s = typeset::AttributedString::create(rt::String::format("%llu", static_cast<unsigned long long>(n)), attrs);
  typeset::drawAtPoint(*s, ctx, at);
}

void fillRect(gfx::Context& ctx, const Ref<gfx::Color>& color, gfx::Rect r, double scale) {
  ctx.setFillColor(color);
  ctx.fillRect(DRTextPixelRoundRect(r, scale));
}

void strokeRect(gfx::Context& ctx, const Ref<gfx::Color>& color, gfx::Rect r, double scale) {
  ctx.setStrokeColor(color);
  ctx.strokeRect(DRTextPixelHalfRect(r, scale));
}

void drawFrame(const DRTextDrawArea& area, const DRTextDebugOption& option) {
  gfx::Context& ctx = area.context;
  const auto& c = *area.layout.container();
  Ref<gfx::BezierPath> path;
  if (auto own = c.path()) {
    // A copy: drawing never changes the container.
    path = rt::as<gfx::BezierPath>(own->copy());
  } else {
    const gfx::EdgeInsets in = c.insets();
    gfx::Rect r = gfx::RectMake(in.left, in.top, c.size().width - in.left - in.right, c.size().height - in.top - in.bottom);
    r = option.CTFrameBorderColor() ? DRTextPixelHalfRect(r, area.scale) : DRTextPixelRoundRect(r, area.scale);
    path = gfx::BezierPath::bezierPathWithRect(r);
  }
  if (!path) return;
  path->closePath();
  for (const auto& exclusion : c.exclusionPaths())
    if (exclusion) path->appendPath(*exclusion);
  const auto shape = path->CGPath();
  const bool evenOdd = c.isPathFillEvenOdd();
  if (option.CTFrameFillColor()) {
    ctx.setFillColor(option.CTFrameFillColor());
    if (c.pathLineWidth() > 0) {
      ctx.saveGState();
      ctx.beginTransparencyLayer();
      ctx.addPath(*shape);
      evenOdd ? ctx.eoFillPath() : ctx.fillPath();
      ctx.setBlendMode(gfx::BlendMode::DestinationOut);
      ctx.setFillColor(gfx::Color::blackColor());
      ctx.addPath(*shape->copyByStrokingPath(c.pathLineWidth(), gfx::LineCap::Butt, gfx::LineJoin::Miter, 10));
      ctx.fillPath();
      ctx.endTransparencyLayer();
      ctx.restoreGState();
    } else {
      ctx.addPath(*shape);
      evenOdd ? ctx.eoFillPath() : ctx.fillPath();
    }
  }
  if (option.CTFrameBorderColor()) {
    ctx.saveGState();
    if (c.pathLineWidth() > 0) ctx.setLineWidth(c.pathLineWidth());
    ctx.setStrokeColor(option.CTFrameBorderColor());
    ctx.addPath(*shape);
    ctx.strokePath();
    ctx.restoreGState();
  }
}

}  // namespace

void DRTextDrawDebug(const DRTextDrawArea& area, const DRTextDebugOption& option) {
  gfx::Context& ctx = area.context;
  const double scale = area.scale;
  ctx.saveGState();
  ctx.translateCTM(area.point.x, area.point.y);
  ctx.setLineWidth(1 / scale);
  ctx.setLineDash(0, {});
  ctx.setLineJoin(gfx::LineJoin::Miter);
  ctx.setLineCap(gfx::LineCap::Butt);
  if (area.vertical) ctx.translateCTM(area.verticalOffset, 0);
  if (option.CTFrameBorderColor() || option.CTFrameFillColor()) drawFrame(area, option);
  const bool runs = option.CTRunFillColor() || option.CTRunBorderColor() || option.CTRunNumberColor() ||
                    option.CGGlyphFillColor() || option.CGGlyphBorderColor();
  for (size_t i = 0; i < area.lineCount(); ++i) {
    const DRTextLine& line = area.lineAt(i);
    const gfx::Rect bounds = line.bounds();
    const gfx::Point p = line.position();
    if (option.CTLineFillColor()) fillRect(ctx, option.CTLineFillColor(), bounds, scale);
    if (option.CTLineBorderColor()) strokeRect(ctx, option.CTLineBorderColor(), bounds, scale);
    if (option.baselineColor()) {
      ctx.setStrokeColor(option.baselineColor());
      if (area.vertical) {
        const double x = DRTextPixelHalf(p.x, scale);
        ctx.moveToPoint(x, DRTextPixelHalf(line.top(), scale));
        ctx.addLineToPoint(x, DRTextPixelHalf(line.bottom(), scale));
      } else {
        const double y = DRTextPixelHalf(p.y, scale);
        ctx.moveToPoint(DRTextPixelHalf(line.left(), scale), y);
        ctx.addLineToPoint(DRTextPixelHalf(line.right(), scale), y);
      }
      ctx.strokePath();
    }
    if (option.CTLineNumberColor())
      drawNumber(ctx, line.index(), option.CTLineNumberColor(), {p.x, p.y - (area.vertical ? 1 : 6)});
    if (!runs) continue;
    const auto& glyphRuns = line.CTLine()->glyphRuns();
    for (size_t r = 0; r < glyphRuns.size(); ++r) {
      const auto& run = *glyphRuns[r];
      if (run.glyphCount() == 0) continue;
      const gfx::Rect box = DRTextRunRect(line, run, area.vertical, 0);
      if (option.CTRunFillColor()) fillRect(ctx, option.CTRunFillColor(), box, scale);
      if (option.CTRunBorderColor()) strokeRect(ctx, option.CTRunBorderColor(), box, scale);
      if (option.CTRunNumberColor())
        drawNumber(ctx, r, option.CTRunNumberColor(), {box.origin.x, box.origin.y - 1});
      if (!option.CGGlyphFillColor() && !option.CGGlyphBorderColor()) continue;
      double ascent = 0, descent = 0;
      run.typographicBounds(typeset::Range{0, 0}, &ascent, &descent, nullptr);
      const auto& positions = run.positions();
      const auto& advances = run.advances();
      for (size_t g = 0; g < positions.size(); ++g) {
        const gfx::Rect glyph =
            area.vertical ? gfx::RectMake(p.x - descent, p.y + positions[g].x, ascent + descent, advances[g].width)
                          : gfx::RectMake(p.x + positions[g].x, p.y - positions[0].y - ascent, advances[g].width,
                                          ascent + descent);
        if (option.CGGlyphFillColor()) fillRect(ctx, option.CGGlyphFillColor(), glyph, scale);
        if (option.CGGlyphBorderColor()) strokeRect(ctx, option.CGGlyphBorderColor(), glyph, scale);
      }
    }
  }
  ctx.restoreGState();
}

}  // namespace text
