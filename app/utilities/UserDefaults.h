#pragma once
// Every read and write of the application's user defaults goes through here (standard store).
#include <optional>

#include "platform/foundation/Types.h"

namespace app {

class UserDefaults {
 public:
  UserDefaults() = delete;

  static bool hasObject(const fd::String& key);
  /// The stored object; null when the key is empty or nothing is stored.
  static fd::Id userDefaultsRead(const fd::String& key);
  /// The stored string, when a string is stored under the key.
  static std::optional<fd::String> stringRead(const fd::String& key);
  /// Stores and synchronizes; an empty key stores nothing.
  static void userDefaultsWrite(const fd::Id& value, const fd::String& key);
  static void userDefaultsRemove(const fd::String& key);
  /// Drops the in-memory state of the standard store; what was stored stays stored.
  static void removeAllObjects();
};

}  // namespace app
