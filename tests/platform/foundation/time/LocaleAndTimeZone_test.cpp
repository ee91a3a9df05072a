#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/time/TimeZone.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedEnv;
using testing::ScopedI18nSettings;

// 2015-01-15 12:00:00 UTC and 2015-07-15 12:00:00 UTC
const Ref<Date> kWinter = Date::dateWithTimeIntervalSince1970(1421323200);
const Ref<Date> kSummer = Date::dateWithTimeIntervalSince1970(1436961600);

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

TEST(TimeZoneTest, ByName) {
  struct Case {
    const char* name;
    const char* expectedName;
    int64_t winter, summer;
  } cases[] = {
      {"GMT", "GMT", 0, 0},
      {"UTC", "UTC", 0, 0},
      {"Asia/Shanghai", "Asia/Shanghai", 28800, 28800},
      {"America/New_York", "America/New_York", -18000, -14400},
      {"Europe/London", "Europe/London", 0, 3600},
      {"GMT+0800", "GMT+0800", 28800, 28800},
      {"GMT+8", "GMT+0800", 28800, 28800},
      {"GMT-05:30", "GMT-0530", -19800, -19800},
  };
  for (const auto& c : cases) {
    auto z = TimeZone::timeZoneWithName(c.name);
    ASSERT_TRUE(z) << c.name;
    EXPECT_EQ(z->name(), c.expectedName);
    EXPECT_EQ(z->secondsFromGMTForDate(kWinter), c.winter) << c.name;
    EXPECT_EQ(z->secondsFromGMTForDate(kSummer), c.summer) << c.name;
    EXPECT_EQ(z->isDaylightSavingTimeForDate(kSummer), c.summer != c.winter) << c.name;
  }
  for (const char* bad : {"Mars/Olympus_Mons", "", "GMT+25", "GMT+8x"}) EXPECT_FALSE(TimeZone::timeZoneWithName(bad)) << bad;
}

TEST(TimeZoneTest, ForSecondsFromGMT) {
  struct Case {
    int64_t seconds;
    const char* name;
    const char* abbreviation;
  } cases[] = {
      {0, "GMT", "GMT"},
      {28800, "GMT+0800", "GMT+8"},
      {-18000, "GMT-0500", "GMT-5"},
      {19800, "GMT+0530", "GMT+5:30"},
  };
  for (const auto& c : cases) {
    auto z = TimeZone::timeZoneForSecondsFromGMT(c.seconds);
    ASSERT_TRUE(z);
    EXPECT_EQ(z->name(), c.name);
    EXPECT_EQ(z->secondsFromGMT(), c.seconds);
    EXPECT_EQ(z->abbreviation(), c.abbreviation);
  }
  EXPECT_FALSE(TimeZone::timeZoneForSecondsFromGMT(19 * 3600));
  EXPECT_FALSE(TimeZone::timeZoneForSecondsFromGMT(-19 * 3600));
}

TEST(TimeZoneTest, Abbreviations) {
  auto ny = TimeZone::timeZoneWithName("America/New_York");
  EXPECT_EQ(ny->abbreviationForDate(kWinter), "EST");
  EXPECT_EQ(ny->abbreviationForDate(kSummer), "EDT");
  EXPECT_EQ(TimeZone::timeZoneWithName("Asia/Shanghai")->abbreviationForDate(kWinter), "GMT+8");
  EXPECT_EQ(TimeZone::timeZoneWithName("GMT")->abbreviation(), "GMT");
}

TEST(TimeZoneTest, DeviceZoneIsSettableAndSharedByAllDefaults) {
  {
    ScopedI18nSettings settings("Asia/Shanghai", "en_US");
    EXPECT_EQ(TimeZone::defaultTimeZone()->name(), "Asia/Shanghai");
    EXPECT_EQ(TimeZone::systemTimeZone()->name(), "Asia/Shanghai");
    EXPECT_EQ(TimeZone::localTimeZone()->name(), "Asia/Shanghai");
  }
  ScopedEnv tz("TZ", "Asia/Tokyo");
  TimeZone::setDefaultTimeZone(nullptr);
  EXPECT_EQ(TimeZone::defaultTimeZone()->name(), "Asia/Tokyo");
  TimeZone::setDefaultTimeZone(nullptr);
}

TEST(TimeZoneTest, EnvironmentName) {
  struct Case {
    const char* tz;
    const char* name;
  } cases[] = {
      {"Asia/Tokyo", "Asia/Tokyo"},
      {":Europe/Paris", "Europe/Paris"},
      {"/usr/share/zoneinfo/America/Chicago", "America/Chicago"},
  };
  for (const auto& c : cases) {
    ScopedEnv tz("TZ", c.tz);
    EXPECT_EQ(TimeZone::environmentTimeZoneName(), c.name) << c.tz;
  }
  ScopedEnv tz("TZ", "No/Such_Zone");
  String fallback = TimeZone::environmentTimeZoneName();
  EXPECT_NE(fallback, "No/Such_Zone");
  EXPECT_TRUE(TimeZone::timeZoneWithName(fallback));
}

TEST(TimeZoneTest, SettingsAreSafeFromSeveralThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        if (t % 2) {
          TimeZone::setDefaultTimeZone(TimeZone::timeZoneWithName(i % 2 ? "Asia/Shanghai" : "GMT"));
          Locale::setCurrentLocale(Locale::localeWithLocaleIdentifier(i % 2 ? "zh_CN" : "en_US"));
        } else {
          EXPECT_TRUE(TimeZone::defaultTimeZone());
          EXPECT_TRUE(Locale::currentLocale());
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  TimeZone::setDefaultTimeZone(nullptr);
  Locale::setCurrentLocale(nullptr);
}

}  // namespace
}  // namespace fd
