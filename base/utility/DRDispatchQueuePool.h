#pragma once
// A fixed set of serial queues of one quality of service, handed out in rotation, so that a
// burst of background work never makes more threads than there are processors. The shared
// pools (one per class) hold as many queues as active processors, 1 to 32. Picking a queue is
// lock-free and safe from any thread.
#include <atomic>
#include <memory>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/runtime/Class.h"

namespace base {

using rt::String;

/// The platform's quality-of-service values.
inline constexpr long DRQualityOfServiceUserInteractive = 0x21;
inline constexpr long DRQualityOfServiceUserInitiated = 0x19;
inline constexpr long DRQualityOfServiceUtility = 0x11;
inline constexpr long DRQualityOfServiceBackground = 0x09;
inline constexpr long DRQualityOfServiceDefault = -1;

class DRDispatchQueuePool : public rt::Object {
  RT_CLASS(DRDispatchQueuePool, rt::Object)
 public:
  struct Context;

  /// Null when `count` is 0 or above 32.
  static Ref<DRDispatchQueuePool> poolWithName(const String& name, unsigned count, long qos);
  /// The shared pool of a class; unlisted values give the default pool.
  static Ref<DRDispatchQueuePool> defaultPoolForQOS(long qos);
  /// The shared pools' size for a processor count: clamped to 1...32.
  static unsigned queueCountForProcessors(long processors);

  /// The next queue in rotation.
  Ref<dispatch::Queue> queue();
  const String& name() const { return name_; }

 private:
  std::shared_ptr<Context> context_;
  String name_;
};

/// A queue of the shared pool of that class, in rotation (the same queues and rotation as
/// `defaultPoolForQOS`).
Ref<dispatch::Queue> DRQueuePoolGetQueueForQOS(long qos);

}  // namespace base
