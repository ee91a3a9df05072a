#include "text/drawing/DRTextDrawingGeometry.h"

#include <cmath>

namespace text {

double DRTextPixelRound(double v, double scale) { return std::round(v * scale) / scale; }

gfx::Rect DRTextPixelRoundRect(gfx::Rect r, double scale) {
  const double x0 = DRTextPixelRound(r.origin.x, scale), y0 = DRTextPixelRound(r.origin.y, scale);
  const double x1 = DRTextPixelRound(r.origin.x + r.size.width, scale);
  const double y1 = DRTextPixelRound(r.origin.y + r.size.height, scale);
  return gfx::RectMake(x0, y0, x1 - x0, y1 - y0);
}

double DRTextPixelHalf(double v, double scale) { return (std::floor(v * scale) + 0.5) / scale; }

gfx::Rect DRTextPixelHalfRect(gfx::Rect r, double scale) {
  const double x0 = DRTextPixelHalf(r.origin.x, scale), y0 = DRTextPixelHalf(r.origin.y, scale);
  const double x1 = DRTextPixelHalf(r.origin.x + r.size.width, scale);
  const double y1 = DRTextPixelHalf(r.origin.y + r.size.height, scale);
  return gfx::RectMake(x0, y0, x1 - x0, y1 - y0);
}

gfx::Rect DRTextRectRemovingInsets(gfx::Rect r, gfx::EdgeInsets in, bool vertical) {
  if (vertical) {
    r.origin.x += in.bottom;
    r.origin.y += in.left;
    r.size.width -= in.top + in.bottom;
    r.size.height -= in.left + in.right;
  } else {
    r.origin.x += in.left;
    r.origin.y += in.top;
    r.size.width -= in.left + in.right;
    r.size.height -= in.top + in.bottom;
  }
  return r;
}

DRTextLineDash DRTextDashForLineKind(DRTextLineKind kind, double w) {
  DRTextLineDash d;
  using C = DRTextLineDash::Change;
  switch (kind & 0xF00) {
    case DRTextLineKindPatternSolid: d.change = C::Clear; break;
    case DRTextLineKindPatternDot: d = {C::Set, {5 * w, 3 * w}, false}; break;
    case DRTextLineKindPatternDash: d = {C::Set, {12 * w, 3 * w}, false}; break;
    case DRTextLineKindPatternDashDot: d = {C::Set, {12 * w, 3 * w, 5 * w, 3 * w}, false}; break;
    case DRTextLineKindPatternDashDotDot: d = {C::Set, {12 * w, 3 * w, 5 * w, 3 * w, 5 * w, 3 * w}, false}; break;
    case DRTextLineKindPatternCircleDot: d = {C::Set, {0, 3 * w}, true}; break;
    default: break;
  }
  return d;
}

DRTextBorderStroke DRTextBorderStrokeFor(DRTextLineKind kind, double strokeWidth) {
  if ((kind & 0xFF) == DRTextLineKindThick) return {2 * strokeWidth, strokeWidth};
  return {strokeWidth, 0.5 * strokeWidth};
}

double DRTextGrownCornerRadius(double cornerRadius, double outset) {
  return cornerRadius > 0 ? cornerRadius + outset : cornerRadius;
}

std::vector<gfx::Rect> DRTextMergeSegmentRects(const std::vector<gfx::Rect>& rects, bool vertical) {
  std::vector<gfx::Rect> out;
  if (rects.empty()) return out;
  gfx::Rect cur = rects.front();
  for (size_t i = 1; i < rects.size(); ++i) {
    const gfx::Rect& r = rects[i];
    if (vertical) {
      if (std::fabs(r.origin.x - cur.origin.x) < 1) {
        const double top = std::min(cur.origin.y, r.origin.y);
        const double bottom = std::max(cur.origin.y + cur.size.height, r.origin.y + r.size.height);
        cur = gfx::RectMake(r.origin.x, top, std::max(cur.size.width, r.size.width), bottom - top);
        continue;
      }
    } else if (std::fabs(r.origin.y - cur.origin.y) < 1) {
      const double left = std::min(cur.origin.x, r.origin.x);
      const double right = std::max(cur.origin.x + cur.size.width, r.origin.x + r.size.width);
      cur = gfx::RectMake(left, r.origin.y, right - left, std::max(cur.size.height, r.size.height));
      continue;
    }
    out.push_back(cur);
    cur = r;
  }
  if (!gfx::RectEqualToRect(cur, gfx::RectZero)) out.push_back(cur);
  return out;
}

double DRTextDecorationStrokeWidth(DRTextLineKind kind, double width) {
  return (kind & 0xFF) == DRTextLineKindThick ? 2 * width : width;
}

double DRTextSnapDecorationCross(double v, double w, double scale) {
  const double px = w * scale;
  if (px - std::floor(px) >= 0.1) return v;
  const long k = static_cast<long>(px);
  if (k == 0 || k % 2) return (std::floor(v * scale) + 0.5) / scale;
  return std::floor(v * scale) / scale;
}

gfx::Point DRTextDecorationStart(DRTextDecorationType type, gfx::Point p, double firstGlyphX,
                                 const DRTextDecorationMetrics& m, bool vertical) {
  const double cross = type == DRTextDecorationType::Underline ? m.underlinePosition : 0.5 * m.xHeight;
  // Horizontal lines are y-down while font metrics are y-up; a vertical column's cross axis is
  // x, which both share.
  if (vertical) return {p.x + cross, p.y + firstGlyphX};
  return {p.x + firstGlyphX, p.y - cross};
}

}  // namespace text
