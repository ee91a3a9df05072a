#include "platform/foundation/time/Locale.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include <unicode/uloc.h>

namespace fd {

RT_IMPLEMENT_PLATFORM(Locale) {
  c.property("localeIdentifier", &Locale::localeIdentifier);
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

namespace {

struct LocaleSettings {
  std::mutex mutex;
  Ref<Locale> current;
  std::vector<String> preferred;
};

LocaleSettings& settings() {
  static LocaleSettings s;
  return s;
}

std::string envValue(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The locale the environment names for messages and formats.
std::string environmentPOSIXName() {
  for (const char* name : {"LC_ALL", "LANG"}) {
    std::string v = envValue(name);
    if (!v.empty()) return v;
  }
  return {};
}

struct Parts {
  std::string language, script, country, variant, keywords;
};

Parts partsOf(const std::string& text) {
  UErrorCode status = U_ZERO_ERROR;
  char buffer[ULOC_FULLNAME_CAPACITY] = {};
  bool tagForm = text.find('-') != std::string::npos && text.find('_') == std::string::npos;
  if (tagForm) {
    int32_t parsed = 0;
    uloc_forLanguageTag(text.c_str(), buffer, sizeof buffer, &parsed, &status);
    if (U_FAILURE(status) || parsed <= 0) {
      status = U_ZERO_ERROR;
      std::string underscored = text;
      for (char& ch : underscored) {
        if (ch == '-') ch = '_';
      }
      uloc_canonicalize(underscored.c_str(), buffer, sizeof buffer, &status);
    }
  } else {
    uloc_canonicalize(text.c_str(), buffer, sizeof buffer, &status);
  }
  if (U_FAILURE(status)) return {};
  Parts p;
  auto field = [&](int32_t (*get)(const char*, char*, int32_t, UErrorCode*)) {
    char out[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode st = U_ZERO_ERROR;
    get(buffer, out, sizeof out, &st);
    return U_SUCCESS(st) ? std::string(out) : std::string();
  };
  p.language = field(uloc_getLanguage);
  p.script = field(uloc_getScript);
  p.country = field(uloc_getCountry);
  p.variant = field(uloc_getVariant);
  if (const char* at = std::strchr(buffer, '@')) p.keywords = at;
  return p;
}

}  // namespace

void Locale::init(const String& identifier) {
  identifier_ = canonicalLocaleIdentifierFromString(identifier);
  std::string icuName = identifier_.utf8();
  for (char& ch : icuName) {
    if (ch == '-') ch = '_';
  }
  icu_ = icu::Locale::createCanonical(icuName.c_str());
}

Ref<Locale> Locale::localeWithLocaleIdentifier(const String& identifier) { return rt::make<Locale>(identifier); }

String Locale::identifierFromPOSIXName(const String& name) {
  std::string s = name.utf8();
  if (auto dot = s.find('.'); dot != std::string::npos) s.erase(dot);
  if (auto at = s.find('@'); at != std::string::npos) s.erase(at);
  if (s.empty() || s == "C" || s == "POSIX") return "en_US_POSIX";
  return canonicalLocaleIdentifierFromString(String(s));
}

Ref<Locale> Locale::currentLocale() {
  auto& s = settings();
  std::lock_guard lock(s.mutex);
  if (!s.current) s.current = localeWithLocaleIdentifier(identifierFromPOSIXName(String(environmentPOSIXName())));
  return s.current;
}

void Locale::setCurrentLocale(Ref<Locale> locale) {
  auto& s = settings();
  std::lock_guard lock(s.mutex);
  s.current = std::move(locale);
}

std::vector<String> Locale::preferredLanguages() {
  auto& s = settings();
  std::lock_guard lock(s.mutex);
  if (!s.preferred.empty()) return s.preferred;
  std::vector<String> out;
  auto add = [&](const std::string& posixName) {
    String id = identifierFromPOSIXName(String(posixName));
    String tag = id == "en_US_POSIX" ? String("en-US") : canonicalLanguageIdentifierFromString(id);
    if (tag.isEmpty()) return;
    for (const auto& existing : out) {
      if (existing == tag) return;
    }
    out.push_back(tag);
  };
  std::string list = envValue("LANGUAGE");
  size_t start = 0;
  while (start < list.size()) {
    size_t colon = list.find(':', start);
    if (colon == std::string::npos) colon = list.size();
    if (colon > start) add(list.substr(start, colon - start));
    start = colon + 1;
  }
  if (out.empty()) add(environmentPOSIXName());
  if (out.empty()) out.push_back("en-US");
  return out;
}

void Locale::setPreferredLanguages(std::vector<String> languages) {
  auto& s = settings();
  std::lock_guard lock(s.mutex);
  s.preferred = std::move(languages);
}

String Locale::canonicalLocaleIdentifierFromString(const String& string) {
  Parts p = partsOf(string.utf8());
  std::string out = p.language;
  if (!p.script.empty()) out += "-" + p.script;
  if (!p.country.empty()) out += "_" + p.country;
  if (!p.variant.empty()) out += (p.country.empty() ? "__" : "_") + p.variant;
  out += p.keywords;
  return String(out);
}

String Locale::canonicalLanguageIdentifierFromString(const String& string) {
  Parts p = partsOf(string.utf8());
  std::string out = p.language;
  if (!p.script.empty()) out += "-" + p.script;
  if (!p.country.empty()) out += "-" + p.country;
  if (!p.variant.empty()) out += "-" + p.variant;
  return String(out);
}

String Locale::languageCode() const { return String(icu_.getLanguage()); }
String Locale::countryCode() const { return String(icu_.getCountry()); }
String Locale::scriptCode() const { return String(icu_.getScript()); }
bool Locale::isPOSIX() const { return identifier_ == "en_US_POSIX"; }

String Locale::description() const {
  return String::format("<%@: %p> %@", className(), static_cast<const void*>(this), identifier_);
}

bool Locale::isEqual(const Object* other) const {
  auto* o = dynamic_cast<const Locale*>(other);
  return o && o->identifier_ == identifier_;
}

}  // namespace fd
