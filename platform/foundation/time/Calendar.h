#pragma once
// Calendars: breaking dates into fields and back, and calendar arithmetic. A calendar without
// an explicit time zone or locale follows the device zone and the current locale as they are
// at each call. Safe to use from several threads.
#include <memory>
#include <mutex>

#include <unicode/uversion.h>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/time/DateComponents.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/time/TimeZone.h"
#include "platform/foundation/Types.h"

U_NAMESPACE_BEGIN
class Calendar;
U_NAMESPACE_END

namespace fd {

/// Calendar identifiers.
inline constexpr const char* CalendarIdentifierGregorian = "gregorian";
inline constexpr const char* CalendarIdentifierISO8601 = "iso8601";
inline constexpr const char* CalendarIdentifierBuddhist = "buddhist";
inline constexpr const char* CalendarIdentifierChinese = "chinese";
inline constexpr const char* CalendarIdentifierJapanese = "japanese";
inline constexpr const char* CalendarIdentifierRepublicOfChina = "roc";

/// Options of calendar arithmetic.
enum CalendarOptions : uint64_t {
  /// Fields wrap within their larger unit instead of carrying into it (Dec + 1 month = Jan of
  /// the same year).
  CalendarWrapComponents = 1,
};

class Calendar : public Object {
  RT_CLASS_NAMED(Calendar, Object, "NSCalendar")

 public:
  /// False for an identifier no calendar answers to.
  bool init(const String& identifier);
  static Ref<Calendar> calendarWithIdentifier(const String& identifier);
  /// A Gregorian calendar following the device zone and the current locale.
  static Ref<Calendar> currentCalendar();

  const String& calendarIdentifier() const { return identifier_; }
  /// The zone set, else the device zone.
  Ref<TimeZone> timeZone() const;
  void setTimeZone(Ref<TimeZone> zone);
  /// The locale set, else the current locale.
  Ref<Locale> locale() const;
  void setLocale(Ref<Locale> locale);
  /// 1 = Sunday; by default the locale's.
  int64_t firstWeekday() const;
  void setFirstWeekday(int64_t weekday);
  int64_t minimumDaysInFirstWeek() const;
  void setMinimumDaysInFirstWeek(int64_t days);

  /// The fields named by `unitFlags` (CalendarUnit values or'ed); the others stay undefined.
  DateComponents components(uint64_t unitFlags, const Ref<Date>& date) const;
  int64_t component(CalendarUnit unit, const Ref<Date>& date) const;
  /// Out-of-range fields carry over (month 13 is January of the next year); fields not given
  /// take their smallest value (year 1, January, day 1, midnight). Null when a field is beyond
  /// what the calendar can represent.
  Ref<Date> dateFromComponents(const DateComponents& components) const;
  /// Adds the larger units first; adding months keeps the day when it exists and clamps to the
  /// month's last day otherwise (Jan 31 + 1 month = Feb 28 or 29).
  Ref<Date> dateByAddingComponents(const DateComponents& components, const Ref<Date>& date, uint64_t options = 0) const;
  Ref<Date> dateByAddingUnit(CalendarUnit unit, int64_t value, const Ref<Date>& date, uint64_t options = 0) const;
  /// The first moment of the date's day.
  Ref<Date> startOfDayForDate(const Ref<Date>& date) const;
  bool isDateInToday(const Ref<Date>& date) const;
  bool isDateInYesterday(const Ref<Date>& date) const;
  bool isDateInTomorrow(const Ref<Date>& date) const;
  bool isDateInSameDayAsDate(const Ref<Date>& a, const Ref<Date>& b) const;

  String description() const override;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return identifier_.hash(); }
  Id copy() const override;

 private:
  /// A fresh ICU calendar with this calendar's settings, set to `secondsSince1970`.
  std::unique_ptr<icu::Calendar> makeCalendar(const Ref<TimeZone>& zone, double secondsSince1970) const;
  bool sameDay(const Ref<Date>& a, const Ref<Date>& b) const;

  String identifier_;
  mutable std::mutex mutex_;
  Ref<TimeZone> zone_;
  Ref<Locale> locale_;
  int64_t firstWeekday_ = 0;  // 0: the locale's
  int64_t minimumDays_ = 0;   // 0: the locale's
};

}  // namespace fd
