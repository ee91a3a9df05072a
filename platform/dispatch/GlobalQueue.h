#pragma once
// The global queues: concurrent roots that hand blocks straight to the worker pool.
#include "platform/dispatch/Queue.h"

namespace dispatch {

class GlobalQueue final : public Queue {
 public:
  GlobalQueue(Qos qos, std::string label);
  void async(Block block) override;
  void sync(const Block& block) override;

 protected:
  void runItem(Block& item) override;
  Qos rootQos() const override { return qos_; }

 private:
  const Qos qos_;
};

}  // namespace dispatch
