#include "base/foundation/Date+DUDer.h"

#include <cmath>

#include "platform/foundation/time/Calendar.h"
#include "platform/foundation/time/DateFormatter.h"

namespace base {
namespace {

Ref<fd::Date> ref(const fd::Date& date) {
  return std::static_pointer_cast<fd::Date>(std::const_pointer_cast<rt::Object>(date.self()));
}

fd::DateComponents components(const fd::Date& date, fd::CalendarUnit unit) {
  return fd::Calendar::currentCalendar()->components(unit, ref(date));
}

int64_t field(const fd::Date& date, fd::CalendarUnit unit) { return components(date, unit).valueForComponent(unit); }

Ref<fd::Date> addComponent(const fd::Date& date, fd::CalendarUnit unit, int64_t value) {
  fd::DateComponents c;
  c.setValueForComponent(value, unit);
  return fd::Calendar::currentCalendar()->dateByAddingComponents(c, ref(date), 0);
}

Ref<fd::Date> addSeconds(const fd::Date& date, double seconds) {
  return fd::Date::dateWithTimeIntervalSinceReferenceDate(date.timeIntervalSinceReferenceDate() + seconds);
}

Ref<fd::DateFormatter> formatter(const String& format, const Ref<fd::TimeZone>& zone, const Ref<fd::Locale>& locale) {
  auto f = fd::DateFormatter::create();
  f->setDateFormat(format);
  if (zone) f->setTimeZone(zone);
  if (locale) f->setLocale(locale);
  return f;
}

// The formatter guards itself, so one per direction serves every thread.
const Ref<fd::DateFormatter>& isoFormatter(int which) {
  static const Ref<fd::DateFormatter> formatters[2] = {
      formatter("yyyy-MM-dd'T'HH:mm:ssZ", nullptr, fd::Locale::localeWithLocaleIdentifier("en_US_POSIX")),
      formatter("yyyy-MM-dd'T'HH:mm:ssZ", nullptr, fd::Locale::localeWithLocaleIdentifier("en_US_POSIX")),
  };
  return formatters[which];
}

}  // namespace

int64_t year(const fd::Date& d) { return field(d, fd::CalendarUnitYear); }
int64_t month(const fd::Date& d) { return field(d, fd::CalendarUnitMonth); }
int64_t day(const fd::Date& d) { return field(d, fd::CalendarUnitDay); }
int64_t hour(const fd::Date& d) { return field(d, fd::CalendarUnitHour); }
int64_t minute(const fd::Date& d) { return field(d, fd::CalendarUnitMinute); }
int64_t second(const fd::Date& d) { return field(d, fd::CalendarUnitSecond); }
int64_t nanosecond(const fd::Date& d) { return field(d, fd::CalendarUnitNanosecond); }
int64_t weekday(const fd::Date& d) { return field(d, fd::CalendarUnitWeekday); }
int64_t weekdayOrdinal(const fd::Date& d) { return field(d, fd::CalendarUnitWeekdayOrdinal); }
int64_t weekOfMonth(const fd::Date& d) { return field(d, fd::CalendarUnitWeekOfMonth); }
int64_t weekOfYear(const fd::Date& d) { return field(d, fd::CalendarUnitWeekOfYear); }
int64_t yearForWeekOfYear(const fd::Date& d) { return field(d, fd::CalendarUnitYearForWeekOfYear); }
int64_t quarter(const fd::Date& d) { return field(d, fd::CalendarUnitQuarter); }
bool isLeapMonth(const fd::Date& d) { return components(d, fd::CalendarUnitQuarter).isLeapMonth; }

bool isLeapYear(const fd::Date& d) {
  int64_t y = year(d);
  return y % 400 == 0 || (y % 4 == 0 && y % 100 != 0);
}

bool isToday(const fd::Date& d) {
  if (std::fabs(d.timeIntervalSinceNow()) >= 86400) return false;
  return day(*fd::Date::date()) == day(d);
}

bool isYesterday(const fd::Date& d) { return isToday(*addComponent(d, fd::CalendarUnitDay, 1)); }

Ref<fd::Date> dateByAddingYears(const fd::Date& d, int64_t n) { return addComponent(d, fd::CalendarUnitYear, n); }
Ref<fd::Date> dateByAddingMonths(const fd::Date& d, int64_t n) { return addComponent(d, fd::CalendarUnitMonth, n); }
Ref<fd::Date> dateByAddingWeeks(const fd::Date& d, int64_t n) { return addComponent(d, fd::CalendarUnitWeekOfYear, n); }
Ref<fd::Date> dateByAddingDays(const fd::Date& d, int64_t n) { return addSeconds(d, double(n) * 86400); }
Ref<fd::Date> dateByAddingHours(const fd::Date& d, int64_t n) { return addSeconds(d, double(n) * 3600); }
Ref<fd::Date> dateByAddingMinutes(const fd::Date& d, int64_t n) { return addSeconds(d, double(n) * 60); }
Ref<fd::Date> dateByAddingSeconds(const fd::Date& d, int64_t n) { return addSeconds(d, double(n)); }

String stringWithFormat(const fd::Date& d, const String& format) {
  return formatter(format, nullptr, fd::Locale::currentLocale())->stringFromDate(ref(d));
}

String stringWithFormat(const fd::Date& d, const String& format, const Ref<fd::TimeZone>& zone,
                        const Ref<fd::Locale>& locale) {
  return formatter(format, zone, locale)->stringFromDate(ref(d));
}

Ref<fd::Date> dateWithString(const String& text, const String& format) {
  return formatter(format, nullptr, nullptr)->dateFromString(text);
}

Ref<fd::Date> dateWithString(const String& text, const String& format, const Ref<fd::TimeZone>& zone,
                             const Ref<fd::Locale>& locale) {
  return formatter(format, zone, locale)->dateFromString(text);
}

String stringWithISOFormat(const fd::Date& d) { return isoFormatter(0)->stringFromDate(ref(d)); }
Ref<fd::Date> dateWithISOFormatString(const String& text) { return isoFormatter(1)->dateFromString(text); }

}  // namespace base
