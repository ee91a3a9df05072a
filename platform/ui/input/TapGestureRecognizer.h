#pragma once
// Taps: a number of fingers down and up, a number of times, without wandering.
#include "platform/foundation/threads/Timer.h"
#include "platform/ui/input/GestureRecognizer.h"

namespace ui {

class TapGestureRecognizer : public GestureRecognizer {
  RT_CLASS_NAMED(TapGestureRecognizer, GestureRecognizer, "UITapGestureRecognizer")
 public:
  using GestureRecognizer::init;
  int64_t numberOfTapsRequired() const { return tapsRequired_; }
  void setNumberOfTapsRequired(int64_t n) { tapsRequired_ = n < 1 ? 1 : n; }
  int64_t numberOfTouchesRequired() const { return touchesRequired_; }
  void setNumberOfTouchesRequired(int64_t n) { touchesRequired_ = n < 1 ? 1 : n; }

  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void reset() override;

  /// How far a finger may move, and how long the gap between taps may be.
  static constexpr double kAllowableMovement = 10;
  static constexpr double kMaximumTapGap = 0.35;

 private:
  void stopTimer();
  int64_t tapsRequired_ = 1;
  int64_t touchesRequired_ = 1;
  int64_t taps_ = 0;
  size_t downNow_ = 0, downMax_ = 0;
  gfx::Point start_;
  Ref<fd::Timer> timer_;
};

}  // namespace ui
