#include "base/system/Application+DUDer.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>

#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/foundation/values/Number.h"

namespace base {

namespace {

Ref<fd::URL> lastURL(fd::SearchPathDirectory d) {
  auto urls = fd::FileManager::defaultManager()->URLsForDirectory(d, fd::UserDomainMask);
  return urls.empty() ? nullptr : urls.back();
}

String firstPath(fd::SearchPathDirectory d) {
  auto paths = fd::NSSearchPathForDirectoriesInDomains(d, fd::UserDomainMask, true);
  return paths.empty() ? String() : paths.front();
}

String infoString(const char* key) {
  auto value = rt::as<fd::StringObject>(fd::Bundle::mainBundle()->objectForInfoDictionaryKey(key));
  return value ? value->string() : String();
}

}  // namespace

Ref<fd::URL> documentsURL(const ui::Application&) { return lastURL(fd::DocumentDirectory); }
Ref<fd::URL> cachesURL(const ui::Application&) { return lastURL(fd::CachesDirectory); }
Ref<fd::URL> libraryURL(const ui::Application&) { return lastURL(fd::LibraryDirectory); }
String documentsPath(const ui::Application&) { return firstPath(fd::DocumentDirectory); }
String cachesPath(const ui::Application&) { return firstPath(fd::CachesDirectory); }
String libraryPath(const ui::Application&) { return firstPath(fd::LibraryDirectory); }

String appBundleName(const ui::Application&) { return infoString("CFBundleName"); }
String appBundleID(const ui::Application&) { return infoString("CFBundleIdentifier"); }
String appVersion(const ui::Application&) { return infoString("CFBundleShortVersionString"); }
String appBuildVersion(const ui::Application&) { return infoString("CFBundleVersion"); }

int64_t memoryUsage(const ui::Application&) {
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  if (!(statm >> size >> resident)) return -1;
  return static_cast<int64_t>(resident) * sysconf(_SC_PAGESIZE);
}

float cpuUsage(const ui::Application&) {
  // Per thread: (user + system ticks, sampled at) of the previous call.
  static std::mutex lock;
  static auto* previous = new std::unordered_map<long, std::pair<long long, double>>;
  const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
  std::ifstream uptimeFile("/proc/uptime");
  double now = 0;
  if (!(uptimeFile >> now)) return -1.0f;
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return -1.0f;
  std::lock_guard guard(lock);
  std::unordered_map<long, std::pair<long long, double>> current;
  double total = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    long tid = std::strtol(entry->d_name, nullptr, 10);
    std::ifstream stat(std::string("/proc/self/task/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;  // the thread ended meanwhile
    // Fields after the parenthesised name: state is field 3, utime 14, stime 15, start 22.
    auto close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0, start = 0;
    for (int i = 3; rest >> field; ++i) {
      if (i == 14) utime = std::stoll(field);
      if (i == 15) stime = std::stoll(field);
      if (i == 22) {
        start = std::stoll(field);
        break;
      }
    }
    long long used = utime + stime;
    current[tid] = {used, now};
    auto it = previous->find(tid);
    double since = it != previous->end() ? it->second.second : static_cast<double>(start) / ticksPerSecond;
    long long before = it != previous->end() ? it->second.first : 0;
    double elapsed = now - since;
    if (elapsed > 0) total += static_cast<double>(used - before) / ticksPerSecond / elapsed;
  }
  closedir(dir);
  *previous = std::move(current);
  return static_cast<float>(total);
}

// --- network activity -------------------------------------------------------------------------

namespace {

class NetworkIndicatorInfo : public rt::Object {
  RT_CLASS_NAMED(NetworkIndicatorInfo, rt::Object, "_DRUIApplicationNetworkIndicatorInfo")
 public:
  int64_t count = 0;
  Ref<fd::Timer> timer;
};

}  // namespace

RT_IMPLEMENT(NetworkIndicatorInfo) {}

namespace {

const void* const kInfoKey = &kInfoKey;

Ref<NetworkIndicatorInfo> infoOf(const ui::Application& app) {
  return rt::as<NetworkIndicatorInfo>(app.associatedObject(kInfoKey));
}

void changeCount(ui::Application& app, int delta) {
  auto step = [keep = std::static_pointer_cast<ui::Application>(app.self()), delta] {
    auto info = infoOf(*keep);
    if (!info) {
      info = rt::make<NetworkIndicatorInfo>();
      keep->willChangeValueForKey("networkActivityInfo");
      keep->setAssociatedObject(kInfoKey, info, rt::AssociationPolicy::RetainNonatomic);
      keep->didChangeValueForKey("networkActivityInfo");
    }
    // Clamped at 0: an extra decrement must not hide the indicator of the next operation.
    info->count = std::max<int64_t>(0, info->count + delta);
    if (info->timer) info->timer->invalidate();
    bool visible = info->count > 0;
    rt::Weak<ui::Application> weak = keep;
    info->timer = fd::Timer::timerWithTimeInterval(1.0 / 30, false, [weak, visible](fd::Timer&) {
      if (auto a = weak.lock(); a && a->isNetworkActivityIndicatorVisible() != visible)
        a->setNetworkActivityIndicatorVisible(visible);
    });
    fd::RunLoop::mainRunLoop()->addTimer(info->timer, fd::NSRunLoopCommonModes);
  };
  if (dispatch::isMainThread()) step();
  else dispatch::mainQueue()->async(step);
}

}  // namespace

void incrementNetworkActivityCount(ui::Application& app) { changeCount(app, +1); }
void decrementNetworkActivityCount(ui::Application& app) { changeCount(app, -1); }

int64_t networkActivityCount(const ui::Application& app) {
  auto info = infoOf(app);
  return info ? info->count : 0;
}

bool isAppExtension() {
  static const bool extension = fd::Bundle::mainBundle()->bundlePath().hasSuffix(".appex");
  return extension;
}

Ref<ui::Application> sharedExtensionApplication() {
  return isAppExtension() ? nullptr : ui::Application::sharedApplication();
}

}  // namespace base
