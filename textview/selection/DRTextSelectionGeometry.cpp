#include "textview/selection/DRTextSelectionGeometry.h"

#include <cmath>

namespace textview {

namespace {
constexpr double kMinimumCaretThickness = 2;
constexpr double kTouchMargin = 14;
constexpr double kKnobSideExtra = 7;

double finiteOrZero(double v) { return std::isfinite(v) ? v : 0; }
double roundToPixel(double v, double scale) { return std::round(v * scale) / scale; }
double distance(gfx::Point a, gfx::Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
gfx::Point centre(gfx::Rect r) { return {gfx::RectGetMidX(r), gfx::RectGetMidY(r)}; }
}  // namespace

gfx::Rect snapRectToPixels(gfx::Rect rect, double scale) {
  if (!(scale > 0)) scale = 1;
  double x = roundToPixel(rect.origin.x, scale);
  double y = roundToPixel(rect.origin.y, scale);
  double w = roundToPixel(rect.origin.x + rect.size.width, scale) - x;
  double h = roundToPixel(rect.origin.y + rect.size.height, scale) - y;
  return {{finiteOrZero(x), finiteOrZero(y)}, {finiteOrZero(w), finiteOrZero(h)}};
}

gfx::Rect standardCaretRect(gfx::Rect rect, gfx::Size bounds, bool verticalForm, double scale) {
  rect = gfx::RectStandardize(rect);
  double& pos = verticalForm ? rect.origin.y : rect.origin.x;
  double& len = verticalForm ? rect.size.height : rect.size.width;
  double limit = verticalForm ? bounds.height : bounds.width;
  if (len == 0) {
    len = kMinimumCaretThickness;
    pos -= kMinimumCaretThickness / 2;
  }
  if (pos < 0) {
    pos = 0;
  } else if (pos + len > limit) {
    pos = limit - len;
  }
  return snapRectToPixels(rect, scale);
}

std::optional<gfx::Point> grabberDotOrigin(uint64_t direction, gfx::Size dot, gfx::Size bar) {
  switch (direction) {
    case DRTextGrabberDirectionTop:
      return gfx::Point{(bar.width - dot.width) / 2, 0.5 - dot.height};
    case DRTextGrabberDirectionRight:
      return gfx::Point{bar.width - 0.5, (bar.height - dot.height) / 2};
    case DRTextGrabberDirectionBottom:
      return gfx::Point{(bar.width - dot.width) / 2, bar.height - 0.5};
    case DRTextGrabberDirectionLeft:
      return gfx::Point{0.5 - dot.width, (bar.height - dot.height) / 2};
    default:
      return std::nullopt;
  }
}

gfx::Rect grabberTouchRect(gfx::Rect frame, uint64_t direction) {
  gfx::Rect r = gfx::RectInset(frame, -kTouchMargin, -kTouchMargin);
  switch (direction) {
    case DRTextGrabberDirectionTop:
      r.origin.y -= kKnobSideExtra;
      r.size.height += kKnobSideExtra;
      break;
    case DRTextGrabberDirectionRight:
      r.size.width += kKnobSideExtra;
      break;
    case DRTextGrabberDirectionBottom:
      r.size.height += kKnobSideExtra;
      break;
    case DRTextGrabberDirectionLeft:
      r.origin.x -= kKnobSideExtra;
      r.size.width += kKnobSideExtra;
      break;
    default:
      break;
  }
  return r;
}

bool grabberTakesPoint(bool start, gfx::Rect startTouch, gfx::Rect endTouch, gfx::Point point) {
  if (gfx::RectIntersectsRect(startTouch, endTouch)) {
    double toStart = distance(point, centre(startTouch));
    double toEnd = distance(point, centre(endTouch));
    if (start ? !(toStart < toEnd) : toStart < toEnd) return false;
  }
  return gfx::RectContainsPoint(start ? startTouch : endTouch, point);
}

}  // namespace textview
