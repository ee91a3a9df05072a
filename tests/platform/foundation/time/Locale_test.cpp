#include <gtest/gtest.h>

#include "platform/foundation/time/Locale.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedEnv;

TEST(LocaleTest, CanonicalIdentifiers) {
  struct Case {
    const char* in;
    const char* locale;
    const char* language;
  } cases[] = {
      {"en-US", "en_US", "en-US"},
      {"en_US", "en_US", "en-US"},
      {"EN_us", "en_US", "en-US"},
      {"zh-Hans-CN", "zh-Hans_CN", "zh-Hans-CN"},
      {"zh_Hans_CN", "zh-Hans_CN", "zh-Hans-CN"},
      {"zh_CN", "zh_CN", "zh-CN"},
      {"en_US_POSIX", "en_US_POSIX", "en-US-POSIX"},
      {"de", "de", "de"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Locale::canonicalLocaleIdentifierFromString(c.in), c.locale) << c.in;
    EXPECT_EQ(Locale::canonicalLanguageIdentifierFromString(c.in), c.language) << c.in;
  }
}

TEST(LocaleTest, Parts) {
  struct Case {
    const char* id;
    const char* language;
    const char* country;
    const char* script;
  } cases[] = {
      {"en_US", "en", "US", ""},
      {"en_US_POSIX", "en", "US", ""},
      {"zh_CN", "zh", "CN", ""},
      {"zh-Hant_TW", "zh", "TW", "Hant"},
      {"fr", "fr", "", ""},
  };
  for (const auto& c : cases) {
    auto l = Locale::localeWithLocaleIdentifier(c.id);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->localeIdentifier(), c.id);
    EXPECT_EQ(l->languageCode(), c.language) << c.id;
    EXPECT_EQ(l->countryCode(), c.country) << c.id;
    EXPECT_EQ(l->scriptCode(), c.script) << c.id;
  }
  EXPECT_TRUE(Locale::localeWithLocaleIdentifier("en_US_POSIX")->isPOSIX());
  EXPECT_FALSE(Locale::localeWithLocaleIdentifier("en_US")->isPOSIX());
  EXPECT_TRUE(Locale::localeWithLocaleIdentifier("en-US")->isEqual(Locale::localeWithLocaleIdentifier("en_US").get()));
}

TEST(LocaleTest, IdentifierFromPOSIXName) {
  struct Case {
    const char* posix;
    const char* id;
  } cases[] = {
      {"zh_CN.UTF-8", "zh_CN"}, {"de_DE@euro", "de_DE"}, {"en_GB.utf8", "en_GB"},
      {"C", "en_US_POSIX"},     {"POSIX", "en_US_POSIX"}, {"C.UTF-8", "en_US_POSIX"},
      {"", "en_US_POSIX"},
  };
  for (const auto& c : cases) EXPECT_EQ(Locale::identifierFromPOSIXName(c.posix), c.id) << c.posix;
}

TEST(LocaleTest, CurrentLocaleComesFromTheEnvironmentUntilSet) {
  ScopedEnv lcAll("LC_ALL", nullptr);
  {
    ScopedEnv lang("LANG", "zh_CN.UTF-8");
    Locale::setCurrentLocale(nullptr);
    EXPECT_EQ(Locale::currentLocale()->localeIdentifier(), "zh_CN");
    Locale::setCurrentLocale(Locale::localeWithLocaleIdentifier("fr_FR"));
    EXPECT_EQ(Locale::currentLocale()->localeIdentifier(), "fr_FR");
  }
  {
    ScopedEnv lang("LANG", "C");
    Locale::setCurrentLocale(nullptr);
    EXPECT_EQ(Locale::currentLocale()->localeIdentifier(), "en_US_POSIX");
  }
  {
    ScopedEnv lang("LANG", "ja_JP.UTF-8");
    ScopedEnv all("LC_ALL", "de_DE.UTF-8");
    Locale::setCurrentLocale(nullptr);
    EXPECT_EQ(Locale::currentLocale()->localeIdentifier(), "de_DE");
  }
  Locale::setCurrentLocale(nullptr);
}

TEST(LocaleTest, PreferredLanguages) {
  ScopedEnv lcAll("LC_ALL", nullptr);
  struct Case {
    const char* language;  // LANGUAGE
    const char* lang;      // LANG
    std::vector<String> expected;
  } cases[] = {
      {"zh_CN:en_US", "C", {"zh-CN", "en-US"}},
      {"fr:fr", "C", {"fr"}},
      {nullptr, "ja_JP.UTF-8", {"ja-JP"}},
      {nullptr, "C", {"en-US"}},
      {nullptr, nullptr, {"en-US"}},
  };
  for (const auto& c : cases) {
    ScopedEnv language("LANGUAGE", c.language);
    ScopedEnv lang("LANG", c.lang);
    Locale::setPreferredLanguages({});
    EXPECT_EQ(Locale::preferredLanguages(), c.expected) << (c.language ? c.language : "-") << " " << (c.lang ? c.lang : "-");
  }
  Locale::setPreferredLanguages({"zh-Hans-CN", "en"});
  EXPECT_EQ(Locale::preferredLanguages(), (std::vector<String>{"zh-Hans-CN", "en"}));
  Locale::setPreferredLanguages({});
}

}  // namespace
}  // namespace fd
