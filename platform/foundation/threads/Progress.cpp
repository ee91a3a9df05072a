#include "platform/foundation/threads/Progress.h"

#include <algorithm>

namespace fd {

RT_IMPLEMENT_PLATFORM(Progress) {
  c.property("totalUnitCount", &Progress::totalUnitCount, &Progress::setTotalUnitCount);
  c.property("completedUnitCount", &Progress::completedUnitCount, &Progress::setCompletedUnitCount);
  c.property("fractionCompleted", &Progress::fractionCompleted);
  c.property("indeterminate", &Progress::isIndeterminate).getterName("isIndeterminate");
  c.property("cancellable", &Progress::isCancellable, &Progress::setCancellable).getterName("isCancellable");
  c.property("pausable", &Progress::isPausable, &Progress::setPausable).getterName("isPausable");
  c.property("cancelled", &Progress::isCancelled).getterName("isCancelled");
  c.property("paused", &Progress::isPaused).getterName("isPaused");
  c.dependentKeys("fractionCompleted", {"totalUnitCount", "completedUnitCount"});
  c.dependentKeys("indeterminate", {"totalUnitCount", "completedUnitCount"});
  c.manualNotification("cancelled");
  c.manualNotification("paused");
}

Ref<Progress> Progress::progressWithTotalUnitCount(int64_t totalUnitCount) {
  return rt::make<Progress>(totalUnitCount);
}

// Observers hear of a change only when the value really changes, outside the lock so that
// they may read the progress.
template <class T> void Progress::change(const char* key, T& slot, T value) {
  {
    std::lock_guard lock(mutex_);
    if (slot == value) return;
  }
  String k(key);
  willChangeValueForKey(k);
  {
    std::lock_guard lock(mutex_);
    slot = value;
  }
  didChangeValueForKey(k);
}

int64_t Progress::totalUnitCount() const {
  std::lock_guard lock(mutex_);
  return total_;
}

void Progress::setTotalUnitCount(int64_t count) { change("totalUnitCount", total_, count); }

int64_t Progress::completedUnitCount() const {
  std::lock_guard lock(mutex_);
  return completed_;
}

void Progress::setCompletedUnitCount(int64_t count) { change("completedUnitCount", completed_, count); }

double Progress::fractionCompleted() const {
  std::lock_guard lock(mutex_);
  if (total_ <= 0 || completed_ <= 0) return 0;
  return std::min(1.0, static_cast<double>(completed_) / static_cast<double>(total_));
}

bool Progress::isIndeterminate() const {
  std::lock_guard lock(mutex_);
  return total_ < 0 || completed_ < 0;
}

bool Progress::isCancellable() const {
  std::lock_guard lock(mutex_);
  return cancellable_;
}

void Progress::setCancellable(bool cancellable) { change("cancellable", cancellable_, cancellable); }

bool Progress::isPausable() const {
  std::lock_guard lock(mutex_);
  return pausable_;
}

void Progress::setPausable(bool pausable) { change("pausable", pausable_, pausable); }

bool Progress::isCancelled() const {
  std::lock_guard lock(mutex_);
  return cancelled_;
}

bool Progress::isPaused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

void Progress::setCancellationHandler(Handler handler) {
  bool runNow = false;
  {
    std::lock_guard lock(mutex_);
    runNow = cancelled_;
    if (!runNow) cancellationHandler_ = handler;
  }
  if (runNow && handler) handler();
}

void Progress::setPausingHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  pausingHandler_ = std::move(handler);
}

void Progress::setResumingHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  resumingHandler_ = std::move(handler);
}

void Progress::cancel() {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
  }
  willChangeValueForKey("cancelled");
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    handler = std::move(cancellationHandler_);
    cancellationHandler_ = nullptr;
  }
  didChangeValueForKey("cancelled");
  if (handler) handler();
}

void Progress::pause() {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    if (paused_ || cancelled_) return;
  }
  willChangeValueForKey("paused");
  {
    std::lock_guard lock(mutex_);
    paused_ = true;
    handler = pausingHandler_;
  }
  didChangeValueForKey("paused");
  if (handler) handler();
}

void Progress::resume() {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    if (!paused_ || cancelled_) return;
  }
  willChangeValueForKey("paused");
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
    handler = resumingHandler_;
  }
  didChangeValueForKey("paused");
  if (handler) handler();
}

String Progress::description() const {
  std::lock_guard lock(mutex_);
  return String::format("<%@: %p> : Fraction completed: %.4f / Completed: %lld of %lld", className(),
                        static_cast<const void*>(this),
                        total_ > 0 && completed_ > 0 ? std::min(1.0, double(completed_) / double(total_)) : 0.0,
                        static_cast<long long>(completed_), static_cast<long long>(total_));
}

}  // namespace fd
