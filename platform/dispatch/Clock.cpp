#include "platform/dispatch/Clock.h"

#include <ctime>
#include <mutex>
#include <vector>

namespace dispatch {

namespace {

double readClock(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct ClockSlot {
  std::mutex mutex;
  std::vector<std::shared_ptr<Clock>> installed;  // every clock ever installed, kept alive
  std::atomic<Clock*> current{nullptr};
  std::atomic<bool> isVirtual{false};

  ClockSlot() {
    installed.push_back(std::make_shared<SystemClock>());
    current.store(installed.back().get(), std::memory_order_release);
  }
};

ClockSlot& slot() {
  static ClockSlot* s = new ClockSlot;  // never destroyed: worker threads may read it at exit
  return *s;
}

}  // namespace

Clock::~Clock() = default;

double SystemClock::now() const { return readClock(CLOCK_REALTIME); }
double SystemClock::uptime() const { return readClock(CLOCK_MONOTONIC); }

VirtualClock::VirtualClock() : VirtualClock(readClock(CLOCK_REALTIME), 1000.0) {}
VirtualClock::VirtualClock(double wallStart, double uptimeStart) : wall_(wallStart), uptime_(uptimeStart) {}

double VirtualClock::now() const { return wall_.load(std::memory_order_acquire); }
double VirtualClock::uptime() const { return uptime_.load(std::memory_order_acquire); }

void VirtualClock::advance(double seconds) {
  if (!(seconds > 0)) return;
  wall_.fetch_add(seconds, std::memory_order_acq_rel);
  uptime_.fetch_add(seconds, std::memory_order_acq_rel);
}

void VirtualClock::setNow(double wall) {
  double delta = wall - wall_.exchange(wall, std::memory_order_acq_rel);
  if (delta > 0) uptime_.fetch_add(delta, std::memory_order_acq_rel);
}

Clock& clock() { return *slot().current.load(std::memory_order_acquire); }

void setClock(std::shared_ptr<Clock> c) {
  ClockSlot& s = slot();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!c) c = s.installed.front();  // the system clock
  bool found = false;
  for (auto& held : s.installed) found = found || held == c;
  if (!found) s.installed.push_back(c);
  s.isVirtual.store(dynamic_cast<VirtualClock*>(c.get()) != nullptr, std::memory_order_release);
  s.current.store(c.get(), std::memory_order_release);
}

double now() { return clock().now(); }
double uptime() { return clock().uptime(); }
bool isVirtualClock() { return slot().isVirtual.load(std::memory_order_acquire); }
double realUptime() { return readClock(CLOCK_MONOTONIC); }

}  // namespace dispatch
