#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/foundation/time/DateFormatter.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedI18nSettings;

// 2015-03-04 02:20:30 UTC = 10:20:30 in Shanghai (a Wednesday).
constexpr double kFormattedInstant = 1425435630;

Ref<DateFormatter> formatter(const char* format, const char* locale = nullptr, const char* zone = nullptr) {
  auto f = DateFormatter::create();
  f->setDateFormat(format);
  if (locale) f->setLocale(Locale::localeWithLocaleIdentifier(locale));
  if (zone) f->setTimeZone(TimeZone::timeZoneWithName(zone));
  return f;
}

TEST(DateFormatterTest, FormatsAndParsesThePatternsInUse) {
  ScopedI18nSettings settings("Asia/Shanghai", "zh_CN");
  struct Case {
    const char* format;
    const char* locale;
    const char* zone;
    const char* text;
    double parsed;  // what the text reads back as
  } cases[] = {
      {"yyyy-MM-dd", "en_US", nullptr, "2015-03-04", 1425398400},
      {"yyyy年MM月dd日", "en_US", nullptr, "2015年03月04日", 1425398400},
      {"yyyy-MM-dd'T'HH:mm:ss", "en_US_POSIX", "GMT", "2015-03-04T02:20:30", kFormattedInstant},
      {"yyyy-MM-dd HH:mm:ss", "en_US_POSIX", nullptr, "2015-03-04 10:20:30", kFormattedInstant},
      {"yyyy-MM-dd'T'HH:mm:ssZ", "en_US_POSIX", "GMT", "2015-03-04T02:20:30+0000", kFormattedInstant},
      {"yyyy-MM-dd'T'HH:mm:ssZ", "en_US_POSIX", nullptr, "2015-03-04T10:20:30+0800", kFormattedInstant},
      {"EEE MMM dd HH:mm:ss Z yyyy", "en_US_POSIX", nullptr, "Wed Mar 04 10:20:30 +0800 2015", kFormattedInstant},
      {"EEE MMM dd HH:mm:ss Z yyyy", "en_US_POSIX", "GMT", "Wed Mar 04 02:20:30 +0000 2015", kFormattedInstant},
      {"yyyy-MM-dd HH:mm", nullptr, nullptr, "2015-03-04 10:20", kFormattedInstant - 30},
      // Without a year the text reads back in 2000.
      {"MM-dd HH:mm", nullptr, nullptr, "03-04 10:20", 952136400},
      {"今天 HH:mm", nullptr, nullptr, "今天 10:20", 946692000 + 1200},
  };
  auto date = Date::dateWithTimeIntervalSince1970(kFormattedInstant);
  for (const auto& c : cases) {
    auto f = formatter(c.format, c.locale, c.zone);
    EXPECT_EQ(f->stringFromDate(date), c.text) << c.format;
    auto back = f->dateFromString(c.text);
    ASSERT_TRUE(back) << c.format;
    EXPECT_DOUBLE_EQ(back->timeIntervalSince1970(), c.parsed) << c.format;
  }
}

TEST(DateFormatterTest, ParsesOffsetsWhateverTheFormattersZone) {
  auto f = formatter("EEE MMM dd HH:mm:ss Z yyyy", "en_US_POSIX", "America/New_York");
  for (const char* text : {"Wed Mar 04 10:20:30 +0800 2015", "Wed Mar 04 02:20:30 +0000 2015",
                           "Tue Mar 03 21:20:30 -0500 2015"}) {
    auto d = f->dateFromString(text);
    ASSERT_TRUE(d) << text;
    EXPECT_DOUBLE_EQ(d->timeIntervalSince1970(), kFormattedInstant) << text;
  }
}

