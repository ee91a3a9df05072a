#pragma once
// A date broken into calendar fields. Fields not given hold DateComponentUndefined.
#include <cstdint>

#include "platform/foundation/time/TimeZone.h"
#include "platform/foundation/Types.h"

namespace fd {

inline constexpr int64_t DateComponentUndefined = INT64_MAX;

/// Calendar units, with the platform's values; combine them with "|".
enum CalendarUnit : uint64_t {
  CalendarUnitEra = 2,
  CalendarUnitYear = 4,
  CalendarUnitMonth = 8,
  CalendarUnitDay = 16,
  CalendarUnitHour = 32,
  CalendarUnitMinute = 64,
  CalendarUnitSecond = 128,
  CalendarUnitWeekday = 512,
  CalendarUnitWeekdayOrdinal = 1024,
  CalendarUnitQuarter = 2048,
  CalendarUnitWeekOfMonth = 4096,
  CalendarUnitWeekOfYear = 8192,
  CalendarUnitYearForWeekOfYear = 16384,
  CalendarUnitNanosecond = 32768,
  CalendarUnitCalendar = 1 << 20,
  CalendarUnitTimeZone = 1 << 21,
};

struct DateComponents {
  int64_t era = DateComponentUndefined;
  int64_t year = DateComponentUndefined;
  int64_t month = DateComponentUndefined;
  int64_t day = DateComponentUndefined;
  int64_t hour = DateComponentUndefined;
  int64_t minute = DateComponentUndefined;
  int64_t second = DateComponentUndefined;
  int64_t nanosecond = DateComponentUndefined;
  int64_t weekday = DateComponentUndefined;  // 1 = Sunday ... 7 = Saturday
  int64_t weekdayOrdinal = DateComponentUndefined;
  int64_t quarter = DateComponentUndefined;
  int64_t weekOfMonth = DateComponentUndefined;
  int64_t weekOfYear = DateComponentUndefined;
  int64_t yearForWeekOfYear = DateComponentUndefined;
  bool isLeapMonth = false;
  /// The zone the fields are in; null means the calendar's.
  Ref<TimeZone> timeZone;

  /// The field of one unit; DateComponentUndefined for a unit without a field.
  int64_t valueForComponent(CalendarUnit unit) const;
  void setValueForComponent(int64_t value, CalendarUnit unit);
  bool operator==(const DateComponents& other) const;
};

}  // namespace fd
