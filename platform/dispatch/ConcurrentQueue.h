#pragma once
// A concurrent queue: blocks start in order and run in parallel on the target; a barrier waits
// for the running ones, runs alone, then lets the rest start.
#include <deque>
#include <vector>

#include "platform/dispatch/Queue.h"

namespace dispatch {

class ConcurrentQueue final : public Queue {
 public:
  explicit ConcurrentQueue(std::string label);
  void async(Block block) override { enqueue(std::move(block), false); }
  void asyncBarrier(Block block) override { enqueue(std::move(block), true); }
  void sync(const Block& block) override { runSync(block, false); }
  void syncBarrier(const Block& block) override { runSync(block, true); }
  void suspend() override;
  void resume() override;

 protected:
  void runItem(Block& item) override;

 private:
  struct Pending {
    Block block;
    bool barrier;
  };
  void enqueue(Block block, bool barrier);
  void runSync(const Block& block, bool barrier);
  /// Claims a start for a new block (or barrier) when nothing is queued ahead of it.
  bool tryStartLocked(bool barrier);
  void startReadyLocked(std::vector<Block>& out);
  void itemDone();
  bool idleLocked() const { return running_ == 0 && !barrier_ && pending_.empty(); }

  std::mutex mutex_;
  std::deque<Pending> pending_;
  size_t running_ = 0;
  bool barrier_ = false;  // a barrier is running
  int suspendCount_ = 0;
  Ref<Queue> keepAlive_;  // held while anything is queued or running
};

}  // namespace dispatch
