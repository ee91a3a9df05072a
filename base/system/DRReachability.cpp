#include "base/system/DRReachability.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <unordered_map>

#include "platform/dispatch/Queue.h"

namespace base {

RT_IMPLEMENT(DRReachability) {}

namespace {

Ref<DRReachability> forIPv4(const char* address) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  inet_pton(AF_INET, address, &in.sin_addr);
  return DRReachability::reachabilityWithAddress(reinterpret_cast<const sockaddr*>(&in));
}

}  // namespace

Ref<DRReachability> DRReachability::reachabilityWithRef(Ref<sys::Reachability> ref) {
  if (!ref) return nullptr;
  auto r = rt::make<DRReachability>();
  r->ref_ = std::move(ref);
  return r;
}

Ref<DRReachability> DRReachability::reachability() { return forIPv4("0.0.0.0"); }

Ref<DRReachability> DRReachability::reachabilityForLocalWifi() {
  auto r = forIPv4("169.254.0.0");
  if (r) r->allowWWAN_ = false;
  return r;
}

Ref<DRReachability> DRReachability::reachabilityWithHostname(const String& hostname) {
  return reachabilityWithRef(sys::Reachability::createWithName(hostname));
}

Ref<DRReachability> DRReachability::reachabilityWithAddress(const sockaddr* address) {
  return reachabilityWithRef(address ? sys::Reachability::createWithAddress(address) : nullptr);
}

DRReachability::~DRReachability() {
  notifyBlock_ = nullptr;
  setScheduled(false);
}

uint32_t DRReachability::flags() const {
  uint32_t flags = 0;
  if (!ref_->getFlags(&flags)) return 0;
  return flags;
}

DRReachabilityStatus DRReachability::statusForFlags(uint32_t f) const {
  if (!(f & sys::kReachabilityFlagsReachable)) return DRReachabilityStatusNone;
  if ((f & sys::kReachabilityFlagsConnectionRequired) && (f & sys::kReachabilityFlagsTransientConnection))
    return DRReachabilityStatusNone;
  if ((f & sys::kReachabilityFlagsIsWWAN) && allowWWAN_) return DRReachabilityStatusWWAN;
  return DRReachabilityStatusWiFi;
}

DRReachabilityStatus DRReachability::status() const { return statusForFlags(flags()); }

DRReachabilityWWANStatus DRReachability::generationForRadioAccessTechnology(const String& technology) {
  static const auto* table = new std::unordered_map<std::string, DRReachabilityWWANStatus>{
      {"CTRadioAccessTechnologyGPRS", DRReachabilityWWANStatus2G},
      {"CTRadioAccessTechnologyEdge", DRReachabilityWWANStatus2G},
      {"CTRadioAccessTechnologyWCDMA", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyHSDPA", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyHSUPA", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyCDMA1x", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyCDMAEVDORev0", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyCDMAEVDORevA", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyCDMAEVDORevB", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyeHRPD", DRReachabilityWWANStatus3G},
      {"CTRadioAccessTechnologyLTE", DRReachabilityWWANStatus4G},
  };
  auto it = table->find(technology.utf8());
  return it == table->end() ? DRReachabilityWWANStatusNone : it->second;
}

DRReachabilityWWANStatus DRReachability::wwanStatus() const {
  auto technology = sys::currentRadioAccessTechnology();
  return technology ? generationForRadioAccessTechnology(*technology) : DRReachabilityWWANStatusNone;
}

void DRReachability::setNotifyBlock(NotifyBlock block) {
  notifyBlock_ = std::move(block);
  setScheduled(notifyBlock_ != nullptr);
}

Ref<dispatch::Queue> DRReachability::sharedQueue() {
  static const Ref<dispatch::Queue> queue = dispatch::Queue::createSerial("com.kestrum.durar.reachability");
  return queue;
}

void DRReachability::setScheduled(bool scheduled) {
  if (scheduled_ == scheduled) return;
  scheduled_ = scheduled;
  if (scheduled) {
    // The callback holds the object weakly; the main-queue block holds it while it runs.
    rt::Weak<DRReachability> weak = std::static_pointer_cast<DRReachability>(self());
    ref_->setCallback([weak](const Ref<sys::Reachability>&, uint32_t, void*) {
      auto strong = weak.lock();
      if (!strong) return;  // the block is read on the main thread, where it is set
      dispatch::mainQueue()->async([strong] {
        if (auto block = strong->notifyBlock_) block(*strong);
      });
    });
    ref_->setDispatchQueue(sharedQueue());
  } else {
    ref_->setDispatchQueue(nullptr);
  }
}

}  // namespace base
