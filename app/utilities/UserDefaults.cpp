#include "app/utilities/UserDefaults.h"

#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/text/StringObject.h"

namespace app {

bool UserDefaults::hasObject(const fd::String& key) { return userDefaultsRead(key) != nullptr; }

fd::Id UserDefaults::userDefaultsRead(const fd::String& key) {
  if (key.isEmpty()) return nullptr;
  return fd::UserDefaults::standardUserDefaults()->objectForKey(key);
}

std::optional<fd::String> UserDefaults::stringRead(const fd::String& key) {
  if (auto s = rt::as<fd::StringObject>(userDefaultsRead(key))) return s->string();
  return std::nullopt;
}

void UserDefaults::userDefaultsWrite(const fd::Id& value, const fd::String& key) {
  if (key.isEmpty()) return;
  auto defaults = fd::UserDefaults::standardUserDefaults();
  defaults->setObject(value, key);
  defaults->synchronize();
}

void UserDefaults::userDefaultsRemove(const fd::String& key) {
  if (key.isEmpty()) return;
  auto defaults = fd::UserDefaults::standardUserDefaults();
  defaults->removeObjectForKey(key);
  defaults->synchronize();
}

void UserDefaults::removeAllObjects() {
  fd::UserDefaults::resetStandardUserDefaults();
  fd::UserDefaults::standardUserDefaults()->synchronize();
}

}  // namespace app
