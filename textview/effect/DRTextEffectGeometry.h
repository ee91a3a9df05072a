#pragma once
// The effect window's decisions in numbers: which side the keyboard is docked on, how a turn
// angle reads in eighths, where a loupe may sit (inside the window, off the keyboard), where
// its capture is taken, and whether a clipped knob's mirror shows. Window coordinates.
#include <cstdint>

#include "platform/graphics/Geometry.h"

namespace textview {

/// Where a keyboard frame is docked in a window of `windowFrame` (both in the window's
/// coordinates): 1 top, 2 right, 4 bottom, 8 left, tested in that order; 0 for none or for a
/// null or empty keyboard frame.
uint64_t keyboardDirection(gfx::Rect keyboard, gfx::Rect windowFrame);

/// The angle in eighths of a turn, brought into 0...8.
double angleInEighths(double angle);

struct DRMagnifierPlacement {
  bool caret = true;                 // a round loupe, else a ranged one
  gfx::Size windowSize;              // the window's bounds size
  gfx::Size magnifierSize;           // the loupe's bounds size
  gfx::Rect keyboard = gfx::RectNull;  // in the window; null or empty: none
};

/// The proposed centre kept inside the window for the loupe's orientation, then moved off the
/// keyboard.
gfx::Point correctedMagnifierCenter(gfx::Point center, double angle, const DRMagnifierPlacement& placement);

/// The capture centre kept off the keyboard, so that a loupe never magnifies the keys.
gfx::Point captureCenterOffKeyboard(gfx::Point center, gfx::Rect keyboard, uint64_t direction);

/// The round loupe sits half its height above the touch, along the host's up direction.
gfx::Point liftedCaretCenter(gfx::Point point, double angle, double fitHeight);

/// Distance from `p` to `rect`: 0 inside, else the larger of the two axis gaps.
double distanceToRect(gfx::Point p, gfx::Rect rect);

/// Whether a knob whose frame (window coordinates) is `knob` needs its mirror: the host clips
/// to its bounds (`host`, window coordinates), the knob shows (alpha above 0.1), the keyboard
/// (null: none) covers it by no more than a point either way, the host clips part of it and it
/// lies within 0.55 knob widths of the host.
bool knobMirrorShows(bool hostClips, double knobAlpha, gfx::Rect knob, gfx::Rect host, gfx::Rect keyboard);

}  // namespace textview
