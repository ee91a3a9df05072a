#include "platform/foundation/threads/OperationQueue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(OperationQueue) {
  c.property("name", &OperationQueue::name, &OperationQueue::setName);
  c.property("maxConcurrentOperationCount", &OperationQueue::maxConcurrentOperationCount,
             &OperationQueue::setMaxConcurrentOperationCount);
  c.property("suspended", &OperationQueue::isSuspended, &OperationQueue::setSuspended).getterName("isSuspended");
}

namespace {
thread_local OperationQueue* tlsCurrentQueue = nullptr;

class CurrentQueueScope {
 public:
  explicit CurrentQueueScope(OperationQueue* q) : previous_(tlsCurrentQueue) { tlsCurrentQueue = q; }
  ~CurrentQueueScope() { tlsCurrentQueue = previous_; }
  CurrentQueueScope(const CurrentQueueScope&) = delete;
  CurrentQueueScope& operator=(const CurrentQueueScope&) = delete;

 private:
  OperationQueue* previous_;
};

dispatch::Qos dispatchQos(QualityOfService q) {
  switch (q) {
    case QualityOfService::UserInteractive: return dispatch::Qos::UserInteractive;
    case QualityOfService::UserInitiated: return dispatch::Qos::UserInitiated;
    case QualityOfService::Utility: return dispatch::Qos::Utility;
    case QualityOfService::Background: return dispatch::Qos::Background;
    case QualityOfService::Default: break;
  }
  return dispatch::Qos::Default;
}
}  // namespace

Ref<OperationQueue> OperationQueue::create(const String& name) {
  auto q = rt::make<OperationQueue>();
  q->name_ = name;
  return q;
}

Ref<OperationQueue> OperationQueue::mainQueue() {
  // Never destroyed: operations may be added to it during static teardown.
  static Ref<OperationQueue>* main = [] {
    auto q = rt::make<OperationQueue>();
    q->main_ = true;
    q->max_ = 1;
    q->name_ = "NSOperationQueue Main Queue";
    q->qos_ = QualityOfService::UserInteractive;
    return new Ref<OperationQueue>(q);
  }();
  return *main;
}

Ref<OperationQueue> OperationQueue::currentQueue() {
  if (tlsCurrentQueue) return std::static_pointer_cast<OperationQueue>(tlsCurrentQueue->shared_from_this());
  if (dispatch::isMainThread()) return mainQueue();
  return nullptr;
}

OperationQueue::~OperationQueue() {
  for (auto& item : items_) {
    item.op->removeObservation(item.readyToken);
    item.op->removeObservation(item.finishedToken);
  }
}

int64_t OperationQueue::effectiveWidth() const {
  if (main_) return 1;
  if (max_ >= 0) return max_;
  int64_t cores = std::max<int64_t>(1, std::thread::hardware_concurrency());
  return std::max<int64_t>(4, cores * 2);
}

void OperationQueue::addOperation(const Ref<Operation>& op) {
  if (!op) rt::raise(rt::InvalidArgumentException, "*** -[NSOperationQueue addOperation:]: operation is nil");
  if (op->isExecuting() || op->isFinished())
    rt::raise(rt::InvalidArgumentException, "*** -[NSOperationQueue addOperation:]: operation is executing or finished and cannot be enqueued");
  if (op->enqueued_.exchange(true))
    rt::raise(rt::InvalidArgumentException, "*** -[NSOperationQueue addOperation:]: operation is already enqueued on a queue");
  Weak<Object> weak = weak_from_this();
  Operation* raw = op.get();
  uint64_t readyToken = op->observe("isReady", 0, [weak](Object*, const rt::KeyValueChange&) {
    if (auto q = std::static_pointer_cast<OperationQueue>(weak.lock())) q->schedule();
  });
  uint64_t finishedToken = op->observe("isFinished", 0, [weak, raw](Object*, const rt::KeyValueChange&) {
    if (auto q = std::static_pointer_cast<OperationQueue>(weak.lock())) q->operationFinished(raw);
  });
  {
    std::lock_guard<std::mutex> lock(op->mutex_);
    op->queue_ = weak;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = items_.insert(items_.end(), Item{op, readyToken, finishedToken, nextSequence_++, false,
                                               bandFor(op->queuePriority())});
    itemFor_.emplace(raw, it);
    waiting_[it->band].emplace(it->sequence, &*it);
  }
  schedule();
}

size_t OperationQueue::bandFor(OperationQueuePriority p) {
  switch (p) {
    case OperationQueuePriority::VeryHigh: return 0;
    case OperationQueuePriority::High: return 1;
    case OperationQueuePriority::Normal: return 2;
    case OperationQueuePriority::Low: return 3;
    case OperationQueuePriority::VeryLow: return 4;
  }
  return 2;
}

