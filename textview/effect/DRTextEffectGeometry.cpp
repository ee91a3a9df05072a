#include "textview/effect/DRTextEffectGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace textview {

namespace {
constexpr double kCaretEdgeMargin = 10;
constexpr double kMirrorReach = 0.55;
constexpr double kKeyboardOverlapAllowance = 1;

bool usable(gfx::Rect r) { return !gfx::RectIsNull(r) && !gfx::RectIsEmpty(r); }
double area(gfx::Rect r) { return gfx::RectIsNull(r) ? 0 : gfx::RectGetWidth(r) * gfx::RectGetHeight(r); }
}  // namespace

uint64_t keyboardDirection(gfx::Rect keyboard, gfx::Rect windowFrame) {
  if (!usable(keyboard)) return 0;
  double w = gfx::RectGetWidth(windowFrame), h = gfx::RectGetHeight(windowFrame);
  double minX = gfx::RectGetMinX(keyboard), minY = gfx::RectGetMinY(keyboard);
  double maxX = gfx::RectGetMaxX(keyboard), maxY = gfx::RectGetMaxY(keyboard);
  if (minX == 0 && minY == 0 && maxX == w) return 1;
  if (maxX == w && minY == 0 && maxY == h) return 2;
  if (maxY == h && minX == 0 && maxX == w) return 4;
  if (minX == 0 && minY == 0 && maxY == h) return 8;
  return 0;
}

double angleInEighths(double angle) {
  double e = angle * 180 / std::numbers::pi / 45;
  if (e < 0) e += 8 * std::trunc(-e / 8 + 1);
  if (e > 8) e -= 8 * std::trunc(e / 8);
  return e;
}

gfx::Point correctedMagnifierCenter(gfx::Point c, double angle, const DRMagnifierPlacement& m) {
  double e = angleInEighths(angle);
  double W = m.windowSize.width, H = m.windowSize.height;
  double h = m.magnifierSize.height, w = m.magnifierSize.width;
  double edge = m.caret ? kCaretEdgeMargin : h;
  if (e <= 1 || e >= 7) {
    c.y = std::max(c.y, edge);
  } else if (e < 3) {
    c.x = std::min(c.x, W - edge);
  } else if (e <= 5) {
    c.y = std::min(c.y, H - edge);
  } else {
    c.x = std::max(c.x, edge);
  }

  if (!usable(m.keyboard)) return c;
  const gfx::Rect& k = m.keyboard;
  switch (keyboardDirection(k, {{0, 0}, m.windowSize})) {
    case 1:
      if (m.caret) {
        if (gfx::RectGetMaxY(k) > c.y - h / 2) c.y = gfx::RectGetMaxY(k) + h / 2;
      } else {
        c.y = std::max(c.y, gfx::RectGetMaxY(k));
      }
      break;
    case 2:
      if (m.caret) {
        if (gfx::RectGetMinX(k) < c.x + h / 2) c.x = gfx::RectGetMinX(k) - w / 2;
      } else {
        c.x = std::min(c.x, gfx::RectGetMinX(k));
      }
      break;
    case 4:
      if (m.caret) {
        if (gfx::RectGetMinY(k) < c.y + h / 2) c.y = gfx::RectGetMinY(k) - h / 2;
      } else {
        c.y = std::min(c.y, gfx::RectGetMinY(k));
      }
      break;
    case 8:
      if (m.caret) {
        if (gfx::RectGetMaxX(k) > c.x - h / 2) c.x = gfx::RectGetMaxX(k) + w / 2;
      } else {
        c.x = std::max(c.x, gfx::RectGetMaxX(k));
      }
      break;
    default:
      break;
  }
  return c;
}

gfx::Point captureCenterOffKeyboard(gfx::Point c, gfx::Rect k, uint64_t direction) {
  switch (direction) {
    case 1:
      c.y = std::max(c.y, gfx::RectGetMaxY(k));
      break;
    case 2:
      c.x = std::min(c.x, gfx::RectGetMinX(k));
      break;
    case 4:
      c.y = std::min(c.y, gfx::RectGetMinY(k));
      break;
    case 8:
      c.x = std::max(c.x, gfx::RectGetMaxX(k));
      break;
    default:
      break;
  }
  return c;
}

gfx::Point liftedCaretCenter(gfx::Point p, double angle, double fitHeight) {
  gfx::Point up = gfx::PointApplyAffineTransform({0, -fitHeight / 2}, gfx::AffineTransformMakeRotation(angle));
  return {p.x + up.x, p.y + up.y};
}

double distanceToRect(gfx::Point p, gfx::Rect r) {
  double dx = std::max({gfx::RectGetMinX(r) - p.x, 0.0, p.x - gfx::RectGetMaxX(r)});
  double dy = std::max({gfx::RectGetMinY(r) - p.y, 0.0, p.y - gfx::RectGetMaxY(r)});
  return std::max(dx, dy);
}

bool knobMirrorShows(bool hostClips, double knobAlpha, gfx::Rect knob, gfx::Rect host, gfx::Rect keyboard) {
  if (!hostClips || !(knobAlpha > 0.1)) return false;
  if (usable(keyboard)) {
    gfx::Rect under = gfx::RectIntersection(knob, keyboard);
    if (!gfx::RectIsNull(under) &&
        (gfx::RectGetWidth(under) > kKeyboardOverlapAllowance || gfx::RectGetHeight(under) > kKeyboardOverlapAllowance))
      return false;
  }
  if (!(area(gfx::RectIntersection(knob, host)) < area(knob))) return false;
  gfx::Point centre{gfx::RectGetMidX(knob), gfx::RectGetMidY(knob)};
  return distanceToRect(centre, host) < kMirrorReach * gfx::RectGetWidth(knob);
}

}  // namespace textview
