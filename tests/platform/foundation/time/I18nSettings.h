#pragma once
// Fixes the device zone, current locale and preferred languages for one test and restores
// the environment's afterwards.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/foundation/time/Locale.h"
#include "platform/foundation/time/TimeZone.h"

namespace fd::testing {

class ScopedI18nSettings {
 public:
  ScopedI18nSettings(const char* zone, const char* locale, std::vector<String> languages = {}) {
    TimeZone::setDefaultTimeZone(TimeZone::timeZoneWithName(zone));
    Locale::setCurrentLocale(Locale::localeWithLocaleIdentifier(locale));
    Locale::setPreferredLanguages(std::move(languages));
  }
  ~ScopedI18nSettings() {
    TimeZone::setDefaultTimeZone(nullptr);
    Locale::setCurrentLocale(nullptr);
    Locale::setPreferredLanguages({});
  }
  ScopedI18nSettings(const ScopedI18nSettings&) = delete;
  ScopedI18nSettings& operator=(const ScopedI18nSettings&) = delete;
};

/// Sets an environment variable for one scope and restores its previous value.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

}  // namespace fd::testing
