#include "platform/ui/input/TouchInput.h"

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/view/Window.h"

namespace ui {

void TouchInput::deliver(const std::vector<Ref<Touch>>& changed) {
  if (!changed.empty()) window_->sendTouches(changed);
}

std::vector<Ref<Touch>> TouchInput::down(const std::vector<gfx::Point>& points) {
  std::vector<Ref<Touch>> touches;
  for (auto p : points) {
    auto t = rt::make<Touch>();
    t->setPhase(TouchPhase::Began);
    t->placeAt(p);
    touches.push_back(t);
  }
  deliver(touches);
  return touches;
}

void TouchInput::move(const std::vector<std::pair<Ref<Touch>, gfx::Point>>& moves) {
  std::vector<Ref<Touch>> changed;
  for (auto& [t, p] : moves) {
    if (!t || t->phase() == TouchPhase::Ended || t->phase() == TouchPhase::Cancelled) continue;
    t->setPhase(TouchPhase::Moved);
    t->moveTo(p);
    changed.push_back(t);
  }
  deliver(changed);
}

void TouchInput::up(const std::vector<Ref<Touch>>& touches) {
  std::vector<Ref<Touch>> changed;
  for (auto& t : touches) {
    if (!t || t->phase() == TouchPhase::Ended || t->phase() == TouchPhase::Cancelled) continue;
    t->setPhase(TouchPhase::Ended);
    changed.push_back(t);
  }
  deliver(changed);
}

void TouchInput::cancel(const std::vector<Ref<Touch>>& touches) {
  std::vector<Ref<Touch>> changed;
  for (auto& t : touches) {
    if (!t || t->phase() == TouchPhase::Ended || t->phase() == TouchPhase::Cancelled) continue;
    t->setPhase(TouchPhase::Cancelled);
    changed.push_back(t);
  }
  deliver(changed);
}

void TouchInput::tap(gfx::Point p) { up(down(p)); }

void TouchInput::drag(gfx::Point from, gfx::Point to, double seconds, int steps) {
  if (steps < 1) steps = 1;
  auto t = down(from);
  for (int i = 1; i <= steps; ++i) {
    wait(seconds / steps);
    double f = double(i) / steps;
    move(t, {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
  }
  up(t);
}

void TouchInput::press(gfx::Point p, double seconds) {
  auto t = down(p);
  wait(seconds);
  up(t);
}

void TouchInput::shake() {
  auto e = rt::make<Event>(EventType::Motion, EventSubtype::MotionShake);
  e->setTimestamp(dispatch::uptime());
  window_->sendEvent(e.get());
}

void TouchInput::wait(double seconds) {
  if (dispatch::isVirtualClock()) {
    fd::RunLoopDriver::advance(seconds);
    return;
  }
  fd::RunLoop::currentRunLoop()->runInMode(rt::String(fd::NSDefaultRunLoopMode), seconds, false);
}

}  // namespace ui
