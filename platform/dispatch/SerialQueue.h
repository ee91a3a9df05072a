#pragma once
// A serial queue: a list of blocks and a "scheduled" flag; while scheduled, one drain of the
// list runs on the target, so blocks run one at a time in order.
#include <vector>

#include "platform/dispatch/Queue.h"

namespace dispatch {

class SerialQueue final : public Queue {
 public:
  explicit SerialQueue(std::string label);
  void async(Block block) override;
  void sync(const Block& block) override;
  void suspend() override;
  void resume() override;

 protected:
  void runItem(Block& item) override;

 private:
  void drain();
  void releaseAfterSync();

  std::mutex mutex_;
  std::vector<Block> items_;
  bool scheduled_ = false;  // a drain (or an inline sync) owns the queue
  int suspendCount_ = 0;
  std::atomic<bool> suspended_{false};
  Ref<Queue> keepAlive_;  // held while scheduled, so queued work outlives the last user reference
};

}  // namespace dispatch
