#pragma once
// Watches netlink for route, address and link changes and has every scheduled reachability
// re-read its flags when one arrives.
#include <mutex>
#include <vector>

#include "platform/foundation/Types.h"

namespace sys {

class Reachability;

class ReachabilityMonitor {
 public:
  static ReachabilityMonitor& shared();
  void watch(const Ref<Reachability>& target);
  void unwatch(const Reachability* target);
  /// Every watched target re-reads its flags and reports a change.
  void recheckAll();

 private:
  ReachabilityMonitor() = default;
  void startThread();
  void run();
  std::mutex mutex_;
  std::vector<Weak<Reachability>> targets_;
  bool started_ = false;
};

}  // namespace sys
