#pragma once
// Screen metrics, affine transforms between views and content-mode geometry, plus the screen
// additions. Any thread; the cached values are filled once.
#include "platform/graphics/Geometry.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/View.h"

namespace base {

using rt::String;

/// The main screen's scale and its bounds size in portrait order, read once.
double DRMainScreenScale();
gfx::Size DRMainScreenSize();
/// The transform that maps each `before` point onto its `after` point; identity when the points
/// do not determine one (collinear).
gfx::AffineTransform DRAffineTransformFromPointPairs(const gfx::Point before[3], const gfx::Point after[3]);
/// From the first view's coordinates to the second's (windows included); identity when either
/// is null.
gfx::AffineTransform DRAffineTransformBetweenViews(const ui::View* from, const ui::View* to);
ui::ViewContentMode DRContentModeFromGravity(const String& gravity);
String DRGravityFromContentMode(ui::ViewContentMode mode);
/// The rectangle content of `size` occupies when laid into `rect` by `mode`.
gfx::Rect DRFitRectByContentMode(gfx::Rect rect, gfx::Size size, ui::ViewContentMode mode);

// Screen(DUDer)
double screenScale();
gfx::Rect currentBounds(const ui::Screen& screen);
/// The bounds, width and height exchanged for the landscape orientations (3 and 4).
gfx::Rect boundsForOrientation(const ui::Screen& screen, int64_t orientation);
gfx::Size sizeInPixel(const ui::Screen& screen);
double pixelsPerInch(const ui::Screen& screen);

}  // namespace base
