#pragma once
// Operations: units of work with ready, executing, finished and cancelled states, observable
// through key-value observing under "isReady", "isExecuting", "isFinished" and "isCancelled".
//
// A plain operation overrides `main`; `start` runs it and announces the state changes. A
// concurrent (asynchronous) operation overrides `start`, `isExecuting`, `isFinished` and
// `isAsynchronous`, and announces its own changes with will/didChangeValueForKey. An operation
// is ready once every dependency has finished (or once it is cancelled). The completion block
// runs once, on a global dispatch queue, after "isFinished" has turned true (for the base
// `start`, after its observers have been told); `waitUntilFinished` returns after it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/Types.h"

namespace fd {

enum class OperationQueuePriority : int64_t {
  VeryLow = -8,
  Low = -4,
  Normal = 0,
  High = 4,
  VeryHigh = 8,
};

class Operation : public Object {
  RT_CLASS_NAMED(Operation, Object, "NSOperation")
 public:
  void init();

  /// Runs the operation on the calling thread. Raises when it is not ready or already started.
  virtual void start();
  /// The work; the default does nothing.
  virtual void main() {}
  /// Marks the operation cancelled (its work should stop early); a cancelled operation is ready.
  virtual void cancel();

  virtual bool isReady() const;
  virtual bool isExecuting() const;
  virtual bool isFinished() const;
  bool isCancelled() const { return cancelled_.load(); }
  virtual bool isAsynchronous() const { return false; }
  bool isConcurrent() const { return isAsynchronous(); }

  /// Raises when `op` is this operation.
  void addDependency(const Ref<Operation>& op);
  void removeDependency(const Ref<Operation>& op);
  std::vector<Ref<Operation>> dependencies() const;

  OperationQueuePriority queuePriority() const { return priority_.load(); }
  /// Values between the named ones are moved to the nearest named one below.
  void setQueuePriority(OperationQueuePriority p);
  QualityOfService qualityOfService() const { return qos_.load(); }
  void setQualityOfService(QualityOfService q) { qos_.store(q); }
  String name() const;
  void setName(const String& name);

  /// Replaceable while running and resettable to empty; runs once after finishing.
  std::function<void()> completionBlock() const;
  void setCompletionBlock(std::function<void()> block);

  /// Blocks until the operation has finished and its completion block has run.
  void waitUntilFinished();
  /// Bounded variant; answers whether it finished in time (real seconds).
  bool waitUntilFinished(double timeoutSeconds);

 protected:
  /// For concurrent subclasses that keep the base states: set and announce.
  void setExecuting(bool executing);
  void setFinished(bool finished);

 private:
  friend class OperationQueue;
  void finishedChanged();
  void finishFromStart();
  void dependencyFinished();
  /// Claims the operation for one start; false when it was already started.
  bool claimStart();

  std::atomic<bool> cancelled_{false};
  std::atomic<bool> executing_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> enqueued_{false};
  std::atomic<bool> finishingInStart_{false};
  std::atomic<OperationQueuePriority> priority_{OperationQueuePriority::Normal};
  std::atomic<QualityOfService> qos_{QualityOfService::Default};
  mutable std::mutex mutex_;
  Weak<Object> queue_;  // the queue holding it while waiting there, told of priority changes
  std::condition_variable doneCv_;
  bool done_ = false;  // finished and completion block run
  bool completionQueued_ = false;
  String name_;
  std::function<void()> completion_;
  std::vector<Ref<Operation>> dependencies_;
  std::vector<std::pair<Weak<Operation>, uint64_t>> dependencyTokens_;
};

/// An operation that runs blocks, possibly in parallel, and finishes when all have returned.
class BlockOperation : public Operation {
  RT_CLASS_NAMED(BlockOperation, Operation, "NSBlockOperation")
 public:
  static Ref<BlockOperation> blockOperationWithBlock(std::function<void()> block);
  /// Raises once the operation is executing or finished.
  void addExecutionBlock(std::function<void()> block);
  std::vector<std::function<void()>> executionBlocks() const;
  void main() override;

 private:
  mutable std::mutex blocksMutex_;
  std::vector<std::function<void()>> blocks_;
};

}  // namespace fd
