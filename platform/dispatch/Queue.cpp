#include "platform/dispatch/Queue.h"

#include <algorithm>
#include <condition_variable>

#include "platform/dispatch/Blocking.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Processors.h"
#include "platform/dispatch/TimerThread.h"
#include "platform/dispatch/WorkerPool.h"
#include "platform/runtime/Exception.h"

namespace dispatch {

namespace {
thread_local Queue* tCurrent = nullptr;
}

Queue::Queue(Kind kind, std::string label) : kind_(kind), label_(std::move(label)) {}
Queue::~Queue() = default;

Queue::CurrentScope::CurrentScope(Queue* q) : previous_(tCurrent) { tCurrent = q; }
Queue::CurrentScope::~CurrentScope() { tCurrent = previous_; }

Queue* Queue::current() {
  if (tCurrent) return tCurrent;
  return isMainThread() ? mainQueue().get() : nullptr;
}

Qos Queue::qos() const {
  const Queue* q = this;
  while (Queue* t = q->target()) q = t;
  return q->rootQos();
}

void Queue::setTargetQueue(const Ref<Queue>& requested) {
  if (kind_ == Kind::Main || kind_ == Kind::Global) {
    rt::raise(rt::InvalidArgumentException, "the main and global queues cannot change their target");
  }
  Ref<Queue> target = requested ? requested : globalQueue(Qos::Default);
  for (Queue* q = target.get(); q; q = q->target()) {
    if (q == this) rt::raise(rt::InvalidArgumentException, "a queue cannot target itself, even indirectly");
  }
  std::lock_guard<std::mutex> lock(targetMutex_);
  targetsHeld_.push_back(target);
  target_.store(target.get(), std::memory_order_release);
}

Ref<Queue> Queue::targetQueue() const {
  Queue* t = target();
  return t ? t->shared_from_this() : nullptr;
}

bool Queue::targetIsGlobal() const {
  Queue* t = target();
  return t && t->kind_ == Kind::Global;
}

void Queue::submitToTarget(Block item) {
  Queue* t = target();
  if (t->kind_ == Kind::Global) {
    WorkerPool::shared().submit(t->rootQos(), this, std::move(item));
    return;
  }
  // The caller keeps this queue alive until the item has run.
  t->async([self = this, item = std::move(item)]() mutable { self->runItem(item); });
}

void Queue::requireBlock(const Block& block) {
  if (!block) rt::raise(rt::InvalidArgumentException, "a dispatch block must not be empty");
}

void Queue::checkNotReentrant(bool exclusive) const {
  std::vector<const Queue*> needed;
  for (const Queue* q = this; q; q = q->target()) {
    if (q->isSerial() || (q == this && exclusive)) needed.push_back(q);
  }
  for (const Queue* q = current(); q; q = q->target()) {
    if (std::find(needed.begin(), needed.end(), q) != needed.end()) {
      rt::raise(rt::InternalInconsistencyException,
                rt::String("sync onto queue \"" + label_ + "\" from a block it would have to wait for"));
    }
  }
}

void Queue::syncThroughGate(const Block& block, bool barrier) {
  struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool turn = false;
    bool done = false;
  };
  auto gate = std::make_shared<Gate>();
  Block opener = [gate] {
    BlockingScope blocking;
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->turn = true;
    gate->cv.notify_all();
    gate->cv.wait(lock, [&] { return gate->done; });
  };
  if (barrier) {
    asyncBarrier(std::move(opener));
  } else {
    async(std::move(opener));
  }
  {
    BlockingScope blocking;
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->cv.wait(lock, [&] { return gate->turn; });
  }
  struct Release {
    Gate& gate;
    ~Release() {
      std::lock_guard<std::mutex> lock(gate.mutex);
      gate.done = true;
      gate.cv.notify_all();
    }
  } release{*gate};
  CurrentScope scope(this);
  block();
}

void Queue::after(double seconds, Block block) {
  requireBlock(block);
  Ref<Queue> self = shared_from_this();
  TimerThread::shared().schedule(realUptime() + std::max(0.0, seconds),
                                 [self, block = std::move(block)]() mutable { self->async(std::move(block)); });
}

void Queue::apply(size_t iterations, const std::function<void(size_t)>& fn) {
  if (!fn) rt::raise(rt::InvalidArgumentException, "apply needs a function");
  if (iterations == 0) return;
  if (isSerial()) {
    sync([&] {
      for (size_t i = 0; i < iterations; ++i) fn(i);
    });
    return;
  }
  struct State {
    std::atomic<size_t> next{0};
    size_t count = 0;
    const std::function<void(size_t)>* fn = nullptr;
    std::mutex mutex;
    std::condition_variable cv;
    size_t done = 0;
    void finish(size_t n) {
      if (n == 0) return;
      std::lock_guard<std::mutex> lock(mutex);
      done += n;
      cv.notify_all();
    }
    // Claims indices until none are left; `fn` is only touched for a claimed index, so a helper
    // that starts after the caller has returned does nothing.
    void work() {
      size_t finished = 0;
      for (size_t i; (i = next.fetch_add(1)) < count; ++finished) (*fn)(i);
      finish(finished);
    }
  };
  auto state = std::make_shared<State>();
  state->count = iterations;
  state->fn = &fn;
  size_t helpers = std::min(iterations, static_cast<size_t>(activeProcessorCount())) - 1;
  for (size_t h = 0; h < helpers; ++h) async([state] { state->work(); });

  auto waitForClaimed = [&] {
    size_t claimed = std::min(state->next.exchange(iterations), iterations);
    BlockingScope blocking;
    std::unique_lock<std::mutex> lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done >= claimed; });
  };
  try {
    CurrentScope scope(this);
    size_t finished = 0;
    try {
      for (size_t i; (i = state->next.fetch_add(1)) < iterations; ++finished) fn(i);
    } catch (...) {
      state->finish(finished + 1);
      throw;
    }
    state->finish(finished);
  } catch (...) {
    waitForClaimed();
    throw;
  }
  waitForClaimed();
}

void Queue::suspend() {}
void Queue::resume() {}

void Queue::setSpecific(const void* key, void* value) {
  std::lock_guard<std::mutex> lock(specificMutex_);
  if (value) {
    specifics_[key] = value;
  } else {
    specifics_.erase(key);
  }
}

void* Queue::specific(const void* key) const {
  std::lock_guard<std::mutex> lock(specificMutex_);
  auto it = specifics_.find(key);
  return it == specifics_.end() ? nullptr : it->second;
}

void* getSpecific(const void* key) {
  for (Queue* q = Queue::current(); q; q = q->targetQueue().get()) {
    if (void* v = q->specific(key)) return v;
  }
  return nullptr;
}

std::string currentQueueLabel() {
  Queue* q = Queue::current();
  return q ? q->label() : std::string();
}

}  // namespace dispatch
