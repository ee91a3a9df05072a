#pragma once
// Block animations of views: properties changed inside an animation block take their new
// model values at once and are animated on the layer from what was on screen. The completion
// runs once every animation of the block has stopped, with `finished` false when one of them
// was cut short (replaced by a later animation of the same property, or removed).
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/runtime/Object.h"

namespace ui {

class View;

enum ViewAnimationOptions : uint64_t {
  ViewAnimationOptionLayoutSubviews = 1 << 0,
  ViewAnimationOptionAllowUserInteraction = 1 << 1,
  ViewAnimationOptionBeginFromCurrentState = 1 << 2,
  ViewAnimationOptionRepeat = 1 << 3,
  ViewAnimationOptionAutoreverse = 1 << 4,
  ViewAnimationOptionCurveEaseInOut = 0 << 16,
  ViewAnimationOptionCurveEaseIn = 1 << 16,
  ViewAnimationOptionCurveEaseOut = 2 << 16,
  ViewAnimationOptionCurveLinear = 3 << 16,
};

class ViewAnimation {
 public:
  using Block = std::function<void()>;
  using Completion = std::function<void(bool finished)>;

  static void animate(double duration, Block animations, Completion completion = nullptr);
  static void animate(double duration, double delay, uint64_t options, Block animations, Completion completion);
  /// A damped spring settling within `duration`: damping 1 does not overshoot, lower damping
  /// oscillates; `velocity` is the initial speed in whole distances per second. The curve
  /// options do not apply to a spring.
  static void animateWithSpring(double duration, double delay, double damping, double velocity, uint64_t options,
                                Block animations, Completion completion);
  /// Runs `block` with no animation, even inside an animation block.
  static void performWithoutAnimation(Block block);
  /// True while an animation block's changes are being collected.
  static bool isCollecting();
};

/// The action a view's layer runs for `key`: the null object outside animation blocks.
std::optional<rt::Id> viewAnimationActionFor(View& view, const rt::String& key);

}  // namespace ui
