#pragma once
// Helpers for the dispatch tests: bounded rendezvous, main-queue pumping, a virtual clock scope.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/dispatch/Clock.h"

namespace dtest {

/// Generous bound for every wait, so that slow sanitizer runs pass and a hang still fails.
inline constexpr double kPatience = 10.0;

/// A count of arrivals that threads can wait on, with bounded waits.
class Countdown {
 public:
  explicit Countdown(int count) : remaining_(count) {}
  void arrive();
  /// True once everyone has arrived, false when `seconds` pass first.
  bool wait(double seconds = kPatience);
  /// Arrives and waits for the others: a rendezvous.
  bool arriveAndWait(double seconds = kPatience);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int remaining_;
};

/// Drains the main queue as the run loop would, sleeping until woken, until `done` holds or
/// `seconds` pass. Call on the main thread.
bool pumpMainQueueUntil(const std::function<bool()>& done, double seconds = kPatience);

/// Installs a virtual clock for the scope's lifetime.
class VirtualClockScope {
 public:
  VirtualClockScope();
  ~VirtualClockScope();
  dispatch::VirtualClock& operator*() { return *clock_; }
  dispatch::VirtualClock* operator->() { return clock_.get(); }

 private:
  std::shared_ptr<dispatch::VirtualClock> clock_;
};

}  // namespace dtest
