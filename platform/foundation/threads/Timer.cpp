#include "platform/foundation/threads/Timer.h"

#include <cmath>
#include <limits>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoop.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Timer) {
  c.property("timeInterval", &Timer::timeInterval);
  c.property("isValid", &Timer::isValid);
  c.property("userInfo", &Timer::userInfo);
}

namespace {
constexpr double kNeverUptime = std::numeric_limits<double>::infinity();
// The shortest repeat interval; shorter (or zero) ones are raised to it.
constexpr double kMinimumInterval = 0.0001;
std::atomic<uint64_t> nextSequence{1};

Timer::Block selectorAction(rt::Selector selector) {
  return [selector](Timer& t) {
    Id target = t.target();
    if (!target) return;
    std::vector<rt::Value> args;
    if (selector.argumentCount() > 0)
      args.push_back(rt::Value::ofObject(std::static_pointer_cast<Object>(t.shared_from_this())));
    target->performSelector(selector, args);  // a proxy forwards to what it stands for
  };
}
}  // namespace

void Timer::init(const Ref<Date>& fireDate, double interval, Id target, Block action, Id userInfo, bool repeats) {
  repeats_ = repeats;
  interval_ = repeats ? std::max(interval, kMinimumInterval) : std::max(interval, 0.0);
  double now = dispatch::uptime();
  fireUptime_ = fireDate ? now + fireDate->timeIntervalSinceNow() : now + std::max(interval, 0.0);
  target_ = std::move(target);
  action_ = std::move(action);
  userInfo_ = std::move(userInfo);
  seq_ = nextSequence.fetch_add(1);
}

Ref<Timer> Timer::timerWithTimeInterval(double interval, bool repeats, Block block) {
  return rt::make<Timer>(nullptr, interval, nullptr, std::move(block), nullptr, repeats);
}

Ref<Timer> Timer::scheduledTimerWithTimeInterval(double interval, bool repeats, Block block) {
  auto t = timerWithTimeInterval(interval, repeats, std::move(block));
  RunLoop::currentRunLoop()->addTimer(t, NSDefaultRunLoopMode);
  return t;
}

Ref<Timer> Timer::timerWithTimeInterval(double interval, Id target, rt::Selector selector, Id userInfo, bool repeats) {
  return rt::make<Timer>(nullptr, interval, std::move(target), selectorAction(selector), std::move(userInfo), repeats);
}

Ref<Timer> Timer::scheduledTimerWithTimeInterval(double interval, Id target, rt::Selector selector, Id userInfo,
                                                 bool repeats) {
  auto t = timerWithTimeInterval(interval, std::move(target), selector, std::move(userInfo), repeats);
  RunLoop::currentRunLoop()->addTimer(t, NSDefaultRunLoopMode);
  return t;
}

Ref<Timer> Timer::timerWithTimeInterval(double interval, Id target, Block action, Id userInfo, bool repeats) {
  return rt::make<Timer>(nullptr, interval, std::move(target), std::move(action), std::move(userInfo), repeats);
}

Ref<Timer> Timer::scheduledTimerWithTimeInterval(double interval, Id target, Block action, Id userInfo, bool repeats) {
  auto t = timerWithTimeInterval(interval, std::move(target), std::move(action), std::move(userInfo), repeats);
  RunLoop::currentRunLoop()->addTimer(t, NSDefaultRunLoopMode);
  return t;
}

void Timer::callAction() {
  Block action;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!valid_) return;
    action = action_;  // a copy: the action may invalidate (and so release) the timer's own
  }
  if (action) action(*this);
}

void Timer::fire() {
  if (!isValid()) return;
  auto keep = shared_from_this();
  callAction();
  if (!repeats_) invalidate();
}

bool Timer::fireIfDue(double now) {
  auto keep = shared_from_this();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!valid_ || fireUptime_ > now) return false;
    if (repeats_) {
      // Keep the phase: the next date after now on the original grid.
      double missed = std::floor((now - fireUptime_) / interval_);
      fireUptime_ += (missed + 1) * interval_;
    } else {
      fireUptime_ = kNeverUptime;  // a nested run must not fire it again
    }
  }
  callAction();
  if (!repeats_) invalidate();
  return true;
}

void Timer::invalidate() {
  Id target, userInfo;
  Block action;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!valid_) return;
    valid_ = false;
    target.swap(target_);
    userInfo.swap(userInfo_);
    action.swap(action_);
  }
  // Released here, outside the lock.
}

bool Timer::isValid() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return valid_;
}

Ref<Date> Timer::fireDate() const {
  double at;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    at = fireUptime_;
  }
  if (!std::isfinite(at)) return Date::distantFuture();
  return Date::dateWithTimeIntervalSinceNow(at - dispatch::uptime());
}

void Timer::setFireDate(const Ref<Date>& date) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    fireUptime_ = date ? dispatch::uptime() + date->timeIntervalSinceNow() : kNeverUptime;
  }
  // Loops sleeping towards the old date must look again.
  std::vector<Weak<RunLoop>> loops;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    loops = loops_;
  }
  for (auto& w : loops)
    if (auto loop = w.lock()) loop->wakeUp();
}

void Timer::addedTo(const Ref<RunLoop>& loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& w : loops_)
    if (w.lock() == loop) return;
  loops_.push_back(loop);
}

Id Timer::userInfo() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return userInfo_;
}

Id Timer::target() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return target_;
}

double Timer::fireUptime() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return valid_ ? fireUptime_ : kNeverUptime;
}

}  // namespace fd
