#include "textview/textview/DUDaviDiraTrackingRules.h"

#include <algorithm>
#include <cmath>

namespace textview {

DUDaviDiraMoveDirection moveDirection(gfx::Point began, gfx::Point now) {
  double dx = now.x - began.x;
  double dy = now.y - began.y;
  if (std::fabs(dx) > std::fabs(dy)) {
    if (dx > kDUDaviDiraTouchSlop) return DUDaviDiraMoveRight;
    if (dx < -kDUDaviDiraTouchSlop) return DUDaviDiraMoveLeft;
    return DUDaviDiraMoveNone;
  }
  if (dy > kDUDaviDiraTouchSlop) return DUDaviDiraMoveDown;
  if (dy < -kDUDaviDiraTouchSlop) return DUDaviDiraMoveUp;
  return DUDaviDiraMoveNone;
}

double autoScrollSpeed(double position, double leadingInset, double visibleExtent) {
  if (position < leadingInset)
    return std::max((position - leadingInset - 5) / 2, -kDUDaviDiraMaxAutoScrollSpeed);
  if (position > visibleExtent) return std::min((position - visibleExtent + 5) / 2, kDUDaviDiraMaxAutoScrollSpeed);
  return 0;
}

double autoScrollNextOffset(double current, double speed, int64_t ticksTaken, double minimumOffset,
                            double maximumOffset) {
  double next = current + speed;
  if (ticksTaken > 0) {
    double g = static_cast<double>(ticksTaken);
    next += (speed > 0 ? 1.0 : -1.0) * g * g * 0.5;
  }
  next = std::round(next);
  if (speed > 0) next = std::min(next, maximumOffset);
  return std::max(next, minimumOffset);
}

gfx::Rect keyboardOverlap(gfx::Size boundsSize, gfx::Point contentOffset, gfx::Rect keyboardInView,
                          double extraHeight) {
  if (gfx::RectIsNull(keyboardInView)) return gfx::RectNull;
  gfx::Rect k = keyboardInView;
  k.origin.y -= extraHeight;
  k.size.height += extraHeight;
  k.origin.x -= contentOffset.x;
  k.origin.y -= contentOffset.y;
  gfx::Rect overlap = gfx::RectIntersection(k, {{0, 0}, boundsSize});
  if (gfx::RectIsNull(overlap) || gfx::RectIsEmpty(overlap)) return gfx::RectNull;
  return overlap;
}

double heightAboveKeyboard(double boundsHeight, gfx::Rect overlap) {
  if (gfx::RectIsNull(overlap)) return boundsHeight;
  if (overlap.size.width > 1 && overlap.size.height > 1 && overlap.origin.y > 0)
    return boundsHeight - overlap.size.height;
  return boundsHeight;
}

gfx::Rect menuTargetRect(bool caretVisible, gfx::Rect caretFrame, const std::vector<gfx::Rect>& selectionRects,
                         gfx::Rect bounds, gfx::Rect keyboard, gfx::Rect fallback) {
  gfx::Rect rect;
  if (caretVisible) {
    rect = caretFrame;
  } else if (!selectionRects.empty()) {
    gfx::Rect all = gfx::RectNull;
    for (const auto& r : selectionRects) all = gfx::RectUnion(all, r);
    gfx::Rect clipped = gfx::RectIntersection(all, bounds);
    if (gfx::RectIsNull(clipped) || clipped.size.height <= 1) {
      // Scrolled out of sight: point at the edge it went past.
      bool above = all.origin.y < bounds.origin.y;
      double x = std::clamp(all.origin.x, bounds.origin.x, gfx::RectGetMaxX(bounds));
      double width = std::max(0.0, std::min(gfx::RectGetMaxX(all), gfx::RectGetMaxX(bounds)) - x);
      rect = {{x, above ? bounds.origin.y : gfx::RectGetMaxY(bounds) - 1}, {width, 1}};
    } else {
      rect = clipped;
    }
  } else {
    return fallback;
  }
  if (!gfx::RectIsNull(keyboard)) {
    gfx::Rect covered = gfx::RectIntersection(keyboard, rect);
    if (!gfx::RectIsNull(covered) && covered.size.width > 1 && covered.size.height > 1) {
      if (covered.origin.y > rect.origin.y) {
        rect.size.height -= covered.size.height;
      } else if (gfx::RectGetMaxY(covered) < gfx::RectGetMaxY(rect)) {
        rect.origin.y += covered.size.height;
        rect.size.height -= covered.size.height;
      }
    }
  }
  return rect;
}

double rangedMagnifierOffset(double across, double lineLow, double lineHigh, double baseline) {
  return std::clamp(across, std::min(lineLow, lineHigh), std::max(lineLow, lineHigh)) - baseline + 4;
}

Ref<text::DRTextRange> rangeSpanningPositions(const std::vector<Ref<text::DRTextPosition>>& positions) {
  Ref<text::DRTextPosition> first, last;
  for (const auto& p : positions) {
    if (!p) continue;
    if (!first || p->compare(first) < 0) first = p;
    if (!last || p->compare(last) > 0) last = p;
  }
  if (!first) return nullptr;
  return text::DRTextRange::rangeWithStart(first, last);
}

}  // namespace textview
