#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/time/TimeZone.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedEnv;
using testing::ScopedI18nSettings;

// 2015-01-15 12:00:00 UTC and 2015-07-15 12:00:00 UTC
const Ref<Date> kWinter = Date::dateWithTimeIntervalSince1970(1421323200);
const Ref<Date> kSummer = Date::dateWithTimeIntervalSince1970(1436961600);

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
