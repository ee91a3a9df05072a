// Borders: the line kinds as dash patterns, the renderer that fills and strokes rounded
// rectangles outside their fill, the passes that join a border's runs across lines into
// segments, and block borders around whole rows.
#include "platform/graphics/BezierPath.h"
#include "platform/typeset/Line.h"
#include "text/drawing/DRTextDrawingPasses.h"

namespace text {

void DRTextApplyLineKind(gfx::Context& ctx, DRTextLineKind kind, double width, double phase) {
  ctx.setLineWidth(width);
  ctx.setLineCap(gfx::LineCap::Butt);
  ctx.setLineJoin(gfx::LineJoin::Miter);
  const DRTextLineDash dash = DRTextDashForLineKind(kind, width);
  switch (dash.change) {
    case DRTextLineDash::Change::Clear: ctx.setLineDash(phase, {}); break;
    case DRTextLineDash::Change::Set:
      ctx.setLineDash(phase, dash.lengths);
      if (dash.round) {
        ctx.setLineCap(gfx::LineCap::Round);
        ctx.setLineJoin(gfx::LineJoin::Round);
      }
      break;
    case DRTextLineDash::Change::Keep: break;
  }
}

namespace {

void addRoundedRect(gfx::Context& ctx, gfx::Rect r, double radius) {
  ctx.addPath(*gfx::BezierPath::bezierPathWithRoundedRect(r, radius)->CGPath());
}

}  // namespace

void DRTextDrawBorderRects(gfx::Context& ctx, const DRTextBorder& border, const std::vector<gfx::Rect>& rects,
                           bool vertical, gfx::Size size, double scale) {
  if (rects.empty()) return;
  const auto& shadow = border.shadow();
  const bool shadowed = shadow && shadow->color();
  const bool stroked = border.strokeColor() && border.lineStyle() > 0 && border.strokeWidth() > 0;
  // Nothing to cast a shadow either.
  if (!border.fillColor() && !stroked) return;
  if (shadowed) {
    ctx.saveGState();
    ctx.setShadowWithColor(shadow->offset(), shadow->radius(), shadow->color());
    ctx.beginTransparencyLayer();
  }
  const double radius = border.cornerRadius();
  std::vector<gfx::Rect> boxes;
  boxes.reserve(rects.size());
  for (const auto& r : rects) boxes.push_back(DRTextRectRemovingInsets(r, border.insets(), vertical));
  if (border.fillColor()) {
    ctx.saveGState();
    ctx.setFillColor(border.fillColor());
    for (const auto& b : boxes) addRoundedRect(ctx, DRTextPixelRoundRect(b, scale), radius);
    ctx.fillPath();
    ctx.restoreGState();
  }
  if (stroked) {
    const gfx::Rect area = gfx::RectMake(0, 0, size.width, size.height);
    ctx.saveGState();
    for (const auto& b : boxes) {
      ctx.addRect(area);
      addRoundedRect(ctx, DRTextPixelRoundRect(b, scale), radius);
      ctx.eoClip();
    }
    ctx.setStrokeColor(border.strokeColor());
    DRTextApplyLineKind(ctx, border.lineStyle(), border.strokeWidth(), 0);
    const DRTextBorderStroke stroke = DRTextBorderStrokeFor(border.lineStyle(), border.strokeWidth());
    ctx.setLineWidth(stroke.lineWidth);
    ctx.setLineJoin(border.lineJoin());
    for (const auto& b : boxes)
      addRoundedRect(ctx, gfx::RectInset(b, -stroke.outset, -stroke.outset), DRTextGrownCornerRadius(radius, stroke.outset));
    ctx.strokePath();
    ctx.restoreGState();

    if ((border.lineStyle() & 0xFF) == DRTextLineKindDouble) {
      const double w = border.strokeWidth();
      ctx.saveGState();
      for (const auto& b : boxes) {
        ctx.addRect(area);
        addRoundedRect(ctx, gfx::RectInset(b, -2 * w, -2 * w), radius + 2 * w);
        ctx.eoClip();
      }
      ctx.setStrokeColor(border.strokeColor());
      DRTextApplyLineKind(ctx, border.lineStyle(), w, 0);
      ctx.setLineJoin(border.lineJoin());
      for (const auto& b : boxes)
        addRoundedRect(ctx, gfx::RectInset(b, -2.5 * w, -2.5 * w), DRTextGrownCornerRadius(radius, 2 * w));
      ctx.strokePath();
      ctx.restoreGState();
    }
  }
  if (shadowed) {
    ctx.endTransparencyLayer();
    ctx.restoreGState();
  }
}

void DRTextDrawBorders(const DRTextDrawArea& area, DRTextBorderPass pass) {
  gfx::Context& ctx = area.context;
  ctx.saveGState();
  ctx.translateCTM(area.point.x, area.point.y);
  DRTextEnumerateBorderSegments(area.layout, pass, area.verticalOffset, area.cancel,
                                [&](const DRTextBorder& border, const std::vector<gfx::Rect>& rects) {
                                  DRTextDrawBorderRects(ctx, border, rects, area.vertical, area.size, area.scale);
                                });
  ctx.restoreGState();
}

void DRTextDrawBlockBorders(const DRTextDrawArea& area) {
  gfx::Context& ctx = area.context;
  ctx.saveGState();
  ctx.translateCTM(area.point.x, area.point.y);
  DRTextEnumerateBlockBorders(area.layout, area.verticalOffset, area.cancel,
                              [&](const DRTextBorder& border, const std::vector<gfx::Rect>& rects) {
                                DRTextDrawBorderRects(ctx, border, rects, area.vertical, area.size, area.scale);
                              });
  ctx.restoreGState();
}

}  // namespace text
