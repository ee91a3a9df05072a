#include "tests/platform/dispatch/DispatchFixtures.h"

#include <algorithm>
#include <chrono>

#include "platform/dispatch/MainQueue.h"

namespace dtest {

namespace {
std::chrono::steady_clock::duration span(double seconds) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
}
}  // namespace

void Countdown::arrive() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (remaining_ > 0 && --remaining_ == 0) cv_.notify_all();
}

bool Countdown::wait(double seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, span(seconds), [this] { return remaining_ == 0; });
}

bool Countdown::arriveAndWait(double seconds) {
  arrive();
  return wait(seconds);
}

bool pumpMainQueueUntil(const std::function<bool()>& done, double seconds) {
  struct Signal {
    std::mutex mutex;
    std::condition_variable cv;
    bool woken = false;
  };
  auto signal = std::make_shared<Signal>();
  dispatch::setMainQueueWakeup([signal] {
    std::lock_guard<std::mutex> lock(signal->mutex);
    signal->woken = true;
    signal->cv.notify_all();
  });
  auto deadline = std::chrono::steady_clock::now() + span(seconds);
  bool ok = false;
  for (;;) {
    dispatch::drainMainQueue();
    if (done()) {
      ok = true;
      break;
    }
    // Sleep until woken, the next delayed block is due, or a short slice passes: `done` may
    // turn true without anything being queued on the main queue.
    auto until = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
    double nextDue = dispatch::nextMainQueueDeadline() - dispatch::uptime();
    if (nextDue < seconds) until = std::min(until, std::chrono::steady_clock::now() + span(std::max(0.0, nextDue)));
    std::unique_lock<std::mutex> lock(signal->mutex);
    signal->cv.wait_until(lock, until, [&] { return signal->woken; });
    signal->woken = false;
    if (std::chrono::steady_clock::now() >= deadline) {
      lock.unlock();
      dispatch::drainMainQueue();
      ok = done();
      break;
    }
  }
  dispatch::setMainQueueWakeup(nullptr);
  return ok;
}

VirtualClockScope::VirtualClockScope() : clock_(std::make_shared<dispatch::VirtualClock>()) {
  dispatch::setClock(clock_);
}

VirtualClockScope::~VirtualClockScope() { dispatch::setClock(nullptr); }

}  // namespace dtest
