#pragma once
// Watches whether a host, an address or the network at all can be reached, through the
// platform's reachability handle, and reports the status as a property, a block and a
// notification, all on the main queue.
#include <sys/socket.h>

#include <cstdint>
#include <functional>

#include "platform/foundation/Types.h"

namespace sys {
class Reachability;
}

namespace net {

enum class NKNetworkReachabilityStatus : int64_t {
  Unknown = -1,
  NotReachable = 0,
  ReachableViaWWAN = 1,
  ReachableViaWiFi = 2,
};

/// Posted on the main queue with no object whenever monitoring reports a status.
inline constexpr const char* NKNetworkingReachabilityDidChangeNotification =
    "com.trevanode.networking.reachability.change";
/// The user-information key holding the new status as a number.
inline constexpr const char* NKNetworkingReachabilityNotificationStatusItem =
    "NKNetworkingReachabilityNotificationStatusItem";

/// The status the platform's reachability flags mean.
NKNetworkReachabilityStatus NKNetworkReachabilityStatusForFlags(uint32_t flags);
/// The English text of a status, localized through the client's string table.
rt::String NKStringFromNetworkReachabilityStatus(NKNetworkReachabilityStatus status);

class NKNetworkReachabilityManager : public rt::Object {
  RT_CLASS(NKNetworkReachabilityManager, rt::Object)
 public:
  using StatusBlock = std::function<void(NKNetworkReachabilityStatus status)>;

  /// A manager needs a handle: plain construction yields none.
  bool init() { return false; }
  /// Designated: keeps `reachability` (which may be null: monitoring then does nothing).
  bool init(Ref<sys::Reachability> reachability);
  ~NKNetworkReachabilityManager() override;

  /// Made once: watches the IPv4 zero address, i.e. the network at all.
  static Ref<NKNetworkReachabilityManager> sharedManager();
  static Ref<NKNetworkReachabilityManager> managerForDomain(const rt::String& domain);
  static Ref<NKNetworkReachabilityManager> managerForAddress(const sockaddr* address);
  static Ref<NKNetworkReachabilityManager> initWithReachability(Ref<sys::Reachability> reachability);

  const Ref<sys::Reachability>& networkReachability() const { return reachability_; }
  NKNetworkReachabilityStatus networkReachabilityStatus() const { return status_; }
  bool isReachable() const;
  bool isReachableViaWWAN() const { return status_ == NKNetworkReachabilityStatus::ReachableViaWWAN; }
  bool isReachableViaWiFi() const { return status_ == NKNetworkReachabilityStatus::ReachableViaWiFi; }

  /// Unschedules any earlier watch, then reports every change on the main queue, starting with
  /// the flags read once in the background.
  void startMonitoring();
  void stopMonitoring();
  void setReachabilityStatusChangeBlock(StatusBlock block);
  rt::String localizedNetworkReachabilityStatusString() const;

 private:
  void setNetworkReachabilityStatus(NKNetworkReachabilityStatus status);

  Ref<sys::Reachability> reachability_;
  NKNetworkReachabilityStatus status_ = NKNetworkReachabilityStatus::Unknown;
  StatusBlock statusBlock_;
};

}  // namespace net
