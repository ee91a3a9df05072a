#include "platform/ui/input/LongPressGestureRecognizer.h"

#include <cmath>

namespace ui {

RT_IMPLEMENT_PLATFORM(LongPressGestureRecognizer) {
  c.property("minimumPressDuration", &LongPressGestureRecognizer::minimumPressDuration,
             &LongPressGestureRecognizer::setMinimumPressDuration);
}

using S = GestureRecognizerState;

void LongPressGestureRecognizer::stopTimer() {
  if (timer_) timer_->invalidate();
  timer_ = nullptr;
}

void LongPressGestureRecognizer::touchesBegan(const TouchSet&, Event*) {
  if (numberOfTouches() > size_t(touchesRequired_)) {
    stopTimer();
    return failIfPossible();
  }
  if (numberOfTouches() < size_t(touchesRequired_) || state() != S::Possible) return;
  start_ = centroid();
  stopTimer();
  Weak<GestureRecognizer> weak = std::static_pointer_cast<GestureRecognizer>(self());
  timer_ = fd::Timer::scheduledTimerWithTimeInterval(minimumDuration_, false, [weak](fd::Timer&) {
    if (auto g = weak.lock(); g && g->state() == S::Possible) g->setState(S::Began);
  });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet&, Event*) {
  if (state() == S::Possible) {
    gfx::Point p = centroid();
    if (std::hypot(p.x - start_.x, p.y - start_.y) > allowableMovement_) {
      stopTimer();
      failIfPossible();
    }
  } else if (isActive()) {
    setState(S::Changed);
  }
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet&, Event*) {
  stopTimer();
  if (isActive()) setState(S::Ended);
  else failIfPossible();
}

void LongPressGestureRecognizer::reset() {
  stopTimer();
  GestureRecognizer::reset();
}

}  // namespace ui
