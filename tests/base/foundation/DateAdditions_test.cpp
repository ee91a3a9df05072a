#include <gtest/gtest.h>

#include "base/foundation/Date+DUDer.h"

namespace base {
namespace {

// Dates are read in the device zone the test sets.
class DateAdditions : public ::testing::Test {
 protected:
  void zone(const char* name) { fd::TimeZone::setDefaultTimeZone(fd::TimeZone::timeZoneWithName(name)); }
  void TearDown() override { fd::TimeZone::setDefaultTimeZone(nullptr); }
  Ref<fd::Date> parse(const char* text) {
    return dateWithString(text, "yyyy-MM-dd HH:mm:ss", nullptr, fd::Locale::localeWithLocaleIdentifier("en_US_POSIX"));
  }
};

TEST_F(DateAdditions, ComponentsFollowTheDeviceZone) {
  auto reference = fd::Date::dateWithTimeIntervalSinceReferenceDate(0);  // 2001-01-01 00:00 UTC, a Monday
  zone("Asia/Shanghai");
  EXPECT_EQ(year(*reference), 2001);
  EXPECT_EQ(month(*reference), 1);
  EXPECT_EQ(day(*reference), 1);
  EXPECT_EQ(hour(*reference), 8);
  EXPECT_EQ(weekday(*reference), 2);
  EXPECT_EQ(quarter(*reference), 1);
  EXPECT_FALSE(isLeapMonth(*reference));
  zone("America/Los_Angeles");
  EXPECT_EQ(year(*reference), 2000);
  EXPECT_EQ(day(*reference), 31);
  EXPECT_EQ(hour(*reference), 16);
  auto withFraction = fd::Date::dateWithTimeIntervalSinceReferenceDate(59.25);
  EXPECT_EQ(second(*withFraction), 59);
  EXPECT_NEAR(double(nanosecond(*withFraction)), 250000000.0, 1000.0);
}

TEST_F(DateAdditions, LeapYears) {
  zone("UTC");
  for (auto [y, leap] : {std::pair{2000, true}, {2016, true}, {1900, false}, {2100, false}, {2015, false}}) {
    auto d = parse((std::to_string(y) + "-06-01 12:00:00").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(isLeapYear(*d), leap) << y;
  }
}

TEST_F(DateAdditions, TodayAndYesterday) {
  zone("Europe/Berlin");
  auto now = fd::Date::date();
  EXPECT_TRUE(isToday(*now));
  EXPECT_FALSE(isToday(*dateByAddingDays(*now, 1)));
  EXPECT_FALSE(isToday(*dateByAddingSeconds(*now, -86400)));
  EXPECT_TRUE(isYesterday(*dateByAddingDays(*now, -1)));
  EXPECT_FALSE(isYesterday(*now));
  EXPECT_FALSE(isYesterday(*dateByAddingDays(*now, -2)));
}

TEST_F(DateAdditions, CalendarArithmeticAndPlainSeconds) {
  zone("Europe/Berlin");
  auto jan31 = parse("2015-01-31 10:00:00");
  ASSERT_NE(jan31, nullptr);
  EXPECT_EQ(stringWithFormat(*dateByAddingMonths(*jan31, 1), "yyyy-MM-dd HH:mm"), "2015-02-28 10:00");
  EXPECT_EQ(stringWithFormat(*dateByAddingYears(*parse("2016-02-29 10:00:00"), 1), "yyyy-MM-dd"), "2017-02-28");
  EXPECT_EQ(stringWithFormat(*dateByAddingWeeks(*jan31, 2), "yyyy-MM-dd"), "2015-02-14");
  // Across the spring change a calendar week keeps the wall time; a plain day does not.
  auto beforeChange = parse("2015-03-28 12:00:00");
  EXPECT_EQ(stringWithFormat(*dateByAddingDays(*beforeChange, 1), "yyyy-MM-dd HH:mm"), "2015-03-29 13:00");
  EXPECT_EQ(stringWithFormat(*dateByAddingWeeks(*beforeChange, 1), "yyyy-MM-dd HH:mm"), "2015-04-04 12:00");
  EXPECT_DOUBLE_EQ(dateByAddingDays(*beforeChange, 1)->timeIntervalSinceDate(*beforeChange), 86400);
  EXPECT_DOUBLE_EQ(dateByAddingHours(*beforeChange, -2)->timeIntervalSinceDate(*beforeChange), -7200);
  EXPECT_DOUBLE_EQ(dateByAddingMinutes(*beforeChange, 3)->timeIntervalSinceDate(*beforeChange), 180);
}

TEST_F(DateAdditions, IsoFormatCarriesTheLocalOffsetAndParsesBack) {
  auto reference = fd::Date::dateWithTimeIntervalSinceReferenceDate(0);
  zone("Asia/Shanghai");
  EXPECT_EQ(stringWithISOFormat(*reference), "2001-01-01T08:00:00+0800");
  auto back = dateWithISOFormatString("2001-01-01T08:00:00+0800");
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->isEqualToDate(*reference));
  zone("Europe/Berlin");
  EXPECT_EQ(stringWithISOFormat(*reference), "2001-01-01T01:00:00+0100");
  EXPECT_EQ(stringWithISOFormat(*fd::Date::dateWithTimeIntervalSinceReferenceDate(15552000)),
            "2001-06-30T02:00:00+0200");
  EXPECT_TRUE(dateWithISOFormatString("2000-12-31T16:00:00-0800")->isEqualToDate(*reference));
  EXPECT_EQ(dateWithISOFormatString("2001-01-01 08:00"), nullptr);
}

TEST_F(DateAdditions, FormattingWithZoneAndLocale) {
  auto reference = fd::Date::dateWithTimeIntervalSinceReferenceDate(0);
  zone("UTC");
  EXPECT_EQ(stringWithFormat(*reference, "HH:mm", fd::TimeZone::timeZoneForSecondsFromGMT(3600 * 9), nullptr), "09:00");
  EXPECT_EQ(stringWithFormat(*reference, "EEEE", nullptr, fd::Locale::localeWithLocaleIdentifier("de_DE")), "Montag");
  EXPECT_EQ(dateWithString("not a date", "yyyy-MM-dd"), nullptr);
  auto parsed = dateWithString("2001-01-01 09:00", "yyyy-MM-dd HH:mm", fd::TimeZone::timeZoneForSecondsFromGMT(3600 * 9),
                               nullptr);
  ASSERT_NE(parsed, nullptr);
  EXPECT_TRUE(parsed->isEqualToDate(*reference));
}

}  // namespace
}  // namespace base
