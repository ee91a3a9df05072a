#include "platform/system/Reachability.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/system/ReachabilityMonitor.h"

namespace sys {

RT_IMPLEMENT_PLATFORM(Reachability) {}

namespace {

std::atomic<bool> injected{false};
std::atomic<uint32_t> injectedFlags{0};

bool isLoopback(const sockaddr_storage& a) {
  if (a.ss_family == AF_INET)
    return (ntohl(reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr) >> 24) == 127;
  if (a.ss_family == AF_INET6) return IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr);
  return false;
}

bool isZero(const sockaddr_storage& a) {
  if (a.ss_family == AF_INET) return reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr == 0;
  if (a.ss_family == AF_INET6) return IN6_IS_ADDR_UNSPECIFIED(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr);
  return false;
}

bool isLinkLocal(const sockaddr_storage& a) {
  if (a.ss_family == AF_INET)
    return (ntohl(reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr) >> 16) == 0xA9FE;  // 169.254/16
  if (a.ss_family == AF_INET6) return IN6_IS_ADDR_LINKLOCAL(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr);
  return false;
}

bool looksLikeMobileBroadband(const char* name) {
  for (const char* prefix : {"wwan", "rmnet", "ppp", "wwp"})
    if (std::strncmp(name, prefix, std::strlen(prefix)) == 0) return true;
  return false;
}

// Connecting a datagram socket sends nothing but asks the kernel for a route: success means
// there is one, and the local address it picked names the interface.
uint32_t routeFlags(const sockaddr_storage& destination) {
  sockaddr_storage target = destination;
  socklen_t length = target.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  if (target.ss_family == AF_INET) reinterpret_cast<sockaddr_in&>(target).sin_port = htons(9);
  else reinterpret_cast<sockaddr_in6&>(target).sin6_port = htons(9);
  int s = socket(target.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  bool routed = connect(s, reinterpret_cast<sockaddr*>(&target), length) == 0;
  sockaddr_storage local{};
  socklen_t localLength = sizeof local;
  bool named = routed && getsockname(s, reinterpret_cast<sockaddr*>(&local), &localLength) == 0;
  close(s);
  if (!routed) return 0;
  uint32_t flags = kReachabilityFlagsReachable;
  if (!named) return flags;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return flags;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != local.ss_family) continue;
    bool same = local.ss_family == AF_INET
                    ? reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr ==
                          reinterpret_cast<sockaddr_in&>(local).sin_addr.s_addr
                    : std::memcmp(&reinterpret_cast<sockaddr_in6*>(i->ifa_addr)->sin6_addr,
                                  &reinterpret_cast<sockaddr_in6&>(local).sin6_addr, sizeof(in6_addr)) == 0;
    if (!same) continue;
    if (looksLikeMobileBroadband(i->ifa_name)) flags |= kReachabilityFlagsIsWWAN;
    if (local.ss_family == AF_INET && i->ifa_netmask && destination.ss_family == AF_INET) {
      uint32_t mask = reinterpret_cast<sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr;
      uint32_t mine = reinterpret_cast<sockaddr_in&>(local).sin_addr.s_addr;
      uint32_t theirs = reinterpret_cast<const sockaddr_in&>(destination).sin_addr.s_addr;
      if ((mine & mask) == (theirs & mask)) flags |= kReachabilityFlagsIsDirect;
      if (mine == theirs) flags |= kReachabilityFlagsIsLocalAddress;
    }
    break;
  }
  freeifaddrs(list);
  return flags;
}

// A non-loopback interface that is up and has an address of this family.
bool hasLocalNetwork(int family) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* i = list; i && !found; i = i->ifa_next)
    found = i->ifa_addr && i->ifa_addr->sa_family == family && (i->ifa_flags & IFF_UP) && !(i->ifa_flags & IFF_LOOPBACK);
  freeifaddrs(list);
  return found;
}

uint32_t flagsForAddress(const sockaddr_storage& a) {
  if (isLoopback(a)) return kReachabilityFlagsReachable | kReachabilityFlagsIsLocalAddress | kReachabilityFlagsIsDirect;
  if (isZero(a)) {
    // "The network at all": a default route, probed towards a documentation address.
    sockaddr_storage probe{};
    if (a.ss_family == AF_INET) {
      auto& v4 = reinterpret_cast<sockaddr_in&>(probe);
      v4.sin_family = AF_INET;
      inet_pton(AF_INET, "198.51.100.1", &v4.sin_addr);
    } else {
      auto& v6 = reinterpret_cast<sockaddr_in6&>(probe);
      v6.sin6_family = AF_INET6;
      inet_pton(AF_INET6, "2001:db8::1", &v6.sin6_addr);
    }
    return routeFlags(probe) & (kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
  }
  if (isLinkLocal(a))
    return hasLocalNetwork(a.ss_family) ? kReachabilityFlagsReachable | kReachabilityFlagsIsDirect : 0;
  return routeFlags(a);
}

}  // namespace

Reachability::~Reachability() {
  ReachabilityMonitor::shared().unwatch(this);
  if (hasContext_ && context_.release) context_.release(context_.info);
}

