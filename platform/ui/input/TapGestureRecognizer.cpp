#include "platform/ui/input/TapGestureRecognizer.h"

#include <cmath>

namespace ui {

RT_IMPLEMENT_PLATFORM(TapGestureRecognizer) {
  c.property("numberOfTapsRequired", &TapGestureRecognizer::numberOfTapsRequired,
             &TapGestureRecognizer::setNumberOfTapsRequired);
  c.property("numberOfTouchesRequired", &TapGestureRecognizer::numberOfTouchesRequired,
             &TapGestureRecognizer::setNumberOfTouchesRequired);
}

void TapGestureRecognizer::stopTimer() {
  if (timer_) timer_->invalidate();
  timer_ = nullptr;
}

void TapGestureRecognizer::touchesBegan(const TouchSet& touches, Event*) {
  stopTimer();
  if (downNow_ == 0) start_ = centroid();
  downNow_ += touches.count();
  downMax_ = std::max(downMax_, downNow_);
  if (downMax_ > size_t(touchesRequired_)) failIfPossible();
}

void TapGestureRecognizer::touchesMoved(const TouchSet&, Event*) {
  gfx::Point p = centroid();
  if (std::hypot(p.x - start_.x, p.y - start_.y) > kAllowableMovement) failIfPossible();
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches, Event*) {
  downNow_ = downNow_ > touches.count() ? downNow_ - touches.count() : 0;
  if (downNow_ > 0) return;
  if (downMax_ != size_t(touchesRequired_)) return failIfPossible();
  downMax_ = 0;
  if (++taps_ >= tapsRequired_) return setState(GestureRecognizerState::Ended);
  // Wait for the next tap; none in time means the gesture was something else.
  Weak<GestureRecognizer> weak = std::static_pointer_cast<GestureRecognizer>(self());
  timer_ = fd::Timer::scheduledTimerWithTimeInterval(kMaximumTapGap, false, [weak](fd::Timer&) {
    if (auto g = weak.lock()) g->failIfPossible();
  });
}

void TapGestureRecognizer::reset() {
  stopTimer();
  taps_ = 0;
  downNow_ = downMax_ = 0;
  GestureRecognizer::reset();
}

}  // namespace ui
