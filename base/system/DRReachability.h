#pragma once
// Whether a network destination can be reached and over which kind of link, read at any time or
// reported through a block on the main queue whenever it changes. Set the block and `allowWWAN`
// on the main thread.
#include <functional>

#include "platform/system/Reachability.h"

namespace base {

using rt::String;

/// 0 not reachable, 1 over a cellular link, 2 over Wi-Fi (or any other link).
enum DRReachabilityStatus : int { DRReachabilityStatusNone = 0, DRReachabilityStatusWWAN = 1, DRReachabilityStatusWiFi = 2 };
/// The cellular generation: 0 none or unknown, 2, 3 or 4.
enum DRReachabilityWWANStatus : int {
  DRReachabilityWWANStatusNone = 0,
  DRReachabilityWWANStatus2G = 2,
  DRReachabilityWWANStatus3G = 3,
  DRReachabilityWWANStatus4G = 4,
};

class DRReachability : public rt::Object {
  RT_CLASS(DRReachability, rt::Object)
 public:
  using NotifyBlock = std::function<void(DRReachability& reachability)>;

  /// The internet in general (the IPv4 zero address).
  static Ref<DRReachability> reachability();
  /// The link-local network (169.254.0.0); a cellular link does not count as cellular.
  static Ref<DRReachability> reachabilityForLocalWifi();
  /// Null when no target can be made for the name.
  static Ref<DRReachability> reachabilityWithHostname(const String& hostname);
  static Ref<DRReachability> reachabilityWithAddress(const sockaddr* address);
  static Ref<DRReachability> reachabilityWithRef(Ref<sys::Reachability> ref);
  ~DRReachability() override;

  /// The platform flags now (0 when they cannot be read).
  uint32_t flags() const;
  DRReachabilityStatus status() const;
  /// The status the given flags mean.
  DRReachabilityStatus statusForFlags(uint32_t flags) const;
  bool isReachable() const { return status() != DRReachabilityStatusNone; }
  DRReachabilityWWANStatus wwanStatus() const;
  /// The generation of a radio access technology name ("CTRadioAccessTechnologyLTE" is 4).
  static DRReachabilityWWANStatus generationForRadioAccessTechnology(const String& technology);

  bool allowWWAN() const { return allowWWAN_; }
  void setAllowWWAN(bool allow) { allowWWAN_ = allow; }
  /// Setting a block starts change notices; null stops them.
  void setNotifyBlock(NotifyBlock block);
  const NotifyBlock& notifyBlock() const { return notifyBlock_; }
  bool isScheduled() const { return scheduled_; }
  void setScheduled(bool scheduled);
  const Ref<sys::Reachability>& ref() const { return ref_; }

  /// The one serial queue every reachability reports on.
  static Ref<dispatch::Queue> sharedQueue();

 private:
  bool scheduled_ = false;
  bool allowWWAN_ = true;
  NotifyBlock notifyBlock_;
  Ref<sys::Reachability> ref_;
};

}  // namespace base
