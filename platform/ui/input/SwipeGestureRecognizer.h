#pragma once
// Swipes: a quick, mostly straight movement in one of the allowed directions.
#include "platform/ui/input/GestureRecognizer.h"

namespace ui {

enum SwipeGestureRecognizerDirection : uint64_t {
  SwipeDirectionRight = 1 << 0,
  SwipeDirectionLeft = 1 << 1,
  SwipeDirectionUp = 1 << 2,
  SwipeDirectionDown = 1 << 3,
};

class SwipeGestureRecognizer : public GestureRecognizer {
  RT_CLASS_NAMED(SwipeGestureRecognizer, GestureRecognizer, "UISwipeGestureRecognizer")
 public:
  using GestureRecognizer::init;
  uint64_t direction() const { return direction_; }
  void setDirection(uint64_t d) { direction_ = d; }
  int64_t numberOfTouchesRequired() const { return touchesRequired_; }
  void setNumberOfTouchesRequired(int64_t n) { touchesRequired_ = n < 1 ? 1 : n; }

  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;

  /// Distance to travel, and the time allowed to travel it.
  static constexpr double kMinimumDistance = 50;
  static constexpr double kMaximumDuration = 0.5;

 private:
  uint64_t direction_ = SwipeDirectionRight;
  int64_t touchesRequired_ = 1;
  gfx::Point start_;
  double startTime_ = 0;
};

}  // namespace ui
