#include "platform/ui/host/Device.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/foundation/NotificationCenter.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Device) {
  c.property("model", &Device::model);
  c.property("systemName", &Device::systemName);
  c.property("systemVersion", &Device::systemVersion);
  c.classMethod("currentDevice", &Device::currentDevice);
}

namespace {
// The system version the platform reports when nothing else is configured.
constexpr const char* kDefaultSystemVersion = "9.0";

std::string readFirstLine(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}
}  // namespace

Ref<Device> Device::currentDevice() {
  static Ref<Device> shared = rt::make<Device>();
  return shared;
}

rt::String Device::name() const {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return rt::String("localhost");
  return rt::String(host);
}

rt::String Device::model() const { return model_ ? *model_ : rt::String("iPhone"); }
rt::String Device::systemName() const { return rt::String("iOS"); }
rt::String Device::systemVersion() const { return systemVersion_ ? *systemVersion_ : rt::String(kDefaultSystemVersion); }
UserInterfaceIdiom Device::userInterfaceIdiom() const { return idiom_ ? *idiom_ : UserInterfaceIdiom::Phone; }

rt::String Device::machineModel() const {
  if (machine_) return *machine_;
  struct utsname u {};
  if (uname(&u) != 0) return rt::String("unknown");
  return rt::String(u.machine);
}

bool Device::isSimulator() const {
  auto m = machineModel();
  return m == rt::String("x86_64") || m == rt::String("i386");
}

double Device::batteryLevel() const {
  if (!batteryMonitoring_) return -1;
  std::string cap = readFirstLine("/sys/class/power_supply/BAT0/capacity");
  if (cap.empty()) return -1;
  try {
    return std::stod(cap) / 100.0;
  } catch (...) {
    return -1;
  }
}

DeviceBatteryState Device::batteryState() const {
  if (!batteryMonitoring_) return DeviceBatteryState::Unknown;
  std::string s = readFirstLine("/sys/class/power_supply/BAT0/status");
  if (s == "Charging") return DeviceBatteryState::Charging;
  if (s == "Full") return DeviceBatteryState::Full;
  if (s == "Discharging" || s == "Not charging") return DeviceBatteryState::Unplugged;
  return DeviceBatteryState::Unknown;
}

rt::String Device::identifierForVendor() const {
  std::string id = readFirstLine("/etc/machine-id");
  if (id.size() < 32) id = std::string(32, '0');
  std::string u = id.substr(0, 8) + "-" + id.substr(8, 4) + "-" + id.substr(12, 4) + "-" + id.substr(16, 4) + "-" +
                  id.substr(20, 12);
  for (auto& ch : u) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return rt::String(u);
}

int64_t Device::totalMemory() const {
  if (total_) return *total_;
  long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  return pages < 0 || size < 0 ? -1 : static_cast<int64_t>(pages) * size;
}

int64_t Device::freeMemory() const {
  if (free_) return *free_;
  long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  return pages < 0 || size < 0 ? -1 : static_cast<int64_t>(pages) * size;
}

void Device::setOrientation(DeviceOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  fd::NotificationCenter::defaultCenter()->post(rt::String(UIDeviceOrientationDidChangeNotification), self());
}

void Device::resetOverrides() {
  model_.reset();
  systemVersion_.reset();
  machine_.reset();
  idiom_.reset();
  total_.reset();
  free_.reset();
  orientation_ = DeviceOrientation::Portrait;
}

}  // namespace ui
