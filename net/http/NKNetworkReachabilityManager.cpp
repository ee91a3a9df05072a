#include "net/http/NKNetworkReachabilityManager.h"

#include <netinet/in.h>

#include <atomic>

#include "net/http/NKNetworkingErrors.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/system/Reachability.h"

namespace net {

RT_IMPLEMENT(NKNetworkReachabilityManager) {
  c.property("networkReachability", &NKNetworkReachabilityManager::networkReachability);
  c.property("networkReachabilityStatus", &NKNetworkReachabilityManager::networkReachabilityStatus);
  c.property("reachable", &NKNetworkReachabilityManager::isReachable);
  c.property("reachableViaWWAN", &NKNetworkReachabilityManager::isReachableViaWWAN);
  c.property("reachableViaWiFi", &NKNetworkReachabilityManager::isReachableViaWiFi);
  c.dependentKeys("reachable", {"networkReachabilityStatus"});
  c.dependentKeys("reachableViaWWAN", {"networkReachabilityStatus"});
  c.dependentKeys("reachableViaWiFi", {"networkReachabilityStatus"});
}

NKNetworkReachabilityStatus NKNetworkReachabilityStatusForFlags(uint32_t flags) {
  const bool reachable = flags & sys::kReachabilityFlagsReachable;
  const bool needsConnection = flags & sys::kReachabilityFlagsConnectionRequired;
  const bool automatic = flags & (sys::kReachabilityFlagsConnectionOnTraffic | sys::kReachabilityFlagsConnectionOnDemand);
  const bool withoutUser = automatic && !(flags & sys::kReachabilityFlagsInterventionRequired);
  if (!reachable || (needsConnection && !withoutUser)) return NKNetworkReachabilityStatus::NotReachable;
  return (flags & sys::kReachabilityFlagsIsWWAN) ? NKNetworkReachabilityStatus::ReachableViaWWAN
                                                  : NKNetworkReachabilityStatus::ReachableViaWiFi;
}

rt::String NKStringFromNetworkReachabilityStatus(NKNetworkReachabilityStatus status) {
  switch (status) {
    case NKNetworkReachabilityStatus::NotReachable: return NKLocalizedString("Not Reachable");
    case NKNetworkReachabilityStatus::ReachableViaWWAN: return NKLocalizedString("Reachable via WWAN");
    case NKNetworkReachabilityStatus::ReachableViaWiFi: return NKLocalizedString("Reachable via WiFi");
    case NKNetworkReachabilityStatus::Unknown: break;
  }
  return NKLocalizedString("Unknown");
}

namespace {

using StatusBlock = NKNetworkReachabilityManager::StatusBlock;

// The callback context's payload: the status-change block, counted by the handle's
// retain/release so that it lives exactly as long as the handle keeps the context.
struct BlockHolder {
  StatusBlock block;
  std::atomic<int> references{0};
};

// The status is worked out where the flags arrive; the block and the notification follow on
// the main queue.
void postReachabilityStatusChange(uint32_t flags, StatusBlock block) {
  auto status = NKNetworkReachabilityStatusForFlags(flags);
  dispatch::mainQueue()->async([status, block = std::move(block)] {
    if (block) block(status);
    auto info = fd::Dictionary::withStrings(
        {{NKNetworkingReachabilityNotificationStatusItem, fd::Number::numberWithInteger(static_cast<int64_t>(status))}});
    fd::NotificationCenter::defaultCenter()->post(NKNetworkingReachabilityDidChangeNotification, nullptr, info);
  });
}

}  // namespace

bool NKNetworkReachabilityManager::init(Ref<sys::Reachability> reachability) {
  reachability_ = std::move(reachability);
  status_ = NKNetworkReachabilityStatus::Unknown;
  return true;
}

NKNetworkReachabilityManager::~NKNetworkReachabilityManager() { stopMonitoring(); }

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::sharedManager() {
  static const Ref<NKNetworkReachabilityManager> shared = [] {
    sockaddr_in zero{};
    zero.sin_family = AF_INET;
    return managerForAddress(reinterpret_cast<const sockaddr*>(&zero));
  }();
  return shared;
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::managerForDomain(const rt::String& domain) {
  return initWithReachability(sys::Reachability::createWithName(domain));
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::managerForAddress(const sockaddr* address) {
  return initWithReachability(sys::Reachability::createWithAddress(address));
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::initWithReachability(
    Ref<sys::Reachability> reachability) {
  return rt::make<NKNetworkReachabilityManager>(std::move(reachability));
}

bool NKNetworkReachabilityManager::isReachable() const {
  return isReachableViaWWAN() || isReachableViaWiFi();
}

void NKNetworkReachabilityManager::setNetworkReachabilityStatus(NKNetworkReachabilityStatus status) {
  setAndNotify("networkReachabilityStatus", status_, status);
}

void NKNetworkReachabilityManager::setReachabilityStatusChangeBlock(StatusBlock block) {
  statusBlock_ = std::move(block);
}

rt::String NKNetworkReachabilityManager::localizedNetworkReachabilityStatusString() const {
  return NKStringFromNetworkReachabilityStatus(status_);
}

void NKNetworkReachabilityManager::startMonitoring() {
  stopMonitoring();
  if (!reachability_) return;

  Weak<NKNetworkReachabilityManager> weakSelf = rt::as<NKNetworkReachabilityManager>(self());
  StatusBlock callback = [weakSelf](NKNetworkReachabilityStatus status) {
    auto strongSelf = weakSelf.lock();
    if (!strongSelf) return;
    strongSelf->setNetworkReachabilityStatus(status);
    if (auto block = strongSelf->statusBlock_) block(status);
  };

  auto* holder = new BlockHolder{callback};
  sys::ReachabilityContext context{
      holder, [](void* info) { ++static_cast<BlockHolder*>(info)->references; },
      [](void* info) {
        auto* h = static_cast<BlockHolder*>(info);
        if (--h->references == 0) delete h;
      }};
  reachability_->setCallback(
      [](const Ref<sys::Reachability>&, uint32_t flags, void* info) {
        postReachabilityStatusChange(flags, static_cast<BlockHolder*>(info)->block);
      },
      &context);
  reachability_->scheduleWithRunLoop(fd::RunLoop::mainRunLoop(), fd::kCFRunLoopCommonModes);

  dispatch::globalQueue(dispatch::Qos::Background)->async([reachability = reachability_, callback] {
    uint32_t flags = 0;
    if (reachability->getFlags(&flags)) postReachabilityStatusChange(flags, callback);
  });
}

void NKNetworkReachabilityManager::stopMonitoring() {
  if (!reachability_) return;
  reachability_->unscheduleFromRunLoop(fd::RunLoop::mainRunLoop(), fd::kCFRunLoopCommonModes);
}

}  // namespace net
