#pragma once
// The channel bar's three animation shapes over view block animations; main thread only.
#include <functional>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace widgets {

class CBAnimationTool : public rt::Object {
  RT_CLASS(CBAnimationTool, rt::Object)
 public:
  using Block = std::function<void()>;
  using Completion = std::function<void(bool finished)>;

  /// 0.5 s.
  static void animateWithAnimations(Block animations);
  static void animateWithAnimations(Block animations, Completion completion);
  /// 0.7 s spring, damping 0.3, initial velocity 0.3, from the current state.
  static void springAnimateWithAnimations(Block animations, Completion completion);

  static constexpr double kDuration = 0.5;
  static constexpr double kSpringDuration = 0.7;
};

}  // namespace widgets
