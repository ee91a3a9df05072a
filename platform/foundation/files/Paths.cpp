#include "platform/foundation/files/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/foundation/files/ProcessInfo.h"

namespace fd {

namespace {
std::optional<String> env(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return String(v);
}

String withoutTrailingSlash(String s) {
  while (s.length() > 1 && s.hasSuffix("/")) s = s.substringToIndex(s.length() - 1);
  return s;
}

// An XDG base folder: the variable when set (and absolute), else `fallback` under home.
String xdgBase(const char* variable, const char* fallback) {
  if (!env("KD_HOME_OVERRIDE")) {
    if (auto v = env(variable); v && v->isAbsolutePath()) return withoutTrailingSlash(*v);
  }
  return NSHomeDirectory().stringByAppendingPathComponent(fallback);
}
}  // namespace

String applicationName() {
  if (auto v = env("KD_APP_NAME")) return *v;
  String name = ProcessInfo::processInfo()->processName();
  return name.isEmpty() ? String("app") : name;
}

String NSHomeDirectory() {
  if (auto v = env("KD_HOME_OVERRIDE")) return withoutTrailingSlash(*v);
  if (auto v = env("HOME")) return withoutTrailingSlash(*v);
  if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return String(pw->pw_dir);
  return "/";
}

String NSTemporaryDirectory() {
  String dir;
  if (env("KD_HOME_OVERRIDE")) dir = NSHomeDirectory().stringByAppendingPathComponent("tmp");
  else if (auto v = env("TMPDIR")) dir = withoutTrailingSlash(*v);
  else dir = "/tmp";
  return dir + "/";
}

String cachesDirectory() { return xdgBase("XDG_CACHE_HOME", ".cache").stringByAppendingPathComponent(applicationName()); }

String applicationSupportDirectory() {
  return xdgBase("XDG_DATA_HOME", ".local/share").stringByAppendingPathComponent(applicationName());
}

String documentsDirectory() { return applicationSupportDirectory().stringByAppendingPathComponent("Documents"); }
String libraryDirectory() { return applicationSupportDirectory().stringByAppendingPathComponent("Library"); }

String configurationDirectory() {
  return xdgBase("XDG_CONFIG_HOME", ".config").stringByAppendingPathComponent(applicationName());
}

std::vector<String> NSSearchPathForDirectoriesInDomains(SearchPathDirectory directory, uint64_t domainMask, bool) {
  if (!(domainMask & UserDomainMask)) return {};
  switch (directory) {
    case CachesDirectory: return {cachesDirectory()};
    case DocumentDirectory: return {documentsDirectory()};
    case LibraryDirectory: return {libraryDirectory()};
    case ApplicationSupportDirectory: return {applicationSupportDirectory()};
    case UserDirectory: return {NSHomeDirectory().stringByDeletingLastPathComponent()};
    case ApplicationDirectory: return {NSHomeDirectory().stringByAppendingPathComponent("Applications")};
    case DocumentationDirectory: return {libraryDirectory().stringByAppendingPathComponent("Documentation")};
  }
  return {};
}

}  // namespace fd
