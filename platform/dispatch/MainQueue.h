#pragma once
// The main queue: a list of blocks that the main thread drains, plus blocks waiting for a time
// on the process clock. The main run loop drives it through the functions below.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <queue>
#include <vector>

#include "platform/dispatch/Queue.h"

namespace dispatch {

/// True on the process's initial thread.
bool isMainThread();

/// Runs, on the main thread, the main-queue blocks that are due now: those queued before the
/// call and the delayed ones whose time has come on the process clock. Blocks queued while it
/// runs wait for the next call. Answers how many ran. Raises off the main thread.
size_t drainMainQueue();
/// Called, from any thread, whenever a block is queued on the main queue (delayed or not).
void setMainQueueWakeup(std::function<void()> wakeup);
/// Process-clock uptime at which the earliest delayed main-queue block is due, or +infinity.
double nextMainQueueDeadline();

class MainQueue final : public Queue {
 public:
  static MainQueue& shared();

  void async(Block block) override;
  /// Inline on the main thread; from elsewhere, waits until the main thread has run it.
  void sync(const Block& block) override;
  void after(double seconds, Block block) override;
  void suspend() override;
  void resume() override;

  /// Queues `block` for when the process clock's uptime reaches `deadline`.
  void enqueueAt(double deadline, Block block);
  size_t drain();
  double nextDeadline();
  void setWakeup(std::function<void()> wakeup);

 protected:
  void runItem(Block& item) override;
  Qos rootQos() const override { return Qos::UserInteractive; }

 private:
  MainQueue();
  void wake();

  struct Delayed {
    double deadline;
    uint64_t order;
    Block block;
  };
  struct Later {
    bool operator()(const Delayed& a, const Delayed& b) const {
      return a.deadline != b.deadline ? a.deadline > b.deadline : a.order > b.order;
    }
  };

  std::mutex mutex_;
  std::deque<Block> ready_;
  std::priority_queue<Delayed, std::vector<Delayed>, Later> delayed_;
  uint64_t nextOrder_ = 0;
  int suspendCount_ = 0;
  bool wakePending_ = false;  // a wake-up was sent and no drain has counted the blocks since
  std::shared_ptr<const std::function<void()>> wakeup_;
};

}  // namespace dispatch
