#include "platform/foundation/time/DateComponents.h"

namespace fd {

namespace {

template <class F> auto withField(DateComponents& c, CalendarUnit unit, F f) {
  switch (unit) {
    case CalendarUnitEra: return f(&c.era);
    case CalendarUnitYear: return f(&c.year);
    case CalendarUnitMonth: return f(&c.month);
    case CalendarUnitDay: return f(&c.day);
    case CalendarUnitHour: return f(&c.hour);
    case CalendarUnitMinute: return f(&c.minute);
    case CalendarUnitSecond: return f(&c.second);
    case CalendarUnitNanosecond: return f(&c.nanosecond);
    case CalendarUnitWeekday: return f(&c.weekday);
    case CalendarUnitWeekdayOrdinal: return f(&c.weekdayOrdinal);
    case CalendarUnitQuarter: return f(&c.quarter);
    case CalendarUnitWeekOfMonth: return f(&c.weekOfMonth);
    case CalendarUnitWeekOfYear: return f(&c.weekOfYear);
    case CalendarUnitYearForWeekOfYear: return f(&c.yearForWeekOfYear);
    default: return f(static_cast<int64_t*>(nullptr));
  }
}

}  // namespace

int64_t DateComponents::valueForComponent(CalendarUnit unit) const {
  return withField(const_cast<DateComponents&>(*this), unit,
                   [](int64_t* field) { return field ? *field : DateComponentUndefined; });
}

void DateComponents::setValueForComponent(int64_t value, CalendarUnit unit) {
  withField(*this, unit, [value](int64_t* field) {
    if (field) *field = value;
  });
}

bool DateComponents::operator==(const DateComponents& o) const {
  return era == o.era && year == o.year && month == o.month && day == o.day && hour == o.hour &&
         minute == o.minute && second == o.second && nanosecond == o.nanosecond && weekday == o.weekday &&
         weekdayOrdinal == o.weekdayOrdinal && quarter == o.quarter && weekOfMonth == o.weekOfMonth &&
         weekOfYear == o.weekOfYear && yearForWeekOfYear == o.yearForWeekOfYear && isLeapMonth == o.isLeapMonth &&
         rt::equalObjects(timeZone.get(), o.timeZone.get());
}

}  // namespace fd
