#pragma once
// The selection overlay's arithmetic, free of views: caret rectangles made standard and
// pixel-aligned, knob placement on a grabber bar, grabber touch areas and which grabber a
// touch belongs to when their areas overlap.
#include <cstdint>
#include <optional>

#include "platform/graphics/Geometry.h"

namespace textview {

/// Sides of a grabber bar that carry its knob (0 or any other value: none).
enum DRTextGrabberDirection : uint64_t {
  DRTextGrabberDirectionNone = 0,
  DRTextGrabberDirectionTop = 1,
  DRTextGrabberDirectionRight = 2,
  DRTextGrabberDirectionBottom = 4,
  DRTextGrabberDirectionLeft = 8,
};

/// `rect` with each edge on the nearest device pixel of `scale` (halves away from zero); any
/// part that is not a finite number becomes 0.
gfx::Rect snapRectToPixels(gfx::Rect rect, double scale);

/// A caret that can be seen and stays inside the view: standardised, at least 2 points thick
/// (a zero thickness grows around its line), kept within `bounds` along the text's direction
/// (x for horizontal text, y for vertical), then on device pixels.
gfx::Rect standardCaretRect(gfx::Rect rect, gfx::Size bounds, bool verticalForm, double scale);

/// Where a knob of `dotSize` sits on a bar of `barSize` for `direction`, overlapping the bar's
/// end by half a point; none for a direction that carries no knob.
std::optional<gfx::Point> grabberDotOrigin(uint64_t direction, gfx::Size dotSize, gfx::Size barSize);

/// The area a grabber answers touches in: its frame grown by 14 points, and 7 more towards
/// its knob.
gfx::Rect grabberTouchRect(gfx::Rect frame, uint64_t direction);

/// Whether a touch at `point` takes the start (or else the end) grabber. Where the two touch
/// areas overlap the nearer centre wins, a tie going to the end grabber; the point must then
/// lie in the grabber's own area.
bool grabberTakesPoint(bool start, gfx::Rect startTouch, gfx::Rect endTouch, gfx::Point point);

}  // namespace textview
