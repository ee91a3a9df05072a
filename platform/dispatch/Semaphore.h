#pragma once
// Counting semaphores.
#include <condition_variable>
#include <mutex>

#include "platform/dispatch/Timeout.h"
#include "platform/runtime/Ref.h"

namespace dispatch {

class Semaphore {
 public:
  /// Raises for a negative count.
  static Ref<Semaphore> create(long count);

  /// Adds one; answers whether a waiter was woken.
  bool signal();
  /// Takes one, waiting up to `seconds` of real time for it; true when taken.
  bool wait(double seconds = kForever);

 private:
  explicit Semaphore(long count) : value_(count) {}

  std::mutex mutex_;
  std::condition_variable cv_;
  long value_;
  long waiters_ = 0;
};

}  // namespace dispatch
