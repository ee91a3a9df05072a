#pragma once
// Locales, and the process-wide current locale and preferred languages. Both settings come
// from the environment (LC_ALL, LANG, LANGUAGE) and can be replaced, e.g. by tests, so that
// formatters and calendars made with defaults give the same results everywhere.
#include <vector>

#include <unicode/locid.h>

#include "platform/foundation/Types.h"

namespace fd {

class Locale : public Object {
  RT_CLASS_NAMED(Locale, Object, "NSLocale")

 public:
  /// Any identifier is accepted, as the platform does; it is kept in canonical form.
  void init(const String& identifier);
  static Ref<Locale> localeWithLocaleIdentifier(const String& identifier);

  /// The current locale: the one set, else the environment's ("en_US_POSIX" for C/POSIX/unset).
  static Ref<Locale> currentLocale();
  /// Replaces the current locale; null goes back to the environment's.
  static void setCurrentLocale(Ref<Locale> locale);
  /// Language identifiers in order of preference ("zh-CN", "en-US"...), never empty.
  static std::vector<String> preferredLanguages();
  /// Replaces the preferred languages; an empty list goes back to the environment's.
  static void setPreferredLanguages(std::vector<String> languages);

  /// "en-US" -> "en_US", "zh-hans-cn" -> "zh-Hans_CN", "EN_us_posix" -> "en_US_POSIX".
  static String canonicalLocaleIdentifierFromString(const String& string);
  /// "en_US" -> "en-US", "zh_Hans_CN" -> "zh-Hans-CN".
  static String canonicalLanguageIdentifierFromString(const String& string);
  /// A POSIX locale name from the environment ("zh_CN.UTF-8", "C") as a locale identifier.
  static String identifierFromPOSIXName(const String& name);

  const String& localeIdentifier() const { return identifier_; }
  String languageCode() const;
  /// The region ("US"), "" when the identifier has none.
  String countryCode() const;
  /// The script ("Hans"), "" when the identifier has none.
  String scriptCode() const;
  bool isPOSIX() const;
  const icu::Locale& icuLocale() const { return icu_; }

  String description() const override;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return identifier_.hash(); }
  Id copy() const override { return std::const_pointer_cast<Object>(self()); }

 private:
  String identifier_;
  icu::Locale icu_;
};

}  // namespace fd
