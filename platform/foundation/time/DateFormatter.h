#pragma once
// Dates to text and back with LDML patterns ("yyyy-MM-dd'T'HH:mm:ssZ"). A formatter without
// an explicit locale or time zone follows the current locale and the device zone as they are
// at each call. Safe to use from several threads.
#include <memory>
#include <mutex>

#include <unicode/uversion.h>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/time/TimeZone.h"
#include "platform/foundation/Types.h"

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

namespace fd {

class DateFormatter : public Object {
  RT_CLASS_NAMED(DateFormatter, Object, "NSDateFormatter")

 public:
  void init() {}
  static Ref<DateFormatter> create() { return rt::make<DateFormatter>(); }
  DateFormatter();
  ~DateFormatter() override;

  String dateFormat() const;
  void setDateFormat(String format);
  /// The locale set, else the current locale.
  Ref<Locale> locale() const;
  void setLocale(Ref<Locale> locale);
  /// The zone set, else the device zone.
  Ref<TimeZone> timeZone() const;
  void setTimeZone(Ref<TimeZone> zone);
  /// Off by default: text must match the pattern exactly and entirely.
  bool isLenient() const;
  void setLenient(bool lenient);

  /// "" for a null date or an empty format.
  String stringFromDate(const Ref<Date>& date) const;
  /// Null when the text does not match the format. Fields the format lacks come from
  /// 2000-01-01 00:00:00 in the formatter's zone.
  Ref<Date> dateFromString(const String& text) const;

  String description() const override;

 private:
  struct Cache;
  /// The ICU formatter for the present settings; call with mutex_ held.
  icu::SimpleDateFormat* formatter() const;

  mutable std::mutex mutex_;
  String format_;
  Ref<Locale> locale_;
  Ref<TimeZone> zone_;
  bool lenient_ = false;
  mutable std::unique_ptr<Cache> cache_;
};

/// "2015-03-04T02:20:30Z" in UTC, or with the zone's offset ("2015-03-04T10:20:30+08:00");
/// fractional seconds are written only when present (".250").
String ISO8601StringFromDate(const Ref<Date>& date, const Ref<TimeZone>& zone = nullptr);
/// Reads "YYYY-MM-DD", "YYYY-MM-DDTHH:MM[:SS[.fff]]" with "Z", "±HH:MM", "±HHMM" or "±HH"
/// (UTC when no zone is written); null on anything else or on out-of-range fields.
Ref<Date> dateFromISO8601String(const String& text);

}  // namespace fd
