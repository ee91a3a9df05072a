#include "platform/foundation/time/Date.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "platform/dispatch/Clock.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Date) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
  c.property("timeIntervalSince1970", &Date::timeIntervalSince1970);
  c.property("timeIntervalSinceReferenceDate", &Date::timeIntervalSinceReferenceDate);
}

namespace {

// Proleptic Gregorian calendar date of a day count since 1970-01-01.
void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += (m <= 2);
}

}  // namespace

TimeInterval currentTime() { return dispatch::now(); }

void Date::init() { t_ = currentTime() - kTimeIntervalSince1970; }

Ref<Date> Date::date() { return rt::make<Date>(); }

Ref<Date> Date::dateWithTimeIntervalSinceNow(TimeInterval seconds) {
  return rt::make<Date>(timeIntervalSinceReferenceDateNow() + seconds);
}

Ref<Date> Date::dateWithTimeIntervalSince1970(TimeInterval seconds) {
  return rt::make<Date>(seconds - kTimeIntervalSince1970);
}

Ref<Date> Date::dateWithTimeIntervalSinceReferenceDate(TimeInterval seconds) { return rt::make<Date>(seconds); }

Ref<Date> Date::dateWithTimeInterval(TimeInterval seconds, const Date& since) { return rt::make<Date>(since.t_ + seconds); }

const Ref<Date>& Date::distantPast() {
  static const Ref<Date> d = rt::make<Date>(-63114076800.0);
  return d;
}

const Ref<Date>& Date::distantFuture() {
  static const Ref<Date> d = rt::make<Date>(63113904000.0);
  return d;
}

TimeInterval Date::timeIntervalSinceReferenceDateNow() { return currentTime() - kTimeIntervalSince1970; }

TimeInterval Date::timeIntervalSinceNow() const { return t_ - timeIntervalSinceReferenceDateNow(); }

Ref<Date> Date::dateByAddingTimeInterval(TimeInterval seconds) const { return rt::make<Date>(t_ + seconds); }

Ordering Date::compare(const Date& other) const {
  if (t_ < other.t_) return Ordering::Ascending;
  if (t_ > other.t_) return Ordering::Descending;
  return Ordering::Same;
}

Ref<Date> Date::earlierDate(const Ref<Date>& other) const {
  auto me = rt::as<Date>(std::const_pointer_cast<Object>(self()));
  if (!other) return me;
  return other->t_ < t_ ? other : me;
}

Ref<Date> Date::laterDate(const Ref<Date>& other) const {
  auto me = rt::as<Date>(std::const_pointer_cast<Object>(self()));
  if (!other) return me;
  return other->t_ > t_ ? other : me;
}

String Date::description() const {
  double unix = std::floor(timeIntervalSince1970());
  if (!std::isfinite(unix)) return "(invalid date)";
  int64_t secs = static_cast<int64_t>(unix);
  int64_t days = secs >= 0 ? secs / 86400 : (secs - 86399) / 86400;
  int64_t rem = secs - days * 86400;
  int64_t y;
  unsigned m, d;
  civilFromDays(days, y, m, d);
  if (y <= 0) y = 1 - y;  // the year of its era, as calendars print it (year 0 is 1 BC)
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld +0000", static_cast<long long>(y), m, d,
                static_cast<long long>(rem / 3600), static_cast<long long>(rem / 60 % 60), static_cast<long long>(rem % 60));
  return String(buf);
}

bool Date::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* d = dynamic_cast<const Date*>(other);
  return d && d->t_ == t_;
}

size_t Date::hash() const { return std::hash<double>()(t_); }

Id Date::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
