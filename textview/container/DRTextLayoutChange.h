#pragma once
// Which part of a drawn layout a new layout of the edited text changes: lines that stand where
// they stood with the same characters, runs and styles draw the same pixels, so a view can
// draw again only the lines between the unchanged head and tail of the text.
#include "platform/graphics/Geometry.h"
#include "text/layout/DRTextLayout.h"

namespace textview {

/// The area, in layout coordinates and as wide as `width`, where drawing `after` differs from
/// drawing `before` at the same origin: the old and new places of every line that changed,
/// with room for ink beyond the line boxes. Empty when nothing differs; null when the layouts
/// cannot be compared line by line (vertical forms, truncation, attachments, borders, shadows:
/// drawing that reaches across lines), so that everything must be drawn again.
gfx::Rect changedLinesArea(const text::DRTextLayout& before, const text::DRTextLayout& after, double width);

}  // namespace textview
