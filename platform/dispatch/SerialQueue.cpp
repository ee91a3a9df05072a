#include "platform/dispatch/SerialQueue.h"

#include <iterator>

#include "platform/runtime/Exception.h"

namespace dispatch {

namespace {
// A drain hands its worker back after this many blocks so that other queues get a turn.
constexpr size_t kDrainQuantum = 4096;
}  // namespace

Ref<Queue> Queue::createSerial(std::string label) {
  Ref<Queue> q(new SerialQueue(std::move(label)));
  q->setTargetQueue(nullptr);
  return q;
}

SerialQueue::SerialQueue(std::string label) : Queue(Kind::Serial, std::move(label)) {}

void SerialQueue::async(Block block) {
  requireBlock(block);
  bool schedule = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back(std::move(block));
    if (!scheduled_ && suspendCount_ == 0) {
      scheduled_ = true;
      keepAlive_ = shared_from_this();
      schedule = true;
    }
  }
  if (schedule) submitToTarget(Block());
}

void SerialQueue::runItem(Block&) { drain(); }

void SerialQueue::drain() {
  CurrentScope scope(this);
  std::vector<Block> batch;
  size_t ran = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (suspendCount_ > 0 || items_.empty()) {
        scheduled_ = false;
        Ref<Queue> last = std::move(keepAlive_);
        lock.unlock();
        return;  // `last` may destroy this queue; nothing of it is touched after
      }
      if (ran >= kDrainQuantum) {
        lock.unlock();
        submitToTarget(Block());
        return;
      }
      std::swap(batch, items_);
    }
    size_t i = 0;
    while (i < batch.size()) {
      Block b = std::move(batch[i++]);
      b();
      if (suspended_.load(std::memory_order_relaxed)) break;
    }
    ran += i;
    if (i < batch.size()) {
      std::lock_guard<std::mutex> lock(mutex_);
      items_.insert(items_.begin(), std::make_move_iterator(batch.begin() + i), std::make_move_iterator(batch.end()));
    }
    batch.clear();
  }
}

void SerialQueue::sync(const Block& block) {
  requireBlock(block);
  checkNotReentrant(true);
  if (targetIsGlobal()) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!scheduled_ && items_.empty() && suspendCount_ == 0) {
      scheduled_ = true;  // the caller owns the queue for the block's duration
      lock.unlock();
      struct Release {
        SerialQueue& q;
        ~Release() { q.releaseAfterSync(); }
      } release{*this};
      CurrentScope scope(this);
      block();
      return;
    }
  }
  syncThroughGate(block, false);
}

void SerialQueue::releaseAfterSync() {
  bool schedule = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!items_.empty() && suspendCount_ == 0) {
      keepAlive_ = shared_from_this();
      schedule = true;
    } else {
      scheduled_ = false;
    }
  }
  if (schedule) submitToTarget(Block());
}

void SerialQueue::suspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++suspendCount_;
  suspended_.store(true, std::memory_order_relaxed);
}

void SerialQueue::resume() {
  bool schedule = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspendCount_ == 0) {
      rt::raise(rt::InternalInconsistencyException, rt::String("resume of queue \"" + label() + "\" that is not suspended"));
    }
    if (--suspendCount_ > 0) return;
    suspended_.store(false, std::memory_order_relaxed);
    if (!scheduled_ && !items_.empty()) {
      scheduled_ = true;
      keepAlive_ = shared_from_this();
      schedule = true;
    }
  }
  if (schedule) submitToTarget(Block());
}

}  // namespace dispatch