Ref<Reachability> Reachability::createWithName(const rt::String& hostName) {
  if (hostName.isEmpty()) return nullptr;
  auto r = rt::make<Reachability>();
  r->host_ = hostName;
  return r;
}

Ref<Reachability> Reachability::createWithAddress(const sockaddr* address) {
  if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) return nullptr;
  auto r = rt::make<Reachability>();
  std::memcpy(&r->address_, address, address->sa_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
  r->hasAddress_ = true;
  return r;
}

Ref<Reachability> Reachability::createWithReachability(const Ref<Reachability>& other) {
  if (!other) return nullptr;
  auto r = rt::make<Reachability>();
  r->host_ = other->host_;
  r->address_ = other->address_;
  r->hasAddress_ = other->hasAddress_;
  return r;
}

bool Reachability::isZeroAddress() const { return hasAddress_ && isZero(address_); }

uint32_t Reachability::systemFlags() const {
  if (hasAddress_) return flagsForAddress(address_);
  if (!host_) return 0;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host_->utf8().c_str(), nullptr, &hints, &found) != 0 || !found) return 0;
  sockaddr_storage a{};
  std::memcpy(&a, found->ai_addr, found->ai_addrlen);
  freeaddrinfo(found);
  return flagsForAddress(a);
}

bool Reachability::getFlags(uint32_t* flags) const {
  if (!flags) return false;
  *flags = injected.load() ? injectedFlags.load() : systemFlags();
  return true;
}

bool Reachability::setCallback(ReachabilityCallback callback, const ReachabilityContext* context) {
  ReachabilityContext old;
  bool hadContext;
  {
    std::lock_guard lock(mutex_);
    old = std::move(context_);
    hadContext = hasContext_;
    callback_ = std::move(callback);
    hasContext_ = context != nullptr && callback_;
    context_ = hasContext_ ? *context : ReachabilityContext{};
  }
  if (hasContext_ && context_.retain) context_.retain(context_.info);
  if (hadContext && old.release) old.release(old.info);
  return true;
}

bool Reachability::scheduleWithRunLoop(const Ref<fd::RunLoop>& runLoop, const rt::String& mode) {
  if (!runLoop) return false;
  uint32_t now = 0;
  getFlags(&now);
  {
    std::lock_guard lock(mutex_);
    for (auto& [loop, m] : schedules_)
      if (loop == runLoop && m == mode) return true;
    schedules_.emplace_back(runLoop, mode);
    if (!lastReported_) lastReported_ = now;
  }
  ReachabilityMonitor::shared().watch(std::static_pointer_cast<Reachability>(shared_from_this()));
  return true;
}

bool Reachability::unscheduleFromRunLoop(const Ref<fd::RunLoop>& runLoop, const rt::String& mode) {
  bool idle;
  {
    std::lock_guard lock(mutex_);
    auto before = schedules_.size();
    std::erase_if(schedules_, [&](auto& s) { return s.first == runLoop && s.second == mode; });
    if (before == schedules_.size()) return false;
    idle = schedules_.empty() && !queue_;
  }
  if (idle) ReachabilityMonitor::shared().unwatch(this);
  return true;
}

bool Reachability::setDispatchQueue(Ref<dispatch::Queue> queue) {
  uint32_t now = 0;
  getFlags(&now);
  bool idle;
  {
    std::lock_guard lock(mutex_);
    queue_ = std::move(queue);
    if (queue_ && !lastReported_) lastReported_ = now;
    idle = schedules_.empty() && !queue_;
  }
  if (idle) ReachabilityMonitor::shared().unwatch(this);
  else ReachabilityMonitor::shared().watch(std::static_pointer_cast<Reachability>(shared_from_this()));
  return true;
}

void Reachability::deliverIfChanged() {
  uint32_t flags = 0;
  getFlags(&flags);
  std::vector<std::pair<Ref<fd::RunLoop>, rt::String>> schedules;
  Ref<dispatch::Queue> queue;
  {
    std::lock_guard lock(mutex_);
    if (lastReported_ == flags || !callback_) {
      lastReported_ = flags;
      return;
    }
    lastReported_ = flags;
    schedules = schedules_;
    queue = queue_;
  }
  auto self = std::static_pointer_cast<Reachability>(shared_from_this());
  auto fire = [self, flags] {
    ReachabilityCallback cb;
    void* info = nullptr;
    {
      std::lock_guard lock(self->mutex_);
      cb = self->callback_;
      info = self->context_.info;
    }
    if (cb) cb(self, flags, info);
  };
  for (auto& [loop, mode] : schedules) loop->performInModes({mode}, fire);
  if (queue) queue->async(fire);
}

void Reachability::injectFlags(uint32_t flags) {
  injectedFlags.store(flags);
  injected.store(true);
  recheckAll();
}

void Reachability::clearInjectedFlags() {
  injected.store(false);
  recheckAll();
}

void Reachability::recheckAll() { ReachabilityMonitor::shared().recheckAll(); }

std::optional<rt::String> currentRadioAccessTechnology() { return std::nullopt; }

}  // namespace sys
