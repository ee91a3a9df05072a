#pragma once
// The arithmetic behind the text view's touch tracking, kept apart from the view so that each
// rule can be checked on its own: the drag direction past the slop, the auto-scroll speed and
// step near an edge, the part of the view the keyboard covers, where the edit menu points,
// the ranged loupe's offset from the line and the span of several text positions.
#include <cstdint>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "text/model/DRTextPosition.h"

namespace textview {

/// The direction of the first move beyond the slop; the numbers are the tracking flag's.
enum DUDaviDiraMoveDirection : unsigned {
  DUDaviDiraMoveNone = 0,
  DUDaviDiraMoveLeft = 1,
  DUDaviDiraMoveUp = 2,
  DUDaviDiraMoveRight = 3,
  DUDaviDiraMoveDown = 4,
};

/// A finger must travel more than this before a touch counts as moved.
inline constexpr double kDUDaviDiraTouchSlop = 9;
/// Grabber drags and the ranged loupe look this far above (left of, in vertical text) the finger.
inline constexpr double kDUDaviDiraGrabberOffset = 6;
/// The fastest auto-scroll, in points per tick, either way.
inline constexpr double kDUDaviDiraMaxAutoScrollSpeed = 32;

/// Along the larger of the two moves from `began` to `now`; none within the slop.
DUDaviDiraMoveDirection moveDirection(gfx::Point began, gfx::Point now);

/// Points per tick for a finger at `position` along the scrolling axis, measured from the
/// visible origin: negative above `leadingInset`, positive beyond `visibleExtent`, else 0.
double autoScrollSpeed(double position, double leadingInset, double visibleExtent);

/// The offset one auto-scroll tick moves to from `current`: the speed, plus an acceleration
/// growing with the square of the ticks already taken, rounded to whole points. Never before
/// `minimumOffset` (the leading inset); a forward step never beyond `maximumOffset`. The
/// leading bound wins when content shorter than the view puts the far one before it.
double autoScrollNextOffset(double current, double speed, int64_t ticksTaken, double minimumOffset,
                            double maximumOffset);

/// The part of a view of `boundsSize` (its own coordinates, scrolled to `contentOffset`) that
/// a keyboard at `keyboardInView` covers, counting `extraHeight` of accessory above it. Null
/// when no keyboard frame is given or nothing is covered.
gfx::Rect keyboardOverlap(gfx::Size boundsSize, gfx::Point contentOffset, gfx::Rect keyboardInView,
                          double extraHeight);

/// The visible height left above a keyboard overlap (as `keyboardOverlap` answers it): the
/// bounds height, less the overlap when it is more than a sliver and starts below the top.
double heightAboveKeyboard(double boundsHeight, gfx::Rect overlap);

/// Where the edit menu points. The caret's frame when it is shown; else the union of the
/// selection pieces clipped to `bounds`, or a 1-point strip along the edge the selection went
/// past when it is scrolled out of sight; with neither, `fallback`. A keyboard (`keyboard`,
/// null when hidden) covering part of the target takes that part off.
gfx::Rect menuTargetRect(bool caretVisible, gfx::Rect caretFrame, const std::vector<gfx::Rect>& selectionRects,
                         gfx::Rect bounds, gfx::Rect keyboard, gfx::Rect fallback);

/// How far the ranged loupe sits from the line's baseline: the finger's coordinate across the
/// line, clamped into the line, less the baseline, plus a small lift.
double rangedMagnifierOffset(double across, double lineLow, double lineHigh, double baseline);

/// The range from the earliest to the latest of `positions` (nulls skipped); null when none.
Ref<text::DRTextRange> rangeSpanningPositions(const std::vector<Ref<text::DRTextPosition>>& positions);

}  // namespace textview
