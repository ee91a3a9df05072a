#include "platform/foundation/files/Bundle.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/foundation/time/Locale.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Bundle) {
  c.property("bundlePath", &Bundle::bundlePath);
  c.property("resourcePath", &Bundle::resourcePath);
}

namespace fs = std::filesystem;

namespace {

struct MainBundleSlot {
  std::mutex mutex;
  Ref<Bundle> bundle;
};

MainBundleSlot& mainSlot() {
  static MainBundleSlot s;
  return s;
}

fs::path executablePath() {
  std::error_code ec;
  auto p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : p;
}

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool pathExists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

fs::path fsPath(const String& s) { return fs::path(s.utf8()); }
String fromPath(const fs::path& p) { return String(p.string()); }

std::optional<std::string> readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

String fileName(const String& name, const String& type) {
  if (type.isEmpty()) return name;
  return name + "." + (type.hasPrefix(".") ? type.substring(1) : type);
}

// Folder names a language may be found under, most specific first:
// "zh-Hans-CN" -> "zh-Hans-CN", "zh_Hans_CN", "zh-Hans", "zh".
std::vector<String> candidatesFor(const String& language) {
  std::vector<String> out;
  auto add = [&](const String& s) {
    if (!s.isEmpty() && std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
  };
  add(language);
  add(language.stringByReplacingOccurrencesOfString("-", "_"));
  auto loc = Locale::localeWithLocaleIdentifier(language);
  String lang = loc->languageCode();
  String script = loc->scriptCode();
  String region = loc->countryCode();
  if (script.isEmpty() && lang == "zh") {
    script = (region == "TW" || region == "HK" || region == "MO") ? "Hant" : "Hans";
  }
  if (!region.isEmpty()) add(lang + "-" + region), add(lang + "_" + region);
  if (!script.isEmpty()) add(lang + "-" + script);
  add(lang);
  return out;
}

Ref<Dictionary> readInfoPropertyList(const String& path) {
  return pathExists(fsPath(path)) ? dictionaryWithContentsOfFile(path) : nullptr;
}

}  // namespace

bool Bundle::init(const String& path) {
  if (path.isEmpty() || !isDirectory(fsPath(path))) return false;
  std::error_code ec;
  auto absolute = fs::absolute(fsPath(path), ec);
  path_ = ec ? path : fromPath(absolute.lexically_normal());
  if (path_.length() > 1 && path_.hasSuffix("/")) path_ = path_.substring(0, path_.length() - 1);
  return true;
}

Ref<Bundle> Bundle::bundleWithPath(const String& path) { return rt::make<Bundle>(path); }

Ref<Bundle> Bundle::bundleWithURL(const Ref<URL>& url) {
  if (!url || !url->isFileURL()) return nullptr;
  return bundleWithPath(url->path());
}

String Bundle::mainBundlePathFromEnvironment() {
  if (const char* env = std::getenv("KD_BUNDLE_PATH"); env && *env) return String(env);
  fs::path exe = executablePath();
  if (!exe.empty()) {
    fs::path dir = exe.parent_path();
    if (isDirectory(dir / "resources")) return fromPath(dir / "resources");
    // Installed: "<prefix>/bin/program" reads "<prefix>/share/kestrel-district/resources".
    fs::path installed = dir.parent_path() / "share" / "kestrel-district" / "resources";
    if (isDirectory(installed)) return fromPath(installed.lexically_normal());
    // Built: the build folder's top holds "resources" (pointing at the source tree's), wherever
    // the build folder is; a program inside the source tree also finds the tree's own.
    for (fs::path p = dir; !p.empty() && p != p.parent_path(); p = p.parent_path()) {
      const bool buildTop = pathExists(p / "CMakeCache.txt");
      const bool sourceTop = pathExists(p / "CMakeLists.txt") && isDirectory(p / "platform");
      if ((buildTop || sourceTop) && isDirectory(p / "resources")) return fromPath(p / "resources");
    }
    return fromPath(dir);
  }
  std::error_code ec;
  return fromPath(fs::current_path(ec));
}

Ref<Bundle> Bundle::mainBundle() {
  auto& slot = mainSlot();
  std::lock_guard lock(slot.mutex);
  if (!slot.bundle) {
    slot.bundle = bundleWithPath(mainBundlePathFromEnvironment());
    // A folder that vanished still gives a usable (empty) bundle rather than none.
    if (!slot.bundle) {
      slot.bundle = std::make_shared<Bundle>();
      slot.bundle->path_ = mainBundlePathFromEnvironment();
    }
  }
  return slot.bundle;
}

void Bundle::setMainBundle(Ref<Bundle> bundle) {
  auto& slot = mainSlot();
  std::lock_guard lock(slot.mutex);
  slot.bundle = std::move(bundle);
}

Ref<Bundle> Bundle::bundleForClass(const Class*) { return mainBundle(); }

Ref<URL> Bundle::bundleURL() const { return URL::fileURLWithPath(path_, true); }

std::vector<String> Bundle::searchFolders(const String& directory) const {
  std::vector<String> out;
  auto add = [&](const String& folder) {
    String p = directory.isEmpty() ? folder : folder.stringByAppendingPathComponent(directory);
    out.push_back(p);
  };
  add(path_);
  for (const auto& l : preferredLocalizations()) add(path_.stringByAppendingPathComponent(l + ".lproj"));
  add(path_.stringByAppendingPathComponent("Base.lproj"));
  return out;
}

std::optional<String> Bundle::pathForResource(const String& name, const String& type) const {
  return pathForResource(name, type, String());
}

std::optional<String> Bundle::pathForResource(const String& name, const String& type, const String& directory) const {
  if (name.isEmpty()) {
    if (type.isEmpty()) return std::nullopt;
    auto all = pathsForResourcesOfType(type, directory);
    if (all.empty()) return std::nullopt;
    return all.front();
  }
  String file = fileName(name, type);
  for (const auto& folder : searchFolders(directory)) {
    String candidate = folder.stringByAppendingPathComponent(file);
    if (pathExists(fsPath(candidate))) return candidate;
  }
  return std::nullopt;
}

std::vector<String> Bundle::pathsForResourcesOfType(const String& type, const String& directory) const {
  std::string ext = type.hasPrefix(".") ? type.substring(1).utf8() : type.utf8();
  std::vector<String> out;
  for (const auto& folder : searchFolders(directory)) {
    std::vector<String> found;
    std::error_code ec;
    for (fs::directory_iterator it(fsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      if (name.empty() || name[0] == '.') continue;
      if (!ext.empty()) {
        if (name.size() <= ext.size() + 1 || name.compare(name.size() - ext.size(), ext.size(), ext) != 0 ||
            name[name.size() - ext.size() - 1] != '.') {
          continue;
        }
      } else if (it->path().extension() == ".lproj") {
        continue;
      }
      found.push_back(fromPath(it->path()));
    }
    std::sort(found.begin(), found.end());
    out.insert(out.end(), found.begin(), found.end());
  }
  return out;
}

Ref<URL> Bundle::URLForResource(const String& name, const String& extension) const {
  return URLForResource(name, extension, String());
}

Ref<URL> Bundle::URLForResource(const String& name, const String& extension, const String& subdirectory) const {
  auto p = pathForResource(name, extension, subdirectory);
  return p ? URL::fileURLWithPath(*p, isDirectory(fsPath(*p))) : nullptr;
}

Ref<Dictionary> Bundle::infoDictionary() const {
  std::lock_guard lock(mutex_);
  if (info_) return info_;
  String executable = String(executablePath().filename().string());
  if (executable.isEmpty()) executable = "app";
  auto info = MutableDictionary::create();
  info->setObjectForKey(box(executable), "CFBundleExecutable");
  info->setObjectForKey(box(executable), "CFBundleName");
  info->setObjectForKey(box("com.kestrum." + executable), "CFBundleIdentifier");
  info->setObjectForKey(box("1.0"), "CFBundleShortVersionString");
  info->setObjectForKey(box("1"), "CFBundleVersion");
  if (auto own = readInfoPropertyList(path_.stringByAppendingPathComponent("Info.plist"))) {
    info->addEntriesFromDictionary(*own);
  }
  info_ = rt::as<Dictionary>(info->copy());
  return info_;
}

Id Bundle::objectForInfoDictionaryKey(const String& key) const { return infoDictionary()->objectForKey(key); }

String Bundle::bundleIdentifier() const {
  auto id = stringValue(objectForInfoDictionaryKey("CFBundleIdentifier"));
  return id ? *id : String();
}

std::vector<String> Bundle::localizations() const {
  {
    std::lock_guard lock(mutex_);
    if (localizations_) return *localizations_;
  }
  std::vector<String> out;
  std::error_code ec;
  for (fs::directory_iterator it(fsPath(path_), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != ".lproj") continue;
    String name = fromPath(it->path().stem());
    if (name != "Base" && isDirectory(it->path())) out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  std::lock_guard lock(mutex_);
  localizations_ = out;
  return out;
}

String Bundle::developmentLocalization() const {
  auto region = stringValue(objectForInfoDictionaryKey("CFBundleDevelopmentRegion"));
  return region && !region->isEmpty() ? *region : String("en");
}

std::vector<String> Bundle::preferredLocalizations() const {
  auto available = localizations();
  std::vector<String> out;
  for (const auto& language : Locale::preferredLanguages()) {
    for (const auto& candidate : candidatesFor(language)) {
      if (std::find(available.begin(), available.end(), candidate) == available.end()) continue;
      if (std::find(out.begin(), out.end(), candidate) == out.end()) out.push_back(candidate);
      break;
    }
  }
  if (out.empty()) out.push_back(developmentLocalization());
  return out;
}

std::shared_ptr<const StringsTable> Bundle::stringsTable(const String& localization, const String& table) const {
  String path = path_.stringByAppendingPathComponent(localization + ".lproj").stringByAppendingPathComponent(table + ".strings");
  {
    std::lock_guard lock(mutex_);
    if (auto it = tables_.find(path); it != tables_.end()) return it->second;
  }
  std::shared_ptr<const StringsTable> parsed;
  if (auto bytes = readFile(fsPath(path))) {
    if (auto t = parseStringsFile(bytes->data(), bytes->size())) parsed = std::make_shared<const StringsTable>(std::move(*t));
  }
  std::lock_guard lock(mutex_);
  tables_.emplace(path, parsed);  // a missing or broken table is remembered as none
  return parsed;
}

String Bundle::localizedStringForKey(const String& key, const String& value, const String& table) const {
  String name = table.isEmpty() ? String("Localizable") : table;
  std::vector<String> order = preferredLocalizations();
  for (const char* fallback : {"en", "Base"}) {
    if (std::find(order.begin(), order.end(), String(fallback)) == order.end()) order.push_back(fallback);
  }
  for (const auto& localization : order) {
    auto t = stringsTable(localization, name);
    if (!t) continue;
    if (auto it = t->find(key); it != t->end()) return it->second;
  }
  return value.isEmpty() ? key : value;
}

String Bundle::description() const {
  return String::format("%@ <%@> (loaded)", className(), path_);
}

String localizedString(const String& key, const String& table) {
  return Bundle::mainBundle()->localizedStringForKey(key, String(), table);
}

}  // namespace fd
