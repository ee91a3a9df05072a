#pragma once
// Dispatch queues: the main queue, the global queues and labelled serial and concurrent queues.
//
// Serial and concurrent queues are lists drained by a shared pool of worker threads, so making
// many of them is cheap. A queue runs its blocks on its target queue (a global queue unless set
// otherwise); a serial queue targeting another queue runs there in order.
//
// Programmer errors raise rt::Exception: `sync` (or `syncBarrier`) onto a serial queue the caller
// is already running on, directly or through its targets, would deadlock and raises instead;
// resuming a queue that is not suspended raises, and so does an empty block. A blocking wait on
// a queue for work that needs that same queue (a semaphore signalled by a block queued behind
// the waiter) deadlocks, as it does on the platform; keep such waits off the queue they wait for.
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/dispatch/Qos.h"
#include "platform/runtime/Ref.h"

namespace dispatch {

using Block = std::function<void()>;

class WorkerPool;

class Queue : public std::enable_shared_from_this<Queue> {
 public:
  enum class Kind { Main, Global, Serial, Concurrent };

  static Ref<Queue> createSerial(std::string label);
  static Ref<Queue> createConcurrent(std::string label);

  virtual ~Queue();
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  const std::string& label() const { return label_; }
  Kind kind() const { return kind_; }
  bool isSerial() const { return kind_ == Kind::Serial || kind_ == Kind::Main; }
  /// The class of the global queue at the root of this queue's targets.
  Qos qos() const;

  /// Runs this queue's blocks on `target` from now on; null means the default global queue.
  /// Raises for the main and global queues and for a target that leads back to this queue.
  void setTargetQueue(const Ref<Queue>& target);
  Ref<Queue> targetQueue() const;

  virtual void async(Block block) = 0;
  /// Runs `block` on the calling thread once it is this queue's turn, and returns after it.
  virtual void sync(const Block& block) = 0;
  /// Runs `block` after `seconds`: on the process clock for the main queue, in real time else.
  virtual void after(double seconds, Block block);
  /// On a concurrent queue the barrier waits for the running blocks, runs alone, and then lets
  /// the blocks queued after it run; elsewhere it is a plain async / sync.
  virtual void asyncBarrier(Block block) { async(std::move(block)); }
  virtual void syncBarrier(const Block& block) { sync(block); }
  /// Calls fn(0) .. fn(n-1), in parallel on a concurrent queue, in order on a serial one, and
  /// returns when all have returned. The caller's thread takes part.
  void apply(size_t iterations, const std::function<void(size_t)>& fn);

  /// Stops the queue from starting blocks (running ones finish); calls nest. No effect on the
  /// global queues.
  virtual void suspend();
  virtual void resume();

  /// Queue-specific data, found by `getSpecific` from blocks running on this queue or on any
  /// queue targeting it.
  void setSpecific(const void* key, void* value);
  void* specific(const void* key) const;

  /// The queue whose block the calling thread is running (the main queue on the main thread
  /// outside any block), or null.
  static Queue* current();

 protected:
  Queue(Kind kind, std::string label);

  /// Runs `item` as this queue's work on its target: straight to the worker pool when the
  /// target is a global queue, else as a block of the target.
  void submitToTarget(Block item);
  /// Runs one item submitted by `submitToTarget`, on a pool worker or on the target's thread.
  virtual void runItem(Block& item) = 0;
  /// The class of a global queue (only global queues answer anything but Default).
  virtual Qos rootQos() const { return Qos::Default; }
  /// Queues `gate` (and barrier if asked) and runs `block` on the caller once `gate` runs.
  void syncThroughGate(const Block& block, bool barrier);
  /// Raises for an empty block: there is nothing to run and no one to tell later.
  static void requireBlock(const Block& block);
  /// Raises when the caller runs on a serial queue that this queue's blocks need.
  void checkNotReentrant(bool exclusive) const;
  bool targetIsGlobal() const;
  Queue* target() const { return target_.load(std::memory_order_acquire); }

  /// Sets the thread's current queue for a scope.
  class CurrentScope {
   public:
    explicit CurrentScope(Queue* q);
    ~CurrentScope();
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

   private:
    Queue* previous_;
  };

 private:
  friend class WorkerPool;

  const Kind kind_;
  const std::string label_;
  std::atomic<Queue*> target_{nullptr};
  mutable std::mutex targetMutex_;
  std::vector<Ref<Queue>> targetsHeld_;  // every target ever set, so `target()` never dangles
  mutable std::mutex specificMutex_;
  std::unordered_map<const void*, void*> specifics_;
};

Ref<Queue> mainQueue();
Ref<Queue> globalQueue(Qos qos);
/// A global queue by QoS class value or priority (see qosForIdentifier); raises for others.
Ref<Queue> globalQueue(long identifier = kPriorityDefault);

/// Queue-specific data for `key` on the current queue or the queues it targets, else null.
void* getSpecific(const void* key);
/// The current queue's label ("" on a thread that runs no queue).
std::string currentQueueLabel();

}  // namespace dispatch
