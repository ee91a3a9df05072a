#pragma once
// User defaults: a persistent dictionary of property-list values over a registration domain
// that is never stored. The standard store lives in a binary property list at
// <configuration directory>/defaults.plist (see Paths.h), or at $KD_DEFAULTS_PATH when set.
// Every change is written through at once; `synchronize` writes again if an earlier write
// failed. Thread-safe.
#include <mutex>
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {

class Array;
class Data;
class Dictionary;
class MutableDictionary;
class URL;

class UserDefaults : public Object {
  RT_CLASS_NAMED(UserDefaults, Object, "NSUserDefaults")
 public:
  void init() {}
  /// A store kept in the property-list file at `path` (loaded now when it exists).
  void init(String path);
  static Ref<UserDefaults> create(const String& path);

  static Ref<UserDefaults> standardUserDefaults();
  /// Drops the shared store's in-memory state; the next `standardUserDefaults` reads the file
  /// again (what was stored stays stored).
  static void resetStandardUserDefaults();
  /// Where the standard store is kept.
  static String standardDefaultsPath();

  /// The stored value, else the registered one, else null.
  Id objectForKey(const String& key) const;
  /// Stores a copy of `value`; null removes. Raises for values a property list cannot hold.
  void setObject(const Id& value, const String& key);
  void removeObjectForKey(const String& key);

  /// Strings as they are, numbers as their text; nullopt for anything else.
  std::optional<String> stringForKey(const String& key) const;
  Ref<Array> arrayForKey(const String& key) const;
  Ref<Dictionary> dictionaryForKey(const String& key) const;
  Ref<Data> dataForKey(const String& key) const;
  /// An array holding only strings, else null.
  Ref<Array> stringArrayForKey(const String& key) const;
  /// Numbers, and strings read as numbers ("YES", "1"... for booleans); 0 / false otherwise.
  int64_t integerForKey(const String& key) const;
  bool boolForKey(const String& key) const;
  double doubleForKey(const String& key) const;
  float floatForKey(const String& key) const { return static_cast<float>(doubleForKey(key)); }
  void setInteger(int64_t value, const String& key);
  void setBool(bool value, const String& key);
  void setDouble(double value, const String& key);
  void setFloat(float value, const String& key);

  /// Adds to the registration domain (values used when nothing is stored; never persisted).
  void registerDefaults(const Ref<Dictionary>& defaults);
  /// Registered values overlaid with the stored ones.
  Ref<Dictionary> dictionaryRepresentation() const;
  /// Writes any change not yet on disk; false when the file cannot be written.
  bool synchronize();
  const String& path() const { return path_; }

 private:
  bool save();  // mutex_ held
  String path_;
  mutable std::mutex mutex_;
  Ref<MutableDictionary> stored_;
  Ref<MutableDictionary> registered_;
  bool dirty_ = false;
};

}  // namespace fd
