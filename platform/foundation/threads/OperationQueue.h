#pragma once
// Operation queues: run their operations when ready, highest queue priority first and then in
// the order added, with at most `maxConcurrentOperationCount` at a time. A slot is freed only
// when an operation's "isFinished" turns true, so concurrent operations hold theirs until they
// announce it. The main queue runs its operations one at a time on the main thread, through
// the main dispatch queue (so the main run loop must turn).
#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/foundation/threads/Operation.h"
#include "platform/foundation/Types.h"

namespace fd {

class OperationQueue : public Object {
  RT_CLASS_NAMED(OperationQueue, Object, "NSOperationQueue")
 public:
  /// As many operations at once as the platform finds sensible.
  static constexpr int64_t DefaultMaxConcurrentOperationCount = -1;

  void init() {}
  static Ref<OperationQueue> create(const String& name = String());
  static Ref<OperationQueue> mainQueue();
  /// The queue running the calling operation; the main queue on the main thread; else null.
  static Ref<OperationQueue> currentQueue();

  /// Raises when the operation is already in a queue, executing or finished.
  void addOperation(const Ref<Operation>& op);
  void addOperations(const std::vector<Ref<Operation>>& ops, bool waitUntilFinished);
  void addOperationWithBlock(std::function<void()> block);

  /// The operations not yet finished, in the order added.
  std::vector<Ref<Operation>> operations() const;
  size_t operationCount() const;
  int64_t maxConcurrentOperationCount() const;
  void setMaxConcurrentOperationCount(int64_t count);
  bool isSuspended() const;
  /// A suspended queue starts nothing new; running operations go on.
  void setSuspended(bool suspended);
  void cancelAllOperations();
  /// Blocks until every operation has finished. On the main queue call it off the main thread.
  void waitUntilAllOperationsAreFinished();
  /// Bounded variant (real seconds); answers whether the queue emptied in time.
  bool waitUntilAllOperationsAreFinished(double timeoutSeconds);

  String name() const;
  void setName(const String& name);
  QualityOfService qualityOfService() const;
  void setQualityOfService(QualityOfService qos);

  ~OperationQueue() override;

 private:
  friend class Operation;
  struct Item {
    Ref<Operation> op;
    uint64_t readyToken = 0;
    uint64_t finishedToken = 0;
    uint64_t sequence = 0;
    bool started = false;
    size_t band = 0;  // index into waiting_ while not started
  };
  static constexpr size_t kBands = 5;
  static size_t bandFor(OperationQueuePriority p);
  int64_t effectiveWidth() const;  // mutex_ held
  void schedule();
  void operationFinished(Operation* op);
  void priorityChanged(Operation* op);
  void run(const Ref<Operation>& op);

  mutable std::mutex mutex_;
  std::condition_variable emptied_;
  std::list<Item> items_;  // every unfinished operation, in the order added
  std::unordered_map<const Operation*, std::list<Item>::iterator> itemFor_;
  // Operations not yet started, by priority band (highest first), each in the order added:
  // choosing the next one looks only at the front of the bands, not at the whole queue.
  std::array<std::map<uint64_t, Item*>, kBands> waiting_;
  uint64_t nextSequence_ = 0;
  int64_t running_ = 0;
  int64_t max_ = DefaultMaxConcurrentOperationCount;
  bool suspended_ = false;
  bool main_ = false;
  String name_;
  QualityOfService qos_ = QualityOfService::Default;
};

}  // namespace fd
