#include "base/system/Device+DUDer.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_link.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <string_view>
#include <unordered_map>

#include "platform/foundation/files/Paths.h"
#include "platform/foundation/files/ProcessInfo.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/host/Application.h"

namespace base {

namespace {

enum class Family { None, WiFi, Cellular, PeerToPeer };

Family familyOf(std::string_view name) {
  auto starts = [&](std::string_view p) { return name.substr(0, p.size()) == p; };
  if (starts("wl") || starts("en") || starts("eth")) return Family::WiFi;
  if (starts("wwan") || starts("rmnet") || starts("ppp") || starts("pdp_ip")) return Family::Cellular;
  if (starts("p2p") || starts("awdl")) return Family::PeerToPeer;
  return Family::None;
}

String firstIPv4(Family family) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return String();
  String found;
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_name || !a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    if (familyOf(a->ifa_name) != family) continue;
    char text[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text)) {
      found = String(text);
      break;
    }
  }
  freeifaddrs(list);
  return found;
}

// /proc/meminfo values in bytes, by key.
std::unordered_map<std::string, int64_t> meminfo() {
  std::unordered_map<std::string, int64_t> values;
  std::ifstream in("/proc/meminfo");
  std::string key;
  int64_t kib = 0;
  std::string unit;
  while (in >> key >> kib) {
    std::getline(in, unit);
    if (!key.empty() && key.back() == ':') key.pop_back();
    values[key] = kib * 1024;
  }
  return values;
}

int64_t meminfoValue(const char* key) {
  auto values = meminfo();
  auto it = values.find(key);
  return it == values.end() ? -1 : it->second;
}

int64_t diskValue(bool free) {
  struct statvfs s{};
  if (statvfs(fd::NSHomeDirectory().utf8().c_str(), &s) != 0) return -1;
  uint64_t blocks = free ? s.f_bavail : s.f_blocks;
  auto bytes = static_cast<int64_t>(blocks * s.f_frsize);
  return bytes < 0 ? -1 : bytes;
}

}  // namespace

float systemVersion() {
  static const float version = ui::Device::currentDevice()->systemVersion().floatValue();
  return version;
}

bool isPad(const ui::Device& device) { return device.userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad; }
bool isSimulator(const ui::Device& device) { return device.isSimulator(); }

bool canMakePhoneCalls(const ui::Device&) {
  static const bool can = ui::Application::sharedApplication()->canOpenURL(fd::URL::URLWithString("tel://"));
  return can;
}

String ipAddressWIFI(const ui::Device&) { return firstIPv4(Family::WiFi); }
String ipAddressCell(const ui::Device&) { return firstIPv4(Family::Cellular); }

uint64_t DRAdvanceTrafficCounter(DRTrafficCounter& counter, uint32_t current) {
  // Unsigned 32-bit subtraction is the distance modulo 2^32, wrap included.
  counter.total += static_cast<uint32_t>(current - counter.last);
  counter.last = current;
  return counter.total;
}

uint64_t getNetworkTrafficBytes(const ui::Device&, uint32_t types) {
  static std::mutex lock;
  static auto* sent = new std::unordered_map<std::string, DRTrafficCounter>;
  static auto* received = new std::unordered_map<std::string, DRTrafficCounter>;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return 0;
  uint64_t sums[6] = {};  // cellular sent, received; Wi-Fi sent, received; peer-to-peer sent, received
  {
    std::lock_guard guard(lock);
    for (ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_name || !a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET || !a->ifa_data) continue;
      auto* stats = static_cast<const rtnl_link_stats*>(a->ifa_data);
      std::string name = a->ifa_name;
      uint64_t out = DRAdvanceTrafficCounter((*sent)[name], stats->tx_bytes);
      uint64_t in = DRAdvanceTrafficCounter((*received)[name], stats->rx_bytes);
      int base = -1;
      switch (familyOf(name)) {
        case Family::Cellular: base = 0; break;
        case Family::WiFi: base = 2; break;
        case Family::PeerToPeer: base = 4; break;
        case Family::None: break;
      }
      if (base < 0) continue;
      sums[base] += out;
      sums[base + 1] += in;
    }
  }
  freeifaddrs(list);
  uint64_t total = 0;
  for (int i = 0; i < 6; ++i)
    if (types & (1u << i)) total += sums[i];
  return total;
}

String machineModel(const ui::Device& device) { return device.machineModel(); }