TEST(DateFormatterTest, TextThatDoesNotMatchGivesNull) {
  struct Case {
    const char* format;
    const char* text;
  } cases[] = {
      {"yyyy-MM-dd", "2015/03/04"},
      {"yyyy-MM-dd", "2015-03-04 10:20"},
      {"yyyy-MM-dd", "2015-13-01"},
      {"yyyy-MM-dd", "2015-02-30"},
      {"yyyy-MM-dd", ""},
      {"yyyy-MM-dd", "hello"},
      {"EEE MMM dd HH:mm:ss Z yyyy", "Wed Mar 04 10:20:30 +0800"},
      {"yyyy-MM-dd'T'HH:mm:ssZ", "2015-03-04T10:20:30"},
      {"", "2015-03-04"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(formatter(c.format, "en_US_POSIX", "GMT")->dateFromString(c.text)) << c.format << " / " << c.text;
  }
  EXPECT_EQ(formatter("", "en_US_POSIX", "GMT")->stringFromDate(Date::date()), "");
  EXPECT_EQ(formatter("yyyy", "en_US_POSIX", "GMT")->stringFromDate(nullptr), "");
}

TEST(DateFormatterTest, LenientParsingAcceptsOverflow) {
  auto f = formatter("yyyy-MM-dd", "en_US_POSIX", "GMT");
  f->setLenient(true);
  auto d = f->dateFromString("2015-02-30");
  ASSERT_TRUE(d);
  EXPECT_EQ(formatter("yyyy-MM-dd", "en_US_POSIX", "GMT")->stringFromDate(d), "2015-03-02");
}

TEST(DateFormatterTest, DefaultsFollowTheSettingsAtEachCall) {
  auto f = formatter("yyyy-MM-dd HH:mm EEEE");
  auto date = Date::dateWithTimeIntervalSince1970(kFormattedInstant);
  {
    ScopedI18nSettings settings("Asia/Shanghai", "en_US");
    EXPECT_EQ(f->stringFromDate(date), "2015-03-04 10:20 Wednesday");
    EXPECT_EQ(f->timeZone()->name(), "Asia/Shanghai");
  }
  {
    ScopedI18nSettings settings("America/New_York", "zh_CN");
    EXPECT_EQ(f->stringFromDate(date), "2015-03-03 21:20 星期二");
    EXPECT_EQ(f->locale()->localeIdentifier(), "zh_CN");
  }
}

TEST(DateFormatterTest, OneFormatterServesSeveralThreads) {
  auto f = formatter("yyyy-MM-dd HH:mm:ss", "en_US_POSIX", "GMT");
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        double when = kFormattedInstant + t * 86400 + i * 61;
        String text = f->stringFromDate(Date::dateWithTimeIntervalSince1970(when));
        auto back = f->dateFromString(text);
        if (!back || back->timeIntervalSince1970() != when) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST(ISO8601Test, Writes) {
  struct Case {
    double t;
    const char* zone;
    const char* text;
  } cases[] = {
      {kFormattedInstant, nullptr, "2015-03-04T02:20:30Z"},
      {kFormattedInstant, "Asia/Shanghai", "2015-03-04T10:20:30+08:00"},
      {kFormattedInstant, "America/New_York", "2015-03-03T21:20:30-05:00"},
      {kFormattedInstant + 0.25, nullptr, "2015-03-04T02:20:30.250Z"},
      {0, nullptr, "1970-01-01T00:00:00Z"},
      {-1, nullptr, "1969-12-31T23:59:59Z"},
      {951782400, nullptr, "2000-02-29T00:00:00Z"},
  };
  for (const auto& c : cases) {
    auto zone = c.zone ? TimeZone::timeZoneWithName(c.zone) : nullptr;
    EXPECT_EQ(ISO8601StringFromDate(Date::dateWithTimeIntervalSince1970(c.t), zone), c.text);
  }
}

TEST(ISO8601Test, Reads) {
  struct Case {
    const char* text;
    double t;
  } cases[] = {
      {"2015-03-04T02:20:30Z", kFormattedInstant},
      {"2015-03-04T10:20:30+08:00", kFormattedInstant},
      {"2015-03-04T10:20:30+0800", kFormattedInstant},
      {"2015-03-04T10:20:30+08", kFormattedInstant},
      {"2015-03-03T21:20:30-05:00", kFormattedInstant},
      {"2015-03-04T02:20:30.250Z", kFormattedInstant + 0.25},
      {"2015-03-04 02:20:30", kFormattedInstant},
      {"2015-03-04T02:20Z", kFormattedInstant - 30},
      {"2015-03-04", 1425427200},
      {"2000-02-29", 951782400},
  };
  for (const auto& c : cases) {
    auto d = dateFromISO8601String(c.text);
    ASSERT_TRUE(d) << c.text;
    EXPECT_DOUBLE_EQ(d->timeIntervalSince1970(), c.t) << c.text;
  }
  for (const char* bad : {"", "2015", "2015-3-4", "2015-02-29", "2015-03-04T25:00:00Z", "2015-03-04T10:20:30+",
                          "2015-03-04T10:20:30Zjunk", "2015-03-04X10:20", "2015-03-04T10:20:30.Z"}) {
    EXPECT_FALSE(dateFromISO8601String(bad)) << bad;
  }
}

}  // namespace
}  // namespace fd
