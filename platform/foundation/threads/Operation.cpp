#include "platform/foundation/threads/Operation.h"

#include <algorithm>
#include <chrono>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/OperationQueue.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Operation) {
  c.property("isReady", &Operation::isReady);
  c.property("isExecuting", &Operation::isExecuting);
  c.property("isFinished", &Operation::isFinished);
  c.property("isCancelled", &Operation::isCancelled);
  c.property("isAsynchronous", &Operation::isAsynchronous);
  c.property("isConcurrent", &Operation::isConcurrent);
  c.property("name", &Operation::name, &Operation::setName);
  // The state keys are announced by hand, by the base class and by concurrent subclasses.
  c.manualNotification("isReady");
  c.manualNotification("isExecuting");
  c.manualNotification("isFinished");
  c.manualNotification("isCancelled");
}

RT_IMPLEMENT_PLATFORM(BlockOperation) {}

namespace {
void announce(Object& o, const char* key, const std::function<void()>& change) {
  String k(key);
  o.willChangeValueForKey(k);
  change();
  o.didChangeValueForKey(k);
}
}  // namespace

void Operation::init() {
  // The operation watches its own "isFinished" so that concurrent subclasses, which announce
  // it themselves, get the completion block and waiters served too.
  observe("isFinished", 0, [this](Object*, const rt::KeyValueChange&) { finishedChanged(); });
}

bool Operation::claimStart() { return !started_.exchange(true); }

void Operation::start() {
  if (isFinished() || isExecuting() || !claimStart())
    rt::raise(rt::InvalidArgumentException, String::format("*** -[%@ start]: receiver is already started or finished", className()));
  if (isCancelled()) {
    finishFromStart();
    return;
  }
  if (!isReady()) {
    started_.store(false);
    rt::raise(rt::InvalidArgumentException, String::format("*** -[%@ start]: receiver is not yet ready to execute", className()));
  }
  setExecuting(true);
  try {
    main();
  } catch (...) {
    setExecuting(false);
    finishFromStart();
    throw;
  }
  setExecuting(false);
  finishFromStart();
}

void Operation::finishFromStart() {
  // The completion is queued only after every observer of "isFinished" has been told.
  finishingInStart_.store(true);
  setFinished(true);
  finishingInStart_.store(false);
  finishedChanged();
}

void Operation::cancel() {
  if (cancelled_.load()) return;
  bool wasReady = isReady();
  announce(*this, "isCancelled", [&] { cancelled_.store(true); });
  if (!wasReady) announce(*this, "isReady", [] {});
}

bool Operation::isReady() const {
  if (cancelled_.load()) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& d : dependencies_)
    if (!d->isFinished()) return false;
  return true;
}

bool Operation::isExecuting() const { return executing_.load(); }
bool Operation::isFinished() const { return finished_.load(); }

void Operation::setExecuting(bool executing) {
  if (executing_.load() == executing) return;
  announce(*this, "isExecuting", [&] { executing_.store(executing); });
}

void Operation::setFinished(bool finished) {
  if (finished_.load() == finished) return;
  announce(*this, "isFinished", [&] { finished_.store(finished); });
}

void Operation::addDependency(const Ref<Operation>& op) {
  if (!op) return;
  if (op.get() == this) rt::raise(rt::InvalidArgumentException, "*** -[NSOperation addDependency:]: an operation cannot depend on itself");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(dependencies_.begin(), dependencies_.end(), op) != dependencies_.end()) return;
    dependencies_.push_back(op);
  }
  Weak<Object> weak = weak_from_this();
  uint64_t token = op->observe("isFinished", 0, [weak](Object*, const rt::KeyValueChange&) {
    if (auto self = std::static_pointer_cast<Operation>(weak.lock())) self->dependencyFinished();
  });
  {
    std::lock_guard<std::mutex> lock(mutex_);
    dependencyTokens_.push_back({op, token});
  }
  announce(*this, "isReady", [] {});
}

