#pragma once
// What keyboard observers are told: one change of the on-screen keyboard, frames in screen
// coordinates, and the protocol that receives it.
#include <cstdint>

#include "platform/graphics/Geometry.h"

namespace textview {

struct DRTextKeyboardTransitionRecord {
  bool fromVisible = false;
  bool toVisible = false;
  gfx::Rect fromFrame = gfx::RectZero;
  gfx::Rect toFrame = gfx::RectZero;
  /// Seconds; 0 for changes seen on the keyboard view rather than announced.
  double animationDuration = 0;
  /// The view animation curve, and the same curve as animation options (curve << 16).
  int64_t animationCurve = 0;
  uint64_t animationOption = 0;
};

/// Adopted by whoever follows the keyboard. The default does nothing, so an observer that has
/// no use for the change simply lets it pass.
class DRTextKeyboardObserver {
 public:
  virtual ~DRTextKeyboardObserver() = default;
  virtual void keyboardChangedWithTransition(const DRTextKeyboardTransitionRecord& transition) { (void)transition; }
};

}  // namespace textview