String machineModelNameFor(const String& model) {
  static const auto* table = [] {
    auto* t = new std::unordered_map<std::string, const char*>;
    auto add = [t](std::initializer_list<const char*> models, const char* name) {
      for (const char* m : models) (*t)[m] = name;
    };
    add({"Watch1,1", "Watch1,2"}, "Apple Watch");
    add({"iPod1,1"}, "iPod touch 1");
    add({"iPod2,1"}, "iPod touch 2");
    add({"iPod3,1"}, "iPod touch 3");
    add({"iPod4,1"}, "iPod touch 4");
    add({"iPod5,1"}, "iPod touch 5");
    add({"iPod7,1"}, "iPod touch 6");
    add({"iPhone1,1"}, "iPhone 1G");
    add({"iPhone1,2"}, "iPhone 3G");
    add({"iPhone2,1"}, "iPhone 3GS");
    add({"iPhone3,1"}, "iPhone 4 (GSM)");
    add({"iPhone3,2"}, "iPhone 4");
    add({"iPhone3,3"}, "iPhone 4 (CDMA)");
    add({"iPhone4,1"}, "iPhone 4S");
    add({"iPhone5,1", "iPhone5,2"}, "iPhone 5");
    add({"iPhone5,3", "iPhone5,4"}, "iPhone 5c");
    add({"iPhone6,1", "iPhone6,2"}, "iPhone 5s");
    add({"iPhone7,1"}, "iPhone 6 Plus");
    add({"iPhone7,2"}, "iPhone 6");
    add({"iPhone8,1"}, "iPhone 6s");
    add({"iPhone8,2"}, "iPhone 6s Plus");
    add({"iPad1,1"}, "iPad 1");
    add({"iPad2,1"}, "iPad 2 (WiFi)");
    add({"iPad2,2"}, "iPad 2 (GSM)");
    add({"iPad2,3"}, "iPad 2 (CDMA)");
    add({"iPad2,4"}, "iPad 2");
    add({"iPad2,5", "iPad2,6", "iPad2,7"}, "iPad mini 1");
    add({"iPad3,1"}, "iPad 3 (WiFi)");
    add({"iPad3,2", "iPad3,3"}, "iPad 3 (4G)");
    add({"iPad3,4", "iPad3,5", "iPad3,6"}, "iPad 4");
    add({"iPad4,1", "iPad4,2", "iPad4,3"}, "iPad Air");
    add({"iPad4,4", "iPad4,5", "iPad4,6"}, "iPad mini 2");
    add({"iPad4,7", "iPad4,8", "iPad4,9"}, "iPad mini 3");
    add({"iPad5,1", "iPad5,2"}, "iPad mini 4");
    add({"iPad5,3", "iPad5,4"}, "iPad Air 2");
    add({"i386"}, "Simulator x86");
    add({"x86_64"}, "Simulator x64");
    return t;
  }();
  auto it = table->find(model.utf8());
  return it == table->end() ? model : String(it->second);
}

String machineModelName(const ui::Device& device) { return machineModelNameFor(device.machineModel()); }

Ref<fd::Date> systemUptime(const ui::Device&) {
  return fd::Date::dateWithTimeIntervalSinceNow(-fd::ProcessInfo::processInfo()->systemUptime());
}

int64_t diskSpace(const ui::Device&) { return diskValue(false); }
int64_t diskSpaceFree(const ui::Device&) { return diskValue(true); }

int64_t diskSpaceUsed(const ui::Device& device) {
  int64_t total = diskSpace(device), free = diskSpaceFree(device);
  if (total < 0 || free < 0 || total - free < 0) return -1;
  return total - free;
}

int64_t memoryTotal(const ui::Device&) {
  auto bytes = static_cast<int64_t>(fd::ProcessInfo::processInfo()->physicalMemory());
  return bytes < 0 ? -1 : bytes;
}

int64_t memoryUsed(const ui::Device&) {
  auto v = meminfo();
  if (!v.count("Active") || !v.count("Inactive") || !v.count("Unevictable")) return -1;
  return v["Active"] + v["Inactive"] + v["Unevictable"];
}

int64_t memoryFree(const ui::Device&) { return meminfoValue("MemFree"); }
int64_t memoryActive(const ui::Device&) { return meminfoValue("Active"); }
int64_t memoryInactive(const ui::Device&) { return meminfoValue("Inactive"); }
int64_t memoryWired(const ui::Device&) { return meminfoValue("Unevictable"); }
int64_t memoryPurgable(const ui::Device&) { return meminfoValue("SReclaimable"); }

uint64_t cpuCount(const ui::Device&) { return fd::ProcessInfo::processInfo()->activeProcessorCount(); }

Ref<fd::Array> cpuUsagePerProcessor(const ui::Device&) {
  std::ifstream in("/proc/stat");
  if (!in) return nullptr;
  std::vector<rt::Id> shares;
  std::string line;
  while (std::getline(in, line)) {
    // "cpuN user nice system idle ..." (the plain "cpu" line is the total)
    if (line.rfind("cpu", 0) != 0 || line.size() < 4 || line[3] < '0' || line[3] > '9') continue;
    std::istringstream fields(line.substr(line.find(' ')));
    unsigned long long user = 0, nice = 0, system = 0, idle = 0;
    if (!(fields >> user >> nice >> system >> idle)) continue;
    double busy = static_cast<double>(user + nice + system);
    double all = busy + static_cast<double>(idle);
    shares.push_back(fd::Number::numberWithFloat(all > 0 ? static_cast<float>(busy / all) : 0.0f));
  }
  if (shares.empty()) return nullptr;
  return fd::Array::create(std::move(shares));
}

float cpuUsage(const ui::Device& device) {
  auto shares = cpuUsagePerProcessor(device);
  if (!shares || shares->count() == 0) return -1.0f;
  float sum = 0;
  for (const rt::Id& n : *shares) sum += static_cast<fd::Number&>(*n).floatValue();
  return sum;
}

}  // namespace base
