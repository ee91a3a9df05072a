#include "platform/foundation/time/Calendar.h"

#include <cmath>
#include <limits>

#include <unicode/calendar.h>

namespace fd {

RT_IMPLEMENT_PLATFORM(Calendar) {
  c.property("calendarIdentifier", &Calendar::calendarIdentifier);
  c.property("firstWeekday", &Calendar::firstWeekday, &Calendar::setFirstWeekday);
  c.property("minimumDaysInFirstWeek", &Calendar::minimumDaysInFirstWeek, &Calendar::setMinimumDaysInFirstWeek);
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

namespace {

const char* const kIdentifiers[] = {"gregorian", "iso8601",  "buddhist", "chinese", "coptic",
                                    "ethiopic",  "ethiopic-amete-alem", "hebrew", "indian", "islamic",
                                    "islamic-civil", "islamic-tbla", "islamic-umalqura", "japanese", "persian",
                                    "roc"};

bool isDefined(int64_t v) { return v != DateComponentUndefined; }

bool fitsInt32(int64_t v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// Sub-second parts are kept apart from ICU, which counts whole milliseconds.
double wholeSeconds(double t) { return std::floor(t); }

}  // namespace

bool Calendar::init(const String& identifier) {
  for (const char* id : kIdentifiers) {
    if (identifier == id) {
      identifier_ = identifier;
      return true;
    }
  }
  return false;
}

Ref<Calendar> Calendar::calendarWithIdentifier(const String& identifier) { return rt::make<Calendar>(identifier); }

Ref<Calendar> Calendar::currentCalendar() { return calendarWithIdentifier(CalendarIdentifierGregorian); }

Ref<TimeZone> Calendar::timeZone() const {
  std::lock_guard lock(mutex_);
  return zone_ ? zone_ : TimeZone::defaultTimeZone();
}

void Calendar::setTimeZone(Ref<TimeZone> zone) {
  std::lock_guard lock(mutex_);
  zone_ = std::move(zone);
}

Ref<Locale> Calendar::locale() const {
  std::lock_guard lock(mutex_);
  return locale_ ? locale_ : Locale::currentLocale();
}

void Calendar::setLocale(Ref<Locale> locale) {
  std::lock_guard lock(mutex_);
  locale_ = std::move(locale);
}

int64_t Calendar::firstWeekday() const {
  {
    std::lock_guard lock(mutex_);
    if (firstWeekday_) return firstWeekday_;
  }
  UErrorCode status = U_ZERO_ERROR;
  return makeCalendar(timeZone(), 0)->getFirstDayOfWeek(status);
}

void Calendar::setFirstWeekday(int64_t weekday) {
  std::lock_guard lock(mutex_);
  firstWeekday_ = weekday >= 1 && weekday <= 7 ? weekday : 0;
}

int64_t Calendar::minimumDaysInFirstWeek() const {
  {
    std::lock_guard lock(mutex_);
    if (minimumDays_) return minimumDays_;
  }
  return makeCalendar(timeZone(), 0)->getMinimalDaysInFirstWeek();
}

void Calendar::setMinimumDaysInFirstWeek(int64_t days) {
  std::lock_guard lock(mutex_);
  minimumDays_ = days >= 1 && days <= 7 ? days : 0;
}

std::unique_ptr<icu::Calendar> Calendar::makeCalendar(const Ref<TimeZone>& zone, double secondsSince1970) const {
  Ref<Locale> loc = locale();
  int64_t first, minDays;
  {
    std::lock_guard lock(mutex_);
    first = firstWeekday_;
    minDays = minimumDays_;
  }
  icu::Locale icuLocale = loc->icuLocale();
  UErrorCode status = U_ZERO_ERROR;
  icuLocale.setKeywordValue("calendar", identifier_.utf8().c_str(), status);
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> cal(icu::Calendar::createInstance(zone->icuTimeZone().clone(), icuLocale, status));
  if (U_FAILURE(status) || !cal) {
    status = U_ZERO_ERROR;
    cal.reset(icu::Calendar::createInstance(zone->icuTimeZone().clone(), icu::Locale::getRoot(), status));
  }
  cal->setLenient(true);
  if (first) cal->setFirstDayOfWeek(static_cast<UCalendarDaysOfWeek>(first));
  if (minDays) cal->setMinimalDaysInFirstWeek(static_cast<uint8_t>(minDays));
  cal->setTime(wholeSeconds(secondsSince1970) * 1000.0, status);
  return cal;
}

DateComponents Calendar::components(uint64_t unitFlags, const Ref<Date>& date) const {
  DateComponents out;
  if (!date) return out;
  Ref<TimeZone> zone = timeZone();
  double t = date->timeIntervalSince1970();
  auto cal = makeCalendar(zone, t);
  UErrorCode status = U_ZERO_ERROR;
  auto get = [&](UCalendarDateFields field) { return static_cast<int64_t>(cal->get(field, status)); };
  if (unitFlags & CalendarUnitEra) out.era = get(UCAL_ERA);
  if (unitFlags & CalendarUnitYear) out.year = get(UCAL_YEAR);
  if (unitFlags & CalendarUnitMonth) out.month = get(UCAL_MONTH) + 1;
  if (unitFlags & (CalendarUnitMonth | CalendarUnitQuarter)) out.isLeapMonth = get(UCAL_IS_LEAP_MONTH) != 0;
  if (unitFlags & CalendarUnitDay) out.day = get(UCAL_DATE);
  if (unitFlags & CalendarUnitHour) out.hour = get(UCAL_HOUR_OF_DAY);
  if (unitFlags & CalendarUnitMinute) out.minute = get(UCAL_MINUTE);
  if (unitFlags & CalendarUnitSecond) out.second = get(UCAL_SECOND);
  if (unitFlags & CalendarUnitWeekday) out.weekday = get(UCAL_DAY_OF_WEEK);
  if (unitFlags & CalendarUnitWeekdayOrdinal) out.weekdayOrdinal = get(UCAL_DAY_OF_WEEK_IN_MONTH);
  if (unitFlags & CalendarUnitQuarter) out.quarter = get(UCAL_MONTH) / 3 + 1;
  if (unitFlags & CalendarUnitWeekOfMonth) out.weekOfMonth = get(UCAL_WEEK_OF_MONTH);
  if (unitFlags & CalendarUnitWeekOfYear) out.weekOfYear = get(UCAL_WEEK_OF_YEAR);
  if (unitFlags & CalendarUnitYearForWeekOfYear) out.yearForWeekOfYear = get(UCAL_YEAR_WOY);
  if (unitFlags & CalendarUnitNanosecond) {
    int64_t ns = std::llround((t - wholeSeconds(t)) * 1e9);
    out.nanosecond = ns >= 1000000000 ? 999999999 : ns;
  }
  if (unitFlags & CalendarUnitTimeZone) out.timeZone = zone;
  return out;
}

int64_t Calendar::component(CalendarUnit unit, const Ref<Date>& date) const {
  return components(unit, date).valueForComponent(unit);
}

Ref<Date> Calendar::dateFromComponents(const DateComponents& c) const {
  for (int64_t v : {c.era, c.year, c.month, c.day, c.hour, c.minute, c.second, c.weekday, c.weekdayOrdinal,
                    c.weekOfMonth, c.weekOfYear, c.yearForWeekOfYear}) {
    if (isDefined(v) && !fitsInt32(v)) return nullptr;
  }
  auto cal = makeCalendar(c.timeZone ? c.timeZone : timeZone(), 0);
  cal->clear();
  auto set = [&](UCalendarDateFields field, int64_t v) { cal->set(field, static_cast<int32_t>(v)); };
  UErrorCode status = U_ZERO_ERROR;
  const int64_t firstDay = cal->getFirstDayOfWeek(status);
  if (isDefined(c.era)) set(UCAL_ERA, c.era);
  bool weekBased = isDefined(c.yearForWeekOfYear) && isDefined(c.weekOfYear);
  if (weekBased) {
    set(UCAL_YEAR_WOY, c.yearForWeekOfYear);
  } else {
    set(UCAL_YEAR, isDefined(c.year) ? c.year : 1);
  }
  if (isDefined(c.month)) set(UCAL_MONTH, c.month - 1);
  if (c.isLeapMonth) set(UCAL_IS_LEAP_MONTH, 1);
  // The fields set last decide how ICU resolves the day.
  if (isDefined(c.day)) {
    set(UCAL_DATE, c.day);
  } else if (weekBased) {
    set(UCAL_WEEK_OF_YEAR, c.weekOfYear);
    set(UCAL_DAY_OF_WEEK, isDefined(c.weekday) ? c.weekday : firstDay);
  } else if (isDefined(c.weekdayOrdinal) && isDefined(c.weekday)) {
    set(UCAL_DAY_OF_WEEK, c.weekday);
    set(UCAL_DAY_OF_WEEK_IN_MONTH, c.weekdayOrdinal);
  } else if (isDefined(c.weekOfMonth)) {
    set(UCAL_WEEK_OF_MONTH, c.weekOfMonth);
    set(UCAL_DAY_OF_WEEK, isDefined(c.weekday) ? c.weekday : firstDay);
  }
  if (isDefined(c.hour)) set(UCAL_HOUR_OF_DAY, c.hour);
  if (isDefined(c.minute)) set(UCAL_MINUTE, c.minute);
  if (isDefined(c.second)) set(UCAL_SECOND, c.second);
  status = U_ZERO_ERROR;
  UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return nullptr;
  double t = ms / 1000.0;
  if (isDefined(c.nanosecond)) t += static_cast<double>(c.nanosecond) / 1e9;
  return Date::dateWithTimeIntervalSince1970(t);
}

Ref<Date> Calendar::dateByAddingComponents(const DateComponents& c, const Ref<Date>& date, uint64_t options) const {
  if (!date) return nullptr;
  double t = date->timeIntervalSince1970();
  double fraction = t - wholeSeconds(t);
  auto cal = makeCalendar(timeZone(), t);
  UErrorCode status = U_ZERO_ERROR;
  bool wrap = options & CalendarWrapComponents;
  auto apply = [&](UCalendarDateFields field, int64_t amount) {
    if (!isDefined(amount) || amount == 0 || U_FAILURE(status)) return;
    if (!fitsInt32(amount)) {
      status = U_ILLEGAL_ARGUMENT_ERROR;
      return;
    }
    if (wrap) cal->roll(field, static_cast<int32_t>(amount), status);
    else cal->add(field, static_cast<int32_t>(amount), status);
  };
  apply(UCAL_ERA, c.era);
  apply(UCAL_YEAR, c.year);
  apply(UCAL_YEAR_WOY, c.yearForWeekOfYear);
  apply(UCAL_MONTH, c.month);
  apply(UCAL_WEEK_OF_YEAR, c.weekOfYear);
  apply(UCAL_WEEK_OF_MONTH, c.weekOfMonth);
  apply(UCAL_DAY_OF_WEEK_IN_MONTH, c.weekdayOrdinal);
  apply(UCAL_DATE, c.day);
  apply(UCAL_DAY_OF_WEEK, c.weekday);
  apply(UCAL_HOUR_OF_DAY, c.hour);
  apply(UCAL_MINUTE, c.minute);
  apply(UCAL_SECOND, c.second);
  if (U_FAILURE(status)) return nullptr;
  UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return nullptr;
  double result = ms / 1000.0 + fraction;
  if (isDefined(c.nanosecond)) result += static_cast<double>(c.nanosecond) / 1e9;
  return Date::dateWithTimeIntervalSince1970(result);
}

Ref<Date> Calendar::dateByAddingUnit(CalendarUnit unit, int64_t value, const Ref<Date>& date, uint64_t options) const {
  DateComponents c;
  c.setValueForComponent(value, unit);
  return dateByAddingComponents(c, date, options);
}

Ref<Date> Calendar::startOfDayForDate(const Ref<Date>& date) const {
  if (!date) return nullptr;
  auto cal = makeCalendar(timeZone(), date->timeIntervalSince1970());
  cal->set(UCAL_HOUR_OF_DAY, 0);
  cal->set(UCAL_MINUTE, 0);
  cal->set(UCAL_SECOND, 0);
  cal->set(UCAL_MILLISECOND, 0);
  UErrorCode status = U_ZERO_ERROR;
  UDate ms = cal->getTime(status);
  return U_SUCCESS(status) ? Date::dateWithTimeIntervalSince1970(ms / 1000.0) : nullptr;
}

bool Calendar::sameDay(const Ref<Date>& a, const Ref<Date>& b) const {
  if (!a || !b) return false;
  constexpr uint64_t units = CalendarUnitEra | CalendarUnitYear | CalendarUnitMonth | CalendarUnitDay;
  return components(units, a) == components(units, b);
}

bool Calendar::isDateInSameDayAsDate(const Ref<Date>& a, const Ref<Date>& b) const { return sameDay(a, b); }

bool Calendar::isDateInToday(const Ref<Date>& date) const { return sameDay(date, Date::date()); }

bool Calendar::isDateInYesterday(const Ref<Date>& date) const {
  return sameDay(date, dateByAddingUnit(CalendarUnitDay, -1, Date::date()));
}

bool Calendar::isDateInTomorrow(const Ref<Date>& date) const {
  return sameDay(date, dateByAddingUnit(CalendarUnitDay, 1, Date::date()));
}

String Calendar::description() const {
  return String::format("<%@: %p> identifier '%@'", className(), static_cast<const void*>(this), identifier_);
}

bool Calendar::isEqual(const Object* other) const {
  auto* o = dynamic_cast<const Calendar*>(other);
  if (!o) return false;
  if (o == this) return true;
  return o->identifier_ == identifier_ && o->timeZone()->isEqual(timeZone().get()) &&
         o->locale()->isEqual(locale().get()) && o->firstWeekday() == firstWeekday() &&
         o->minimumDaysInFirstWeek() == minimumDaysInFirstWeek();
}

Id Calendar::copy() const {
  auto c = rt::make<Calendar>(identifier_);
  std::lock_guard lock(mutex_);
  c->zone_ = zone_;
  c->locale_ = locale_;
  c->firstWeekday_ = firstWeekday_;
  c->minimumDays_ = minimumDays_;
  return c;
}

}  // namespace fd
