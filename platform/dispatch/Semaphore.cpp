#include "platform/dispatch/Semaphore.h"

#include "platform/dispatch/Blocking.h"
#include "platform/runtime/Exception.h"

namespace dispatch {

Ref<Semaphore> Semaphore::create(long count) {
  if (count < 0) rt::raise(rt::InvalidArgumentException, "a semaphore's initial count cannot be negative");
  return Ref<Semaphore>(new Semaphore(count));
}

bool Semaphore::signal() {
  // Notified under the lock: a woken waiter may release the last reference as soon as it runs.
  std::lock_guard<std::mutex> lock(mutex_);
  ++value_;
  bool woke = waiters_ > 0;
  if (woke) cv_.notify_one();
  return woke;
}

bool Semaphore::wait(double seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (value_ > 0) {
    --value_;
    return true;
  }
  if (seconds <= 0) return false;
  lock.unlock();
  BlockingScope blocking;
  lock.lock();
  ++waiters_;
  bool got = waitFor(cv_, lock, seconds, [this] { return value_ > 0; });
  --waiters_;
  if (got) --value_;
  return got;
}

}  // namespace dispatch
