#include "base/utility/DRTimer.h"

#include "platform/dispatch/Queue.h"
#include "platform/runtime/Exception.h"

namespace base {

RT_IMPLEMENT(DRTimer) {}

void DRTimer::init() { rt::raise("DRTimer init error", "Use the designated initializer to init."); }

void DRTimer::init(double start, double interval, const rt::Id& target, rt::Selector selector, bool repeats) {
  repeats_ = repeats;
  timeInterval_ = interval;
  valid_ = true;
  target_ = target;
  selector_ = selector;
  source_ = dispatch::TimerSource::create(dispatch::mainQueue());
  source_->setTimer(start, repeats ? interval : 0);
  // The source holds the timer weakly: only its owner keeps it alive.
  source_->setHandler([weak = rt::Weak<DRTimer>(std::static_pointer_cast<DRTimer>(self()))] {
    if (auto timer = weak.lock()) timer->fire();
  });
  source_->resume();
}

Ref<DRTimer> DRTimer::timerWithTimeInterval(double interval, const rt::Id& target, rt::Selector selector, bool repeats) {
  return rt::make<DRTimer>(interval, interval, target, selector, repeats);
}

DRTimer::~DRTimer() {
  if (source_) source_->cancel();
}

void DRTimer::fire() {
  // The action runs without the lock, so that it may invalidate or ask its own timer.
  Ref<rt::Object> target;
  rt::Selector selector;
  bool repeats;
  {
    std::lock_guard guard(lock_);
    target = target_.lock();
    selector = selector_;
    repeats = repeats_;
  }
  if (target && selector && target->respondsToSelector(selector)) target->performSelector(selector);
  target.reset();
  bool targetGone;
  {
    std::lock_guard guard(lock_);
    targetGone = !target_.lock();
  }
  if (!repeats || targetGone) invalidate();
}

void DRTimer::invalidate() {
  Ref<dispatch::TimerSource> source;
  {
    std::lock_guard guard(lock_);
    if (!valid_) return;
    source = std::move(source_);
    target_.reset();
    valid_ = false;
  }
  if (source) source->cancel();
}

bool DRTimer::repeats() const {
  std::lock_guard guard(lock_);
  return repeats_;
}

double DRTimer::timeInterval() const {
  std::lock_guard guard(lock_);
  return timeInterval_;
}

bool DRTimer::isValid() const {
  std::lock_guard guard(lock_);
  return valid_;
}

}  // namespace base
