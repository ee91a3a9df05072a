#pragma once
// Time zones, and the process-wide "device" zone that defaults come from. The device zone is
// read from TZ or /etc/localtime (UTC when neither names a known zone) and can be replaced,
// e.g. by tests, so that formatters and calendars made with defaults give the same results
// everywhere.
#include <memory>

#include <unicode/timezone.h>

#include "platform/foundation/Types.h"

namespace fd {

class Date;

class TimeZone : public Object {
  RT_CLASS_NAMED(TimeZone, Object, "NSTimeZone")

 public:
  /// False for a name no zone answers to.
  bool init(const String& name);
  /// "GMT", "UTC", "Asia/Shanghai", "GMT+0800"...; null when unknown.
  static Ref<TimeZone> timeZoneWithName(const String& name);
  /// A fixed offset, named "GMT+0800" ("GMT" for 0); null beyond 18 hours either way.
  static Ref<TimeZone> timeZoneForSecondsFromGMT(int64_t seconds);

  /// The device zone: the one set, else the environment's.
  static Ref<TimeZone> defaultTimeZone();
  /// Replaces the device zone; null goes back to the environment's.
  static void setDefaultTimeZone(Ref<TimeZone> zone);
  static Ref<TimeZone> systemTimeZone() { return defaultTimeZone(); }
  static Ref<TimeZone> localTimeZone() { return defaultTimeZone(); }
  /// The zone name the environment gives (TZ, /etc/localtime, /etc/timezone), "UTC" if none.
  static String environmentTimeZoneName();

  const String& name() const { return name_; }
  /// The short name at the present moment ("GMT+8", "EST", "GMT").
  String abbreviation() const;
  String abbreviationForDate(const Ref<Date>& date) const;
  int64_t secondsFromGMT() const;
  int64_t secondsFromGMTForDate(const Ref<Date>& date) const;
  int64_t secondsFromGMTForTimeInterval(double secondsSince1970) const;
  bool isDaylightSavingTimeForDate(const Ref<Date>& date) const;
  const icu::TimeZone& icuTimeZone() const { return *zone_; }

  String description() const override;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return name_.hash(); }
  Id copy() const override { return std::const_pointer_cast<Object>(self()); }

 private:
  String abbreviationAt(double secondsSince1970) const;
  String name_;
  std::unique_ptr<icu::TimeZone> zone_;
};

}  // namespace fd
