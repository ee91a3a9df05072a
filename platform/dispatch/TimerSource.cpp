#include "platform/dispatch/TimerSource.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/TimerThread.h"
#include "platform/runtime/Exception.h"

namespace dispatch {

namespace {
bool repeats(double interval) { return interval > 0 && std::isfinite(interval); }
}  // namespace

Ref<TimerSource> TimerSource::create(const Ref<Queue>& queue) {
  if (!queue) rt::raise(rt::InvalidArgumentException, "a timer source needs a queue");
  return Ref<TimerSource>(new TimerSource(queue));
}

double TimerSource::clockNow() const { return queue_->kind() == Queue::Kind::Main ? uptime() : realUptime(); }

void TimerSource::schedule(uint64_t generation, double deadline) {
  Ref<TimerSource> self = shared_from_this();
  if (queue_->kind() == Queue::Kind::Main) {
    MainQueue::shared().enqueueAt(deadline, [self, generation] { self->fire(generation); });
    return;
  }
  TimerThread::shared().schedule(deadline, [self, generation] {
    self->queue_->async([self, generation] { self->fire(generation); });
  });
}

void TimerSource::setTimer(double start, double interval, double /*leeway*/) {
  uint64_t generation;
  double deadline;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return;
    generation = ++generation_;
    deadline_ = deadline = clockNow() + std::max(0.0, start);
    interval_ = interval;
    hasTimer_ = true;
    armed_ = suspendCount_ == 0;
    if (!armed_) return;
  }
  schedule(generation, deadline);
}

void TimerSource::setHandler(Block handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!cancelled_) handler_ = std::move(handler);
}

void TimerSource::resume() {
  uint64_t generation;
  double deadline;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspendCount_ == 0) rt::raise(rt::InternalInconsistencyException, "resume of a timer source that is not suspended");
    if (--suspendCount_ > 0 || cancelled_ || !hasTimer_ || armed_) return;
    armed_ = true;
    generation = generation_;
    deadline = deadline_;  // a fire missed while suspended is due at once
  }
  schedule(generation, deadline);
}

void TimerSource::suspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++suspendCount_;
}

void TimerSource::cancel() {
  Block released;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    ++generation_;
    released = std::move(handler_);
    handler_ = nullptr;
  }
}

bool TimerSource::isCancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

void TimerSource::fire(uint64_t generation) {
  Block handler;
  bool again = false;
  double next = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_ || generation != generation_) return;
    armed_ = false;
    if (suspendCount_ > 0) return;  // resume re-arms at the missed deadline
    if (repeats(interval_)) {
      double now = clockNow() + kDeadlineSlack;
      double behind = std::max(0.0, now - deadline_);
      deadline_ += (std::floor(behind / interval_) + 1) * interval_;
      next = deadline_;
      armed_ = again = true;
    } else {
      hasTimer_ = false;
    }
    handler = handler_;
  }
  if (again) schedule(generation, next);
  if (handler) handler();
}

}  // namespace dispatch
