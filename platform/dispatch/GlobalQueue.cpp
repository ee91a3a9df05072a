#include "platform/dispatch/GlobalQueue.h"

#include "platform/dispatch/WorkerPool.h"
#include "platform/runtime/Exception.h"

namespace dispatch {

GlobalQueue::GlobalQueue(Qos qos, std::string label) : Queue(Kind::Global, std::move(label)), qos_(qos) {}

void GlobalQueue::async(Block block) {
  requireBlock(block);
  WorkerPool::shared().submit(qos_, this, std::move(block));
}

void GlobalQueue::sync(const Block& block) {
  requireBlock(block);
  CurrentScope scope(this);
  block();
}

void GlobalQueue::runItem(Block& item) {
  CurrentScope scope(this);
  item();
}

Ref<Queue> globalQueue(Qos qos) {
  static Ref<Queue>* roots = new Ref<Queue>[5] {  // never destroyed: workers may use them at exit
    Ref<Queue>(new GlobalQueue(Qos::Background, "dispatch.global.background")),
    Ref<Queue>(new GlobalQueue(Qos::Utility, "dispatch.global.utility")),
    Ref<Queue>(new GlobalQueue(Qos::Default, "dispatch.global.default")),
    Ref<Queue>(new GlobalQueue(Qos::UserInitiated, "dispatch.global.user-initiated")),
    Ref<Queue>(new GlobalQueue(Qos::UserInteractive, "dispatch.global.user-interactive")),
  };
  return roots[qosBand(qos)];
}

Ref<Queue> globalQueue(long identifier) {
  Qos qos;
  if (!qosForIdentifier(identifier, &qos)) {
    rt::raise(rt::InvalidArgumentException,
              rt::String("no global queue for identifier " + std::to_string(identifier)));
  }
  return globalQueue(qos);
}

}  // namespace dispatch
