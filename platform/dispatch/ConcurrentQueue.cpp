#include "platform/dispatch/ConcurrentQueue.h"

#include "platform/runtime/Exception.h"

namespace dispatch {

Ref<Queue> Queue::createConcurrent(std::string label) {
  Ref<Queue> q(new ConcurrentQueue(std::move(label)));
  q->setTargetQueue(nullptr);
  return q;
}

ConcurrentQueue::ConcurrentQueue(std::string label) : Queue(Kind::Concurrent, std::move(label)) {}

bool ConcurrentQueue::tryStartLocked(bool barrier) {
  if (suspendCount_ > 0 || barrier_ || !pending_.empty() || (barrier && running_ > 0)) return false;
  if (running_ == 0 && !barrier_) keepAlive_ = shared_from_this();
  if (barrier) {
    barrier_ = true;
  } else {
    ++running_;
  }
  return true;
}

void ConcurrentQueue::enqueue(Block block, bool barrier) {
  requireBlock(block);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!tryStartLocked(barrier)) {
      if (idleLocked()) keepAlive_ = shared_from_this();
      pending_.push_back(Pending{std::move(block), barrier});
      return;
    }
  }
  submitToTarget(std::move(block));
}

void ConcurrentQueue::runSync(const Block& block, bool barrier) {
  requireBlock(block);
  checkNotReentrant(barrier);
  if (targetIsGlobal()) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (tryStartLocked(barrier)) {
      lock.unlock();
      struct Done {
        ConcurrentQueue& q;
        ~Done() { q.itemDone(); }
      } done{*this};
      CurrentScope scope(this);
      block();
      return;
    }
  }
  syncThroughGate(block, barrier);
}

void ConcurrentQueue::runItem(Block& item) {
  {
    CurrentScope scope(this);
    Block b = std::move(item);
    b();
  }
  itemDone();
}

void ConcurrentQueue::startReadyLocked(std::vector<Block>& out) {
  while (suspendCount_ == 0 && !barrier_ && !pending_.empty()) {
    Pending& next = pending_.front();
    if (next.barrier) {
      if (running_ > 0) break;
      barrier_ = true;
    } else {
      ++running_;
    }
    out.push_back(std::move(next.block));
    pending_.pop_front();
  }
}

void ConcurrentQueue::itemDone() {
  std::vector<Block> ready;
  Ref<Queue> last;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (barrier_) {
      barrier_ = false;  // nothing runs beside a barrier, so this was it
    } else {
      --running_;
    }
    startReadyLocked(ready);
    if (idleLocked()) last = std::move(keepAlive_);
  }
  for (Block& b : ready) submitToTarget(std::move(b));
}

void ConcurrentQueue::suspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++suspendCount_;
}

void ConcurrentQueue::resume() {
  std::vector<Block> ready;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspendCount_ == 0) {
      rt::raise(rt::InternalInconsistencyException, rt::String("resume of queue \"" + label() + "\" that is not suspended"));
    }
    if (--suspendCount_ > 0) return;
    startReadyLocked(ready);
  }
  for (Block& b : ready) submitToTarget(std::move(b));
}

}  // namespace dispatch
