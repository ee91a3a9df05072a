#include "base/utility/DRDispatchQueuePool.h"

#include <cstdlib>
#include <mutex>

#include "platform/dispatch/Processors.h"

namespace base {

struct DRDispatchQueuePool::Context {
  std::string label;
  std::vector<Ref<dispatch::Queue>> queues;
  std::atomic<int32_t> counter{0};

  Ref<dispatch::Queue> next() {
    // Wraps at 32 bits like the counter it stands for; the first pick is queue 1.
    int32_t n = static_cast<int32_t>(static_cast<uint32_t>(counter.fetch_add(1, std::memory_order_relaxed)) + 1u);
    uint32_t magnitude = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    return queues[magnitude % queues.size()];
  }
};

RT_IMPLEMENT(DRDispatchQueuePool) {}

namespace {

dispatch::Qos qosClass(long qos) {
  switch (qos) {
    case DRQualityOfServiceUserInteractive: return dispatch::Qos::UserInteractive;
    case DRQualityOfServiceUserInitiated: return dispatch::Qos::UserInitiated;
    case DRQualityOfServiceUtility: return dispatch::Qos::Utility;
    case DRQualityOfServiceBackground: return dispatch::Qos::Background;
    default: return dispatch::Qos::Default;
  }
}

std::shared_ptr<DRDispatchQueuePool::Context> makeContext(const std::string& label, unsigned count, long qos) {
  auto context = std::make_shared<DRDispatchQueuePool::Context>();
  context->label = label;
  auto target = dispatch::globalQueue(qosClass(qos));
  for (unsigned i = 0; i < count; ++i) {
    auto q = dispatch::Queue::createSerial(label);
    q->setTargetQueue(target);
    context->queues.push_back(std::move(q));
  }
  return context;
}

int sharedIndex(long qos) {
  switch (qos) {
    case DRQualityOfServiceUserInteractive: return 0;
    case DRQualityOfServiceUserInitiated: return 1;
    case DRQualityOfServiceUtility: return 2;
    case DRQualityOfServiceBackground: return 3;
    default: return 4;
  }
}

struct SharedPools {
  std::once_flag once[5];
  Ref<DRDispatchQueuePool> pools[5];
};

SharedPools& shared() {
  static auto* s = new SharedPools;  // the shared pools live for the process
  return *s;
}

}  // namespace

unsigned DRDispatchQueuePool::queueCountForProcessors(long processors) {
  if (processors < 1) return 1;
  if (processors > 32) return 32;
  return static_cast<unsigned>(processors);
}

Ref<DRDispatchQueuePool> DRDispatchQueuePool::poolWithName(const String& name, unsigned count, long qos) {
  if (count == 0 || count > 32) return nullptr;
  auto pool = rt::make<DRDispatchQueuePool>();
  pool->context_ = makeContext(name.utf8(), count, qos);
  pool->name_ = name;
  return pool;
}

Ref<DRDispatchQueuePool> DRDispatchQueuePool::defaultPoolForQOS(long qos) {
  static const char* const labels[5] = {"com.kestrum.durar.user-interactive", "com.kestrum.durar.user-initiated",
                                        "com.kestrum.durar.utility", "com.kestrum.durar.background",
                                        "com.kestrum.durar.default"};
  static const long classes[5] = {DRQualityOfServiceUserInteractive, DRQualityOfServiceUserInitiated,
                                  DRQualityOfServiceUtility, DRQualityOfServiceBackground,
                                  DRQualityOfServiceDefault};
  int i = sharedIndex(qos);
  auto& s = shared();
  std::call_once(s.once[i], [&] {
    unsigned count = queueCountForProcessors(dispatch::activeProcessorCount());
    s.pools[i] = poolWithName(labels[i], count, classes[i]);
  });
  return s.pools[i];
}

Ref<dispatch::Queue> DRDispatchQueuePool::queue() { return context_->next(); }

Ref<dispatch::Queue> DRQueuePoolGetQueueForQOS(long qos) { return DRDispatchQueuePool::defaultPoolForQOS(qos)->queue(); }

}  // namespace base