void OperationQueue::priorityChanged(Operation* op) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = itemFor_.find(op);
    if (found == itemFor_.end() || found->second->started) return;
    Item& item = *found->second;
    size_t band = bandFor(op->queuePriority());
    if (band == item.band) return;
    waiting_[item.band].erase(item.sequence);
    item.band = band;
    waiting_[band].emplace(item.sequence, &item);
  }
  schedule();
}

void OperationQueue::addOperations(const std::vector<Ref<Operation>>& ops, bool waitUntilFinished) {
  for (auto& op : ops) addOperation(op);
  if (waitUntilFinished)
    for (auto& op : ops) op->waitUntilFinished();
}

void OperationQueue::addOperationWithBlock(std::function<void()> block) {
  addOperation(BlockOperation::blockOperationWithBlock(std::move(block)));
}

void OperationQueue::schedule() {
  std::vector<Ref<Operation>> toStart;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (suspended_) return;
    int64_t width = effectiveWidth();
    while (running_ < width) {
      // The first ready operation of the highest priority.
      Item* best = nullptr;
      for (auto& band : waiting_) {
        for (auto& [sequence, item] : band) {
          if (item->op->isReady()) {
            best = item;
            break;
          }
        }
        if (best) break;
      }
      if (!best) break;
      waiting_[best->band].erase(best->sequence);
      best->started = true;
      ++running_;
      toStart.push_back(best->op);
    }
  }
  for (auto& op : toStart) run(op);
}

void OperationQueue::run(const Ref<Operation>& op) {
  auto self = std::static_pointer_cast<OperationQueue>(shared_from_this());
  auto body = [self, op] {
    CurrentQueueScope scope(self.get());
    try {
      op->start();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "*** Operation raised: %s\n", e.what());
    }
  };
  if (main_) {
    dispatch::mainQueue()->async(std::move(body));
    return;
  }
  QualityOfService q = op->qualityOfService();
  if (q == QualityOfService::Default) q = qualityOfService();
  dispatch::globalQueue(dispatchQos(q))->async(std::move(body));
}

void OperationQueue::operationFinished(Operation* op) {
  if (!op->isFinished()) return;
  Item gone;
  bool found = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto at = itemFor_.find(op);
    if (at != itemFor_.end()) {
      auto it = at->second;
      itemFor_.erase(at);
      if (it->started) --running_;
      else waiting_[it->band].erase(it->sequence);
      gone = std::move(*it);
      items_.erase(it);
      found = true;
    }
    if (items_.empty()) emptied_.notify_all();
  }
  if (!found) return;
  {
    std::lock_guard<std::mutex> lock(gone.op->mutex_);
    gone.op->queue_.reset();
  }
  gone.op->removeObservation(gone.readyToken);
  gone.op->removeObservation(gone.finishedToken);
  schedule();
}

std::vector<Ref<Operation>> OperationQueue::operations() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Ref<Operation>> ops;
  for (auto& item : items_) ops.push_back(item.op);
  return ops;
}

size_t OperationQueue::operationCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_.size();
}

int64_t OperationQueue::maxConcurrentOperationCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return max_;
}

void OperationQueue::setMaxConcurrentOperationCount(int64_t count) {
  if (count < -1) rt::raise(rt::InvalidArgumentException, "*** -[NSOperationQueue setMaxConcurrentOperationCount:]: count is negative");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (main_) return;
    max_ = count;
  }
  schedule();
}

bool OperationQueue::isSuspended() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return suspended_;
}

void OperationQueue::setSuspended(bool suspended) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    suspended_ = suspended;
  }
  if (!suspended) schedule();
}

void OperationQueue::cancelAllOperations() {
  for (auto& op : operations()) op->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
  std::unique_lock<std::mutex> lock(mutex_);
  emptied_.wait(lock, [&] { return items_.empty(); });
}

bool OperationQueue::waitUntilAllOperationsAreFinished(double timeoutSeconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return emptied_.wait_for(lock, std::chrono::duration<double>(std::max(0.0, timeoutSeconds)),
                           [&] { return items_.empty(); });
}

String OperationQueue::name() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

void OperationQueue::setName(const String& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  name_ = name;
}

QualityOfService OperationQueue::qualityOfService() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return qos_;
}

void OperationQueue::setQualityOfService(QualityOfService qos) {
  std::lock_guard<std::mutex> lock(mutex_);
  qos_ = qos;
}

}  // namespace fd
