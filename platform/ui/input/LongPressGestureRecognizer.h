#pragma once
// Long presses: fingers held still for a minimum duration; movement after that is reported.
#include "platform/foundation/threads/Timer.h"
#include "platform/ui/input/GestureRecognizer.h"

namespace ui {

class LongPressGestureRecognizer : public GestureRecognizer {
  RT_CLASS_NAMED(LongPressGestureRecognizer, GestureRecognizer, "UILongPressGestureRecognizer")
 public:
  using GestureRecognizer::init;
  double minimumPressDuration() const { return minimumDuration_; }
  void setMinimumPressDuration(double s) { minimumDuration_ = s < 0 ? 0 : s; }
  double allowableMovement() const { return allowableMovement_; }
  void setAllowableMovement(double d) { allowableMovement_ = d; }
  int64_t numberOfTouchesRequired() const { return touchesRequired_; }
  void setNumberOfTouchesRequired(int64_t n) { touchesRequired_ = n < 1 ? 1 : n; }

  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void reset() override;

 private:
  void stopTimer();
  double minimumDuration_ = 0.5;
  double allowableMovement_ = 10;
  int64_t touchesRequired_ = 1;
  gfx::Point start_;
  Ref<fd::Timer> timer_;
};

}  // namespace ui
