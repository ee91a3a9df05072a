#pragma once
// Points in time, as seconds relative to the reference date 2001-01-01 00:00:00 UTC.
#include "platform/foundation/Types.h"

namespace fd {

using TimeInterval = double;

/// Seconds from 1970-01-01 to the reference date 2001-01-01.
inline constexpr TimeInterval kTimeIntervalSince1970 = 978307200.0;

/// Wall time in seconds since 1970, from the process clock.
TimeInterval currentTime();

class Date : public Object {
  RT_CLASS_NAMED(Date, Object, "NSDate")
 public:
  /// Now.
  void init();
  void init(TimeInterval sinceReferenceDate) { t_ = sinceReferenceDate; }

  static Ref<Date> date();
  static Ref<Date> dateWithTimeIntervalSinceNow(TimeInterval seconds);
  static Ref<Date> dateWithTimeIntervalSince1970(TimeInterval seconds);
  static Ref<Date> dateWithTimeIntervalSinceReferenceDate(TimeInterval seconds);
  static Ref<Date> dateWithTimeInterval(TimeInterval seconds, const Date& since);
  /// 0001-01-01 (Julian calendar) and 4001-01-01, both 00:00:00 UTC.
  static const Ref<Date>& distantPast();
  static const Ref<Date>& distantFuture();
  /// Seconds since the reference date, now.
  static TimeInterval timeIntervalSinceReferenceDateNow();

  TimeInterval timeIntervalSince1970() const { return t_ + kTimeIntervalSince1970; }
  TimeInterval timeIntervalSinceReferenceDate() const { return t_; }
  TimeInterval timeIntervalSinceDate(const Date& other) const { return t_ - other.t_; }
  TimeInterval timeIntervalSinceNow() const;
  Ref<Date> dateByAddingTimeInterval(TimeInterval seconds) const;

  Ordering compare(const Date& other) const;
  Ref<Date> earlierDate(const Ref<Date>& other) const;
  Ref<Date> laterDate(const Ref<Date>& other) const;
  bool isEqualToDate(const Date& other) const { return t_ == other.t_; }

  /// "2001-01-01 00:00:00 +0000" (UTC).
  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;

 private:
  TimeInterval t_ = 0;
};

}  // namespace fd