void Operation::removeDependency(const Ref<Operation>& op) {
  if (!op) return;
  uint64_t token = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find(dependencies_.begin(), dependencies_.end(), op);
    if (it == dependencies_.end()) return;
    dependencies_.erase(it);
    for (auto t = dependencyTokens_.begin(); t != dependencyTokens_.end(); ++t) {
      if (t->first.lock() == op) {
        token = t->second;
        dependencyTokens_.erase(t);
        break;
      }
    }
  }
  if (token) op->removeObservation(token);
  announce(*this, "isReady", [] {});
}

std::vector<Ref<Operation>> Operation::dependencies() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dependencies_;
}

void Operation::dependencyFinished() { announce(*this, "isReady", [] {}); }

void Operation::setQueuePriority(OperationQueuePriority p) {
  auto v = static_cast<int64_t>(p);
  OperationQueuePriority named = v <= -8  ? OperationQueuePriority::VeryLow
                                 : v <= -4 ? OperationQueuePriority::Low
                                 : v < 4   ? OperationQueuePriority::Normal
                                 : v < 8   ? OperationQueuePriority::High
                                           : OperationQueuePriority::VeryHigh;
  if (priority_.exchange(named) == named) return;
  Ref<Object> queue;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue = queue_.lock();
  }
  if (queue) static_cast<OperationQueue*>(queue.get())->priorityChanged(this);
}

String Operation::name() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

void Operation::setName(const String& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  name_ = name;
}

std::function<void()> Operation::completionBlock() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return completion_;
}

void Operation::setCompletionBlock(std::function<void()> block) {
  std::lock_guard<std::mutex> lock(mutex_);
  completion_ = std::move(block);
}

void Operation::finishedChanged() {
  if (!isFinished() || finishingInStart_.load()) return;
  std::function<void()> completion;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (done_ || completionQueued_) return;
    completionQueued_ = true;
    completion.swap(completion_);  // runs once; dropping it also breaks cycles through self
  }
  auto finish = [self = std::static_pointer_cast<Operation>(shared_from_this()), completion = std::move(completion)] {
    if (completion) completion();
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->done_ = true;
    }
    self->doneCv_.notify_all();
  };
  // Off the finishing thread, after every observer of "isFinished" has been told.
  dispatch::globalQueue(dispatch::Qos::Default)->async(std::move(finish));
}

void Operation::waitUntilFinished() {
  std::unique_lock<std::mutex> lock(mutex_);
  doneCv_.wait(lock, [&] { return done_; });
}

bool Operation::waitUntilFinished(double timeoutSeconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return doneCv_.wait_for(lock, std::chrono::duration<double>(std::max(0.0, timeoutSeconds)), [&] { return done_; });
}

Ref<BlockOperation> BlockOperation::blockOperationWithBlock(std::function<void()> block) {
  auto op = rt::make<BlockOperation>();
  op->addExecutionBlock(std::move(block));
  return op;
}

void BlockOperation::addExecutionBlock(std::function<void()> block) {
  if (isExecuting() || isFinished())
    rt::raise(rt::InvalidArgumentException, "*** -[NSBlockOperation addExecutionBlock:]: blocks cannot be added after the operation has started executing or finished");
  if (!block) rt::raise(rt::InvalidArgumentException, "*** -[NSBlockOperation addExecutionBlock:]: block is nil");
  std::lock_guard<std::mutex> lock(blocksMutex_);
  blocks_.push_back(std::move(block));
}

std::vector<std::function<void()>> BlockOperation::executionBlocks() const {
  std::lock_guard<std::mutex> lock(blocksMutex_);
  return blocks_;
}

void BlockOperation::main() {
  auto blocks = executionBlocks();
  if (blocks.size() == 1) {
    blocks[0]();
    return;
  }
  dispatch::globalQueue(dispatch::Qos::Default)->apply(blocks.size(), [&](size_t i) { blocks[i](); });
}

}  // namespace fd
