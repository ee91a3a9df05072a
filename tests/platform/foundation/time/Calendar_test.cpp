#include <gtest/gtest.h>

#include "platform/foundation/time/Calendar.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedI18nSettings;

// 2015-03-04 02:20:30.25 UTC = Wednesday 10:20:30.25 in Shanghai.
constexpr double kInstant = 1425435630.25;

Ref<Date> at(double t) { return Date::dateWithTimeIntervalSince1970(t); }

Ref<Calendar> gregorian(const char* zone, const char* locale = "en_US") {
  auto c = Calendar::calendarWithIdentifier(CalendarIdentifierGregorian);
  c->setTimeZone(TimeZone::timeZoneWithName(zone));
  c->setLocale(Locale::localeWithLocaleIdentifier(locale));
  return c;
}

constexpr uint64_t kAllUnits = CalendarUnitEra | CalendarUnitYear | CalendarUnitMonth | CalendarUnitDay |
                               CalendarUnitHour | CalendarUnitMinute | CalendarUnitSecond | CalendarUnitWeekday |
                               CalendarUnitWeekdayOrdinal | CalendarUnitQuarter | CalendarUnitWeekOfMonth |
                               CalendarUnitWeekOfYear | CalendarUnitYearForWeekOfYear | CalendarUnitNanosecond;

TEST(CalendarTest, Identifiers) {
  for (const char* id : {"gregorian", "iso8601", "buddhist", "chinese", "japanese", "roc"}) {
    auto c = Calendar::calendarWithIdentifier(id);
    ASSERT_TRUE(c) << id;
    EXPECT_EQ(c->calendarIdentifier(), id);
  }
  EXPECT_FALSE(Calendar::calendarWithIdentifier("martian"));
  EXPECT_FALSE(Calendar::calendarWithIdentifier(""));
}

TEST(CalendarTest, ComponentsOfADate) {
  auto c = gregorian("Asia/Shanghai");
  DateComponents d = c->components(kAllUnits, at(kInstant));
  struct Case {
    CalendarUnit unit;
    int64_t value;
  } cases[] = {
      {CalendarUnitEra, 1},         {CalendarUnitYear, 2015},          {CalendarUnitMonth, 3},
      {CalendarUnitDay, 4},         {CalendarUnitHour, 10},            {CalendarUnitMinute, 20},
      {CalendarUnitSecond, 30},     {CalendarUnitWeekday, 4},          {CalendarUnitWeekdayOrdinal, 1},
      {CalendarUnitQuarter, 1},     {CalendarUnitWeekOfMonth, 1},      {CalendarUnitWeekOfYear, 10},
      {CalendarUnitYearForWeekOfYear, 2015}, {CalendarUnitNanosecond, 250000000},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(d.valueForComponent(k.unit), k.value) << k.unit;
    EXPECT_EQ(c->component(k.unit, at(kInstant)), k.value) << k.unit;
  }
  EXPECT_FALSE(d.isLeapMonth);
  // The same instant in another zone is another day.
  EXPECT_EQ(gregorian("America/New_York")->components(CalendarUnitDay | CalendarUnitHour, at(kInstant)).day, 3);
}

TEST(CalendarTest, FieldsNotAskedForStayUndefined) {
  DateComponents d = gregorian("GMT")->components(CalendarUnitYear | CalendarUnitCalendar, at(kInstant));
  EXPECT_EQ(d.year, 2015);
  for (int64_t v : {d.era, d.month, d.day, d.hour, d.minute, d.second, d.nanosecond, d.weekday, d.weekdayOrdinal,
                    d.quarter, d.weekOfMonth, d.weekOfYear, d.yearForWeekOfYear}) {
    EXPECT_EQ(v, DateComponentUndefined);
  }
  EXPECT_EQ(DateComponentUndefined, INT64_MAX);
  EXPECT_EQ(gregorian("GMT")->components(0, nullptr), DateComponents());
}

TEST(CalendarTest, WeeksFollowTheCalendarsRules) {
  struct Case {
    const char* id;
    double t;
    int64_t weekOfYear, yearForWeekOfYear, weekday;
  } cases[] = {
      {"iso8601", 1451606400, 53, 2015, 6},   // Friday 2016-01-01 closes ISO week 2015-W53
      {"iso8601", 1420070400, 1, 2015, 5},    // Thursday 2015-01-01
      {"gregorian", 1451606400, 1, 2016, 6},  // en_US: the week holding Jan 1 is week 1
  };
  for (const auto& k : cases) {
    auto c = Calendar::calendarWithIdentifier(k.id);
    c->setTimeZone(TimeZone::timeZoneWithName("GMT"));
    c->setLocale(Locale::localeWithLocaleIdentifier("en_US"));
    auto d = c->components(CalendarUnitWeekOfYear | CalendarUnitYearForWeekOfYear | CalendarUnitWeekday, at(k.t));
    EXPECT_EQ(d.weekOfYear, k.weekOfYear) << k.id << " " << k.t;
    EXPECT_EQ(d.yearForWeekOfYear, k.yearForWeekOfYear) << k.id << " " << k.t;
    EXPECT_EQ(d.weekday, k.weekday) << k.id << " " << k.t;
  }
}

