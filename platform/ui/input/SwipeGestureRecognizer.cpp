#include "platform/ui/input/SwipeGestureRecognizer.h"

#include <cmath>

#include "platform/dispatch/Clock.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(SwipeGestureRecognizer) {
  c.property("direction", &SwipeGestureRecognizer::direction, &SwipeGestureRecognizer::setDirection);
}

void SwipeGestureRecognizer::touchesBegan(const TouchSet&, Event*) {
  if (numberOfTouches() > size_t(touchesRequired_)) return failIfPossible();
  start_ = centroid();
  startTime_ = dispatch::uptime();
}

void SwipeGestureRecognizer::touchesMoved(const TouchSet&, Event*) {
  if (state() != GestureRecognizerState::Possible || numberOfTouches() != size_t(touchesRequired_)) return;
  if (dispatch::uptime() - startTime_ > kMaximumDuration) return failIfPossible();
  gfx::Point c = centroid();
  double dx = c.x - start_.x, dy = c.y - start_.y;
  struct {
    uint64_t dir;
    double along, across;
  } axes[] = {{SwipeDirectionRight, dx, dy}, {SwipeDirectionLeft, -dx, dy}, {SwipeDirectionDown, dy, dx},
              {SwipeDirectionUp, -dy, dx}};
  for (auto& a : axes) {
    // Mostly straight: sideways drift stays under half the distance travelled.
    if ((direction_ & a.dir) && a.along >= kMinimumDistance && std::fabs(a.across) < a.along / 2)
      return setState(GestureRecognizerState::Ended);
  }
}

void SwipeGestureRecognizer::touchesEnded(const TouchSet&, Event*) { failIfPossible(); }

}  // namespace ui
