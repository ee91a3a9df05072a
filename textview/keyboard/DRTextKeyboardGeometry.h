#pragma once
// The keyboard manager's decisions that need no views: visibility of a keyboard frame in a
// window, and the end frame mended after the interface turned while the keyboard moved.
#include <cstdint>

#include "platform/graphics/Geometry.h"

namespace textview {

/// Whether a keyboard at `frame` shows in a window of `windowBounds`: both sides of the frame
/// positive and a non-empty overlap with the bounds.
bool keyboardFrameIsVisible(gfx::Rect frame, gfx::Rect windowBounds);

/// The announced end frame corrected for a turn of the interface to `orientation` (1 portrait,
/// 2 upside down, 3 and 4 the landscapes) within a window of `windowFrame`: a frame announced
/// for the former orientation is moved by its own size onto the screen edge it belongs to.
gfx::Rect keyboardEndFrameForOrientation(gfx::Rect frame, int64_t orientation, gfx::Rect windowFrame);

}  // namespace textview