TEST(CalendarTest, FirstWeekdayComesFromTheLocaleUnlessSet) {
  EXPECT_EQ(gregorian("GMT", "en_US")->firstWeekday(), 1);
  EXPECT_EQ(gregorian("GMT", "de_DE")->firstWeekday(), 2);
  EXPECT_EQ(Calendar::calendarWithIdentifier("iso8601")->firstWeekday(), 2);
  auto c = gregorian("GMT", "en_US");
  c->setFirstWeekday(2);
  EXPECT_EQ(c->firstWeekday(), 2);
  // 2015-03-01 is a Sunday: with weeks from Monday, Wednesday the 4th is in the second week.
  EXPECT_EQ(c->components(CalendarUnitWeekOfMonth, at(kInstant)).weekOfMonth, 2);
}

TEST(CalendarTest, DateFromComponents) {
  auto c = gregorian("Asia/Shanghai");
  auto make = [](int64_t y, int64_t mo, int64_t d, int64_t h = DateComponentUndefined,
                 int64_t mi = DateComponentUndefined, int64_t s = DateComponentUndefined) {
    DateComponents k;
    k.year = y, k.month = mo, k.day = d, k.hour = h, k.minute = mi, k.second = s;
    return k;
  };
  struct Case {
    DateComponents components;
    double t;
  } cases[] = {
      {make(2015, 3, 4, 10, 20, 30), 1425435630},
      {make(2015, 3, 4), 1425398400},                                  // midnight
      {make(2015, 13, 1), 1451577600},                                 // month 13: January 2016
      {make(2015, 3, 0), 1425052800},                                  // day 0: the last of February
      {make(2015, 3, 4, 24, 0, 0), 1425484800},                        // hour 24: the next midnight
      {make(2015, DateComponentUndefined, DateComponentUndefined), 1420041600},  // 2015-01-01
  };
  for (const auto& k : cases) {
    auto d = c->dateFromComponents(k.components);
    ASSERT_TRUE(d);
    EXPECT_DOUBLE_EQ(d->timeIntervalSince1970(), k.t) << k.components.year << "-" << k.components.month;
  }

  DateComponents withNanos = make(2015, 3, 4, 10, 20, 30);
  withNanos.nanosecond = 250000000;
  EXPECT_DOUBLE_EQ(c->dateFromComponents(withNanos)->timeIntervalSince1970(), kInstant);

  DateComponents inGMT = make(2015, 3, 4, 2, 20, 30);
  inGMT.timeZone = TimeZone::timeZoneWithName("GMT");
  EXPECT_DOUBLE_EQ(c->dateFromComponents(inGMT)->timeIntervalSince1970(), 1425435630);

  auto empty = c->dateFromComponents(DateComponents());
  ASSERT_TRUE(empty);
  auto parts = c->components(CalendarUnitYear | CalendarUnitMonth | CalendarUnitDay | CalendarUnitHour, empty);
  EXPECT_EQ(parts.year, 1);
  EXPECT_EQ(parts.month, 1);
  EXPECT_EQ(parts.day, 1);
  EXPECT_EQ(parts.hour, 0);

  EXPECT_FALSE(c->dateFromComponents(make(INT64_MAX - 1, 1, 1)));
  EXPECT_FALSE(c->dateFromComponents(make(2015, 1, int64_t(1) << 40)));
}

TEST(CalendarTest, DateFromWeekBasedComponents) {
  auto c = gregorian("GMT");
  DateComponents byWeek;
  byWeek.yearForWeekOfYear = 2015, byWeek.weekOfYear = 10, byWeek.weekday = 4;
  EXPECT_DOUBLE_EQ(c->dateFromComponents(byWeek)->timeIntervalSince1970(), 1425427200);  // 2015-03-04

  DateComponents byOrdinal;  // the second Sunday of May 2015
  byOrdinal.year = 2015, byOrdinal.month = 5, byOrdinal.weekday = 1, byOrdinal.weekdayOrdinal = 2;
  EXPECT_DOUBLE_EQ(c->dateFromComponents(byOrdinal)->timeIntervalSince1970(), 1431216000);  // 2015-05-10
}

