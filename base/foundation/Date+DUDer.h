#pragma once
// Calendar fields of a date in the current calendar, day tests, calendar and plain-second
// arithmetic, and formatting with date patterns, including "yyyy-MM-dd'T'HH:mm:ssZ" in the
// POSIX locale. Any thread.
#include <cstdint>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/time/TimeZone.h"

namespace base {

using rt::String;

int64_t year(const fd::Date& date);
int64_t month(const fd::Date& date);
int64_t day(const fd::Date& date);
int64_t hour(const fd::Date& date);
int64_t minute(const fd::Date& date);
int64_t second(const fd::Date& date);
int64_t nanosecond(const fd::Date& date);
int64_t weekday(const fd::Date& date);
int64_t weekdayOrdinal(const fd::Date& date);
int64_t weekOfMonth(const fd::Date& date);
int64_t weekOfYear(const fd::Date& date);
int64_t yearForWeekOfYear(const fd::Date& date);
int64_t quarter(const fd::Date& date);
bool isLeapMonth(const fd::Date& date);
bool isLeapYear(const fd::Date& date);
/// Less than a day from now and on the same day of the month.
bool isToday(const fd::Date& date);
/// Today once moved one calendar day on (so a daylight-saving change does not matter).
bool isYesterday(const fd::Date& date);

/// Calendar rules apply: January 31 plus one month is the last day of February.
Ref<fd::Date> dateByAddingYears(const fd::Date& date, int64_t years);
Ref<fd::Date> dateByAddingMonths(const fd::Date& date, int64_t months);
Ref<fd::Date> dateByAddingWeeks(const fd::Date& date, int64_t weeks);
/// Plain seconds: a day is always 86,400 of them.
Ref<fd::Date> dateByAddingDays(const fd::Date& date, int64_t days);
Ref<fd::Date> dateByAddingHours(const fd::Date& date, int64_t hours);
Ref<fd::Date> dateByAddingMinutes(const fd::Date& date, int64_t minutes);
Ref<fd::Date> dateByAddingSeconds(const fd::Date& date, int64_t seconds);

/// In the current locale.
String stringWithFormat(const fd::Date& date, const String& format);
/// Null zone or locale: the formatter's defaults.
String stringWithFormat(const fd::Date& date, const String& format, const Ref<fd::TimeZone>& zone,
                        const Ref<fd::Locale>& locale);
/// Null when the text does not match the format.
Ref<fd::Date> dateWithString(const String& text, const String& format);
Ref<fd::Date> dateWithString(const String& text, const String& format, const Ref<fd::TimeZone>& zone,
                             const Ref<fd::Locale>& locale);
/// "2001-01-01T08:00:00+0800": the default time zone's offset.
String stringWithISOFormat(const fd::Date& date);
Ref<fd::Date> dateWithISOFormatString(const String& text);

}  // namespace base
