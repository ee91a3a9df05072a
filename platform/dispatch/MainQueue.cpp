#include "platform/dispatch/MainQueue.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <limits>

#include "platform/dispatch/Blocking.h"
#include "platform/dispatch/Clock.h"
#include "platform/runtime/Exception.h"

namespace dispatch {

bool isMainThread() {
  thread_local const bool main = gettid() == getpid();
  return main;
}

MainQueue& MainQueue::shared() {
  // Never destroyed: other threads may post to it during static teardown.
  static Ref<Queue>* queue = new Ref<Queue>(new MainQueue);
  return static_cast<MainQueue&>(**queue);
}

Ref<Queue> mainQueue() { return MainQueue::shared().shared_from_this(); }

MainQueue::MainQueue() : Queue(Kind::Main, "dispatch.main") {}

void MainQueue::wake() {
  std::shared_ptr<const std::function<void()>> wakeup;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeup = wakeup_;
  }
  if (wakeup && *wakeup) (*wakeup)();
}

void MainQueue::async(Block block) {
  requireBlock(block);
  bool wakeNeeded;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(std::move(block));
    // One wake-up covers every block queued before the next drain takes its count.
    wakeNeeded = !wakePending_;
    wakePending_ = true;
  }
  if (wakeNeeded) wake();
}

void MainQueue::sync(const Block& block) {
  requireBlock(block);
  if (isMainThread()) {
    CurrentScope scope(this);
    block();
    return;
  }
  struct Call {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::exception_ptr error;
  };
  auto call = std::make_shared<Call>();
  async([call, &block] {
    try {
      block();
    } catch (...) {
      call->error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(call->mutex);
    call->done = true;
    call->cv.notify_all();
  });
  std::exception_ptr error;
  {
    BlockingScope blocking;
    std::unique_lock<std::mutex> lock(call->mutex);
    call->cv.wait(lock, [&] { return call->done; });
    error = std::move(call->error);  // the caller alone owns the exception from here
  }
  if (error) std::rethrow_exception(error);
}

void MainQueue::after(double seconds, Block block) { enqueueAt(uptime() + std::max(0.0, seconds), std::move(block)); }

void MainQueue::enqueueAt(double deadline, Block block) {
  requireBlock(block);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    delayed_.push(Delayed{deadline, nextOrder_++, std::move(block)});
  }
  wake();
}

void MainQueue::runItem(Block& item) {
  CurrentScope scope(this);
  item();
}

size_t MainQueue::drain() {
  if (!isMainThread()) rt::raise(rt::InternalInconsistencyException, "the main queue is drained on the main thread only");
  size_t due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspendCount_ > 0) return 0;
    double now = uptime() + kDeadlineSlack;
    while (!delayed_.empty() && delayed_.top().deadline <= now) {
      // top() is const; the entry is popped right after, so moving from it is safe.
      ready_.push_back(std::move(const_cast<Delayed&>(delayed_.top()).block));
      delayed_.pop();
    }
    due = ready_.size();
    wakePending_ = false;
  }
  size_t ran = 0;
  CurrentScope scope(this);
  while (ran < due) {
    Block b;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (suspendCount_ > 0 || ready_.empty()) break;
      b = std::move(ready_.front());
      ready_.pop_front();
    }
    b();
    ++ran;
  }
  return ran;
}

double MainQueue::nextDeadline() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (delayed_.empty()) return std::numeric_limits<double>::infinity();
  return delayed_.top().deadline;
}

void MainQueue::setWakeup(std::function<void()> wakeup) {
  auto held = wakeup ? std::make_shared<const std::function<void()>>(std::move(wakeup)) : nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  wakeup_ = std::move(held);
}

void MainQueue::suspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++suspendCount_;
}

void MainQueue::resume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspendCount_ == 0) rt::raise(rt::InternalInconsistencyException, "resume of the main queue that is not suspended");
    if (--suspendCount_ > 0) return;
  }
  wake();
}

size_t drainMainQueue() { return MainQueue::shared().drain(); }
void setMainQueueWakeup(std::function<void()> wakeup) { MainQueue::shared().setWakeup(std::move(wakeup)); }
double nextMainQueueDeadline() { return MainQueue::shared().nextDeadline(); }

}  // namespace dispatch
