#include "platform/foundation/files/ProcessInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/Processors.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/UUID.h"

extern char** environ;

namespace fd {

RT_IMPLEMENT_PLATFORM(ProcessInfo) {
  c.property("processName", &ProcessInfo::processName);
  c.property("processIdentifier", &ProcessInfo::processIdentifier);
  c.property("activeProcessorCount", &ProcessInfo::activeProcessorCount);
  c.property("physicalMemory", &ProcessInfo::physicalMemory);
  c.property("systemUptime", &ProcessInfo::systemUptime);
  c.property("operatingSystemVersionString", &ProcessInfo::operatingSystemVersionString);
}

namespace {

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

void ProcessInfo::init() {
  std::vector<Id> args;
  std::string cmdline = readFile("/proc/self/cmdline");
  for (size_t start = 0; start < cmdline.size();) {
    size_t end = cmdline.find('\0', start);
    if (end == std::string::npos) end = cmdline.size();
    args.push_back(box(String(std::string_view(cmdline).substr(start, end - start))));
    start = end + 1;
  }
  arguments_ = Array::create(std::move(args));

  std::string comm = readFile("/proc/self/comm");
  while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0')) comm.pop_back();
  if (arguments_->count()) {
    String first = stringValue(arguments_->objectAtIndex(0)).value_or(String());
    processName_ = first.lastPathComponent();
  }
  if (processName_.isEmpty()) processName_ = String(comm);

  utsname u{};
  if (uname(&u) == 0) {
    long long v[3] = {0, 0, 0};
    std::sscanf(u.release, "%lld.%lld.%lld", &v[0], &v[1], &v[2]);
    version_ = OperatingSystemVersion{v[0], v[1], v[2]};
    versionString_ = String::format("Version %lld.%lld.%lld (%s %s)", v[0], v[1], v[2], u.sysname, u.release);
  }
  if (version_.majorVersion == 0) version_.majorVersion = 1;
}

const Ref<ProcessInfo>& ProcessInfo::processInfo() {
  static const Ref<ProcessInfo> shared = rt::make<ProcessInfo>();
  return shared;
}

uint64_t ProcessInfo::activeProcessorCount() const { return static_cast<uint64_t>(dispatch::activeProcessorCount()); }

uint64_t ProcessInfo::processorCount() const {
  long n = sysconf(_SC_NPROCESSORS_CONF);
  return n > 0 ? static_cast<uint64_t>(n) : 1;
}

uint64_t ProcessInfo::physicalMemory() const {
  long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(size) : 0;
}

double ProcessInfo::systemUptime() const { return dispatch::uptime(); }

int ProcessInfo::processIdentifier() const { return static_cast<int>(getpid()); }

Ref<Dictionary> ProcessInfo::environment() const {
  auto env = MutableDictionary::create();
  for (char** e = environ; e && *e; ++e) {
    std::string_view entry(*e);
    size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    env->setObjectForKey(box(String(entry.substr(eq + 1))), String(entry.substr(0, eq)));
  }
  return rt::as<Dictionary>(env->copy());
}

bool ProcessInfo::isOperatingSystemAtLeastVersion(const OperatingSystemVersion& v) const {
  if (version_.majorVersion != v.majorVersion) return version_.majorVersion > v.majorVersion;
  if (version_.minorVersion != v.minorVersion) return version_.minorVersion > v.minorVersion;
  return version_.patchVersion >= v.patchVersion;
}

String ProcessInfo::hostName() const {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return "localhost";
  return String(buf);
}

String ProcessInfo::globallyUniqueString() const {
  static std::atomic<uint64_t> counter{0};
  return String::format("%@-%d-%016llX", UUID::create()->UUIDString(), processIdentifier(),
                        static_cast<unsigned long long>(++counter));
}

}  // namespace fd
