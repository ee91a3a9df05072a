#pragma once
// Bundles: a folder of resources with an information dictionary and per-language string
// tables ("<lang>.lproj/<table>.strings"). The main bundle's folder is the one named by
// KD_BUNDLE_PATH, else "<executable's folder>/resources" when it exists, else the installed
// "<prefix>/share/kestrel-district/resources" beside "<prefix>/bin", else the "resources" at
// the top of the build folder (or source tree) the executable lies in.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringsFile.h"
#include "platform/foundation/Types.h"
#include "platform/foundation/net/URL.h"

namespace fd {

class Bundle : public Object {
  RT_CLASS_NAMED(Bundle, Object, "NSBundle")

 public:
  /// False when `path` is not a folder.
  bool init(const String& path);
  static Ref<Bundle> bundleWithPath(const String& path);
  static Ref<Bundle> bundleWithURL(const Ref<URL>& url);
  static Ref<Bundle> mainBundle();
  /// Replaces the main bundle (tests); null finds it again from the environment.
  static void setMainBundle(Ref<Bundle> bundle);
  /// Where the main bundle is, by the rules above.
  static String mainBundlePathFromEnvironment();
  /// Every class of this system lives in the main bundle.
  static Ref<Bundle> bundleForClass(const Class* cls);

  const String& bundlePath() const { return path_; }
  /// Resources sit at the top of the bundle's folder.
  const String& resourcePath() const { return path_; }
  Ref<URL> bundleURL() const;
  Ref<URL> resourceURL() const { return bundleURL(); }

  /// "<name>.<type>" (just `name` when the type is empty) in the bundle, then in the lproj
  /// folders of the preferred localizations, then in Base.lproj; folders count as resources.
  /// An empty name takes the first resource of the type. Nullopt when none is found.
  std::optional<String> pathForResource(const String& name, const String& type) const;
  std::optional<String> pathForResource(const String& name, const String& type, const String& directory) const;
  /// Every resource of the type (every file when empty) in `directory` ("" for the top),
  /// sorted, followed by the localized ones.
  std::vector<String> pathsForResourcesOfType(const String& type, const String& directory = String()) const;
  Ref<URL> URLForResource(const String& name, const String& extension) const;
  Ref<URL> URLForResource(const String& name, const String& extension, const String& subdirectory) const;

  /// Info.plist of the bundle over built-in values: CFBundleExecutable and CFBundleName (the
  /// executable's name), CFBundleIdentifier, CFBundleShortVersionString "1.0", CFBundleVersion "1".
  Ref<Dictionary> infoDictionary() const;
  Id objectForInfoDictionaryKey(const String& key) const;
  String bundleIdentifier() const;

  /// Names of the lproj folders ("en", "zh-Hans"), "Base" excluded, sorted.
  std::vector<String> localizations() const;
  /// The localizations that best serve the preferred languages, best first; the development
  /// localization ("en") when none does.
  std::vector<String> preferredLocalizations() const;
  String developmentLocalization() const;

  /// The value of `key` in "<table>.strings" ("Localizable" when the table is empty) of the
  /// preferred localizations, then "en", then "Base"; else `value` when not empty, else `key`.
  String localizedStringForKey(const String& key, const String& value, const String& table) const;

  String description() const override;

 private:
  std::shared_ptr<const StringsTable> stringsTable(const String& localization, const String& table) const;
  std::vector<String> searchFolders(const String& directory) const;

  String path_;
  mutable std::mutex mutex_;
  mutable Ref<Dictionary> info_;
  mutable std::map<String, std::shared_ptr<const StringsTable>> tables_;
  mutable std::optional<std::vector<String>> localizations_;  // the folder is read once
};

/// The main bundle's localized string for `key` (the key itself when none).
String localizedString(const String& key, const String& table = String());

}  // namespace fd
