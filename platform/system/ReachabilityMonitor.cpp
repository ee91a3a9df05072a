#include "platform/system/ReachabilityMonitor.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "platform/system/Reachability.h"

namespace sys {

ReachabilityMonitor& ReachabilityMonitor::shared() {
  // Never destroyed: its thread watches until the process ends.
  static ReachabilityMonitor* monitor = new ReachabilityMonitor();
  return *monitor;
}

void ReachabilityMonitor::watch(const Ref<Reachability>& target) {
  std::lock_guard lock(mutex_);
  std::erase_if(targets_, [&](const Weak<Reachability>& w) { return w.expired() || w.lock() == target; });
  targets_.push_back(target);
  if (!started_) {
    started_ = true;
    startThread();
  }
}

void ReachabilityMonitor::unwatch(const Reachability* target) {
  std::lock_guard lock(mutex_);
  std::erase_if(targets_, [&](const Weak<Reachability>& w) {
    auto t = w.lock();
    return !t || t.get() == target;
  });
}

void ReachabilityMonitor::recheckAll() {
  std::vector<Ref<Reachability>> live;
  {
    std::lock_guard lock(mutex_);
    for (auto& w : targets_)
      if (auto t = w.lock()) live.push_back(t);
  }
  for (auto& t : live) t->deliverIfChanged();
}

void ReachabilityMonitor::startThread() {
  std::thread([this] { run(); }).detach();
}

void ReachabilityMonitor::run() {
  int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return;  // no netlink: flags are still read on demand and by injection
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    return;
  }
  char buffer[8192];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, -1) <= 0) continue;
    bool relevant = false;
    // Drain what is queued, then recheck once for the whole burst.
    for (;;) {
      ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n <= 0) break;
      for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, static_cast<unsigned>(n)); h = NLMSG_NEXT(h, n)) {
        switch (h->nlmsg_type) {
          case RTM_NEWLINK: case RTM_DELLINK: case RTM_NEWADDR: case RTM_DELADDR:
          case RTM_NEWROUTE: case RTM_DELROUTE: relevant = true; break;
          default: break;
        }
      }
    }
    if (relevant) recheckAll();
  }
}

}  // namespace sys