TEST(CalendarTest, AddingComponents) {
  auto c = gregorian("America/New_York");
  auto local = [&](int64_t y, int64_t mo, int64_t d, int64_t h = 12) {
    DateComponents k;
    k.year = y, k.month = mo, k.day = d, k.hour = h, k.minute = 0, k.second = 0;
    return c->dateFromComponents(k);
  };
  struct Case {
    Ref<Date> from;
    CalendarUnit unit;
    int64_t amount;
    Ref<Date> expected;
  } cases[] = {
      {local(2015, 1, 31), CalendarUnitMonth, 1, local(2015, 2, 28)},
      {local(2016, 1, 31), CalendarUnitMonth, 1, local(2016, 2, 29)},
      {local(2015, 3, 31), CalendarUnitMonth, -1, local(2015, 2, 28)},
      {local(2015, 8, 31), CalendarUnitMonth, 1, local(2015, 9, 30)},
      {local(2016, 2, 29), CalendarUnitYear, 1, local(2017, 2, 28)},
      {local(2015, 12, 31), CalendarUnitDay, 1, local(2016, 1, 1)},
      {local(2015, 3, 7), CalendarUnitDay, 1, local(2015, 3, 8)},  // across the spring change: 23 hours
      {local(2015, 3, 4), CalendarUnitWeekOfYear, 2, local(2015, 3, 18)},
      {local(2015, 3, 4), CalendarUnitHour, -36, local(2015, 3, 3, 0)},
  };
  for (const auto& k : cases) {
    auto got = c->dateByAddingUnit(k.unit, k.amount, k.from);
    ASSERT_TRUE(got);
    EXPECT_DOUBLE_EQ(got->timeIntervalSince1970(), k.expected->timeIntervalSince1970())
        << k.from->description() << " + " << k.amount << " of " << k.unit;
  }
  EXPECT_DOUBLE_EQ(local(2015, 3, 8)->timeIntervalSinceDate(*local(2015, 3, 7)), 23 * 3600);

  DateComponents several;
  several.month = 1, several.day = 1, several.hour = 1;
  EXPECT_DOUBLE_EQ(c->dateByAddingComponents(several, local(2015, 1, 31))->timeIntervalSince1970(),
                   local(2015, 3, 1, 13)->timeIntervalSince1970());

  // Sub-second parts survive.
  auto fractional = at(kInstant);
  EXPECT_DOUBLE_EQ(c->dateByAddingUnit(CalendarUnitDay, 1, fractional)->timeIntervalSince1970(), kInstant + 86400);
  DateComponents nanos;
  nanos.nanosecond = 500000000;
  EXPECT_DOUBLE_EQ(c->dateByAddingComponents(nanos, fractional)->timeIntervalSince1970(), kInstant + 0.5);

  EXPECT_DOUBLE_EQ(c->dateByAddingUnit(CalendarUnitMonth, 1, local(2015, 12, 15), CalendarWrapComponents)
                       ->timeIntervalSince1970(),
                   local(2015, 1, 15)->timeIntervalSince1970());
  EXPECT_FALSE(c->dateByAddingUnit(CalendarUnitDay, 1, nullptr));
  EXPECT_FALSE(c->dateByAddingUnit(CalendarUnitDay, int64_t(1) << 40, local(2015, 1, 1)));
}

TEST(CalendarTest, StartOfDay) {
  EXPECT_DOUBLE_EQ(gregorian("Asia/Shanghai")->startOfDayForDate(at(kInstant))->timeIntervalSince1970(), 1425398400);
  EXPECT_DOUBLE_EQ(gregorian("GMT")->startOfDayForDate(at(kInstant))->timeIntervalSince1970(), 1425427200);
  // In São Paulo clocks jumped from midnight to 01:00 on 2015-10-18: the day starts at 01:00.
  EXPECT_DOUBLE_EQ(gregorian("America/Sao_Paulo")->startOfDayForDate(at(1445176800))->timeIntervalSince1970(), 1445137200);
}

TEST(CalendarTest, TodayAndYesterday) {
  auto c = gregorian("Asia/Shanghai");
  auto today = c->startOfDayForDate(Date::date());
  auto inToday = today->dateByAddingTimeInterval(1);
  auto lastEvening = today->dateByAddingTimeInterval(-1);
  auto twoDaysAgo = today->dateByAddingTimeInterval(-86400 - 1);
  auto tomorrow = today->dateByAddingTimeInterval(86400 + 1);
  EXPECT_TRUE(c->isDateInToday(inToday));
  EXPECT_FALSE(c->isDateInToday(lastEvening));
  EXPECT_TRUE(c->isDateInYesterday(lastEvening));
  EXPECT_FALSE(c->isDateInYesterday(twoDaysAgo));
  EXPECT_FALSE(c->isDateInYesterday(inToday));
  EXPECT_TRUE(c->isDateInTomorrow(tomorrow));
  EXPECT_TRUE(c->isDateInSameDayAsDate(inToday, today));
  EXPECT_FALSE(c->isDateInToday(nullptr));
}

TEST(CalendarTest, CurrentCalendarFollowsTheSettings) {
  auto c = Calendar::currentCalendar();
  EXPECT_EQ(c->calendarIdentifier(), "gregorian");
  {
    ScopedI18nSettings settings("Asia/Shanghai", "en_US");
    EXPECT_EQ(c->timeZone()->name(), "Asia/Shanghai");
    EXPECT_EQ(c->components(CalendarUnitHour, at(kInstant)).hour, 10);
  }
  {
    ScopedI18nSettings settings("America/New_York", "de_DE");
    EXPECT_EQ(c->components(CalendarUnitHour, at(kInstant)).hour, 21);
    EXPECT_EQ(c->firstWeekday(), 2);
  }
  auto copy = rt::as<Calendar>(c->copy());
  copy->setTimeZone(TimeZone::timeZoneWithName("GMT"));
  EXPECT_EQ(copy->components(CalendarUnitHour, at(kInstant)).hour, 2);
  EXPECT_FALSE(c->isEqual(copy.get()));
}

}  // namespace
}  // namespace fd
