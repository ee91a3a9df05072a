#pragma once
// The one pool of worker threads behind every queue. It keeps as many workers runnable as there
// are processors; a worker that blocks in a dispatch wait (or a BlockingScope) no longer counts,
// so another may start, and a monitor adds a worker when queued work has made no progress for a
// while (a block stuck in a plain sleep or I/O), up to a cap.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/dispatch/Qos.h"
#include "platform/dispatch/Queue.h"

namespace dispatch {

class WorkerPool {
 public:
  static WorkerPool& shared();

  /// Queues `block` to run on a worker as `queue`'s item (queue->runItem), or plainly when
  /// `queue` is null. Higher classes run first.
  void submit(Qos qos, Queue* queue, Block block);

  /// Marks the calling worker as blocked / runnable again; no effect on other threads.
  void willBlock();
  void didUnblock();

  int threadCount() const;

 private:
  struct Item {
    Queue* queue;
    Block block;
  };
  static constexpr int kBands = 5;

  WorkerPool();
  void workerMain();
  void monitorMain();
  bool canGrow() const;  // under mutex_
  void spawnWorker();    // under mutex_, counts the new thread
  void wakeOneLocked(bool& wake);
  void wakeMonitorLocked(bool& wake);
  /// Spins briefly, without the lock, for work to appear; answers whether some did.
  bool spinForWork();

  mutable std::mutex mutex_;
  std::condition_variable workCv_;
  std::condition_variable monitorCv_;
  std::deque<Item> bands_[kBands];
  size_t pending_ = 0;
  std::atomic<size_t> pendingHint_{0};  // pending_, readable without the lock by spinners
  int spinning_ = 0;  // workers looking for work without sleeping: submitters need not wake one
  int threads_ = 0;
  int idle_ = 0;
  int wakeTokens_ = 0;
  int blocked_ = 0;
  uint64_t completed_ = 0;
  bool monitorParked_ = false;
  const int width_;
  const int cap_;
};

}  // namespace dispatch
