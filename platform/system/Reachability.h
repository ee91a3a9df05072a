#pragma once
// Network reachability of a host name or a socket address: a flags word with the platform's
// bits, read synchronously or reported on change to a run loop or a dispatch queue. Changes are
// noticed through netlink route and link events.
#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {
class RunLoop;
}
namespace dispatch {
class Queue;
}

namespace sys {

// Flag bits, with the platform's values.
inline constexpr uint32_t kReachabilityFlagsTransientConnection = 1u << 0;
inline constexpr uint32_t kReachabilityFlagsReachable = 1u << 1;
inline constexpr uint32_t kReachabilityFlagsConnectionRequired = 1u << 2;
inline constexpr uint32_t kReachabilityFlagsConnectionOnTraffic = 1u << 3;
inline constexpr uint32_t kReachabilityFlagsInterventionRequired = 1u << 4;
inline constexpr uint32_t kReachabilityFlagsConnectionOnDemand = 1u << 5;
inline constexpr uint32_t kReachabilityFlagsIsLocalAddress = 1u << 16;
inline constexpr uint32_t kReachabilityFlagsIsDirect = 1u << 17;
inline constexpr uint32_t kReachabilityFlagsIsWWAN = 1u << 18;

class Reachability;

/// The caller's context: `info` is handed to the callback; `retain` runs when the context is
/// installed and `release` when it is replaced or the reachability goes away.
struct ReachabilityContext {
  void* info = nullptr;
  std::function<void(void*)> retain;
  std::function<void(void*)> release;
};

using ReachabilityCallback = std::function<void(const Ref<Reachability>& target, uint32_t flags, void* info)>;

class Reachability : public rt::Object {
  RT_CLASS_NAMED(Reachability, rt::Object, "SCNetworkReachability")
 public:
  void init() {}
  ~Reachability() override;

  /// Null for an empty name.
  static Ref<Reachability> createWithName(const rt::String& hostName);
  /// IPv4 or IPv6 addresses (0.0.0.0 means "the network at all"); null for other families.
  static Ref<Reachability> createWithAddress(const sockaddr* address);
  /// A new handle for the same target.
  static Ref<Reachability> createWithReachability(const Ref<Reachability>& other);

  /// Reads the current flags; false when they cannot be determined.
  bool getFlags(uint32_t* flags) const;

  /// Installs (or, with an empty callback, removes) the change callback.
  bool setCallback(ReachabilityCallback callback, const ReachabilityContext* context = nullptr);
  /// Callbacks run on `runLoop` in `mode`; scheduling the same pair twice schedules it once.
  bool scheduleWithRunLoop(const Ref<fd::RunLoop>& runLoop, const rt::String& mode);
  bool unscheduleFromRunLoop(const Ref<fd::RunLoop>& runLoop, const rt::String& mode);
  /// Callbacks run on `queue` (null stops that delivery).
  bool setDispatchQueue(Ref<dispatch::Queue> queue);

  const std::optional<rt::String>& hostName() const { return host_; }
  bool isZeroAddress() const;

  // Test hooks: injected flags replace what the system says, for every target, and the
  // scheduled callbacks hear of it as they would of a network change.
  static void injectFlags(uint32_t flags);
  static void clearInjectedFlags();
  /// Re-reads every watched target and reports changes (what a netlink event does).
  static void recheckAll();

  /// Computes flags from the system (ignoring injections).
  uint32_t systemFlags() const;

 private:
  friend class ReachabilityMonitor;
  void deliverIfChanged();

  std::optional<rt::String> host_;
  sockaddr_storage address_{};
  bool hasAddress_ = false;

  mutable std::mutex mutex_;
  ReachabilityCallback callback_;
  ReachabilityContext context_;
  bool hasContext_ = false;
  std::vector<std::pair<Ref<fd::RunLoop>, rt::String>> schedules_;
  Ref<dispatch::Queue> queue_;
  std::optional<uint32_t> lastReported_;
};

/// The current radio access technology name; there is no cellular radio here, so none.
std::optional<rt::String> currentRadioAccessTechnology();

}  // namespace sys
