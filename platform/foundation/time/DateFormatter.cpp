#include "platform/foundation/time/DateFormatter.h"

#include <cmath>

#include <unicode/calendar.h>
#include <unicode/smpdtfmt.h>

#include "platform/foundation/text/IcuText.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(DateFormatter) {
  c.property("dateFormat", &DateFormatter::dateFormat, &DateFormatter::setDateFormat);
  c.property("lenient", &DateFormatter::isLenient, &DateFormatter::setLenient).getterName("isLenient");
  c.protocol("NSCopying");
  c.protocol("NSCoding");
}

struct DateFormatter::Cache {
  std::unique_ptr<icu::SimpleDateFormat> formatter;
  String format;
  String localeIdentifier;
  Ref<TimeZone> zone;
  bool lenient = false;
};

DateFormatter::DateFormatter() = default;
DateFormatter::~DateFormatter() = default;

String DateFormatter::dateFormat() const {
  std::lock_guard lock(mutex_);
  return format_;
}

void DateFormatter::setDateFormat(String format) {
  std::lock_guard lock(mutex_);
  format_ = std::move(format);
}

Ref<Locale> DateFormatter::locale() const {
  std::lock_guard lock(mutex_);
  return locale_ ? locale_ : Locale::currentLocale();
}

void DateFormatter::setLocale(Ref<Locale> locale) {
  std::lock_guard lock(mutex_);
  locale_ = std::move(locale);
}

Ref<TimeZone> DateFormatter::timeZone() const {
  std::lock_guard lock(mutex_);
  return zone_ ? zone_ : TimeZone::defaultTimeZone();
}

void DateFormatter::setTimeZone(Ref<TimeZone> zone) {
  std::lock_guard lock(mutex_);
  zone_ = std::move(zone);
}

bool DateFormatter::isLenient() const {
  std::lock_guard lock(mutex_);
  return lenient_;
}

void DateFormatter::setLenient(bool lenient) {
  std::lock_guard lock(mutex_);
  lenient_ = lenient;
}

icu::SimpleDateFormat* DateFormatter::formatter() const {
  Ref<Locale> loc = locale_ ? locale_ : Locale::currentLocale();
  Ref<TimeZone> zone = zone_ ? zone_ : TimeZone::defaultTimeZone();
  if (cache_ && cache_->formatter && cache_->format == format_ && cache_->localeIdentifier == loc->localeIdentifier() &&
      cache_->zone == zone && cache_->lenient == lenient_) {
    return cache_->formatter.get();
  }
  auto cache = std::make_unique<Cache>();
  UErrorCode status = U_ZERO_ERROR;
  cache->formatter = std::make_unique<icu::SimpleDateFormat>(icutext::copy(format_), loc->icuLocale(), status);
  if (U_FAILURE(status)) {
    cache_.reset();
    return nullptr;
  }
  cache->formatter->setTimeZone(zone->icuTimeZone());
  cache->formatter->setLenient(lenient_);
  cache->format = format_;
  cache->localeIdentifier = loc->localeIdentifier();
  cache->zone = zone;
  cache->lenient = lenient_;
  cache_ = std::move(cache);
  return cache_->formatter.get();
}

String DateFormatter::stringFromDate(const Ref<Date>& date) const {
  if (!date) return String();
  std::lock_guard lock(mutex_);
  if (format_.isEmpty()) return String();
  icu::SimpleDateFormat* f = formatter();
  if (!f) return String();
  icu::UnicodeString out;
  f->format(std::floor(date->timeIntervalSince1970() * 1000.0), out);
  return icutext::toString(out);
}

Ref<Date> DateFormatter::dateFromString(const String& text) const {
  std::lock_guard lock(mutex_);
  if (format_.isEmpty() || text.isEmpty()) return nullptr;
  icu::SimpleDateFormat* f = formatter();
  if (!f) return nullptr;
  std::unique_ptr<icu::Calendar> cal(f->getCalendar()->clone());
  cal->clear();
  cal->set(2000, UCAL_JANUARY, 1, 0, 0, 0);
  icu::UnicodeString input = icutext::alias(text);
  icu::ParsePosition pos(0);
  f->parse(input, *cal, pos);
  if (pos.getErrorIndex() >= 0 || pos.getIndex() != input.length()) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return nullptr;
  return Date::dateWithTimeIntervalSince1970(ms / 1000.0);
}

String DateFormatter::description() const {
  return String::format("<%@: %p> %@", className(), static_cast<const void*>(this), dateFormat());
}

// ISO 8601 ---------------------------------------------------------------------------------

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int64_t daysInMonth(int64_t y, int64_t m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

class Reader {
 public:
  explicit Reader(const String& s) : s_(s) {}
  bool atEnd() const { return i_ >= s_.length(); }
  bool peek(char16_t c) const { return !atEnd() && s_[i_] == c; }
  bool take(char16_t c) {
    if (!peek(c)) return false;
    ++i_;
    return true;
  }
  // Exactly `count` digits.
  bool digits(size_t count, int64_t& out) {
    if (i_ + count > s_.length()) return false;
    out = 0;
    for (size_t k = 0; k < count; ++k) {
      char16_t c = s_[i_ + k];
      if (c < u'0' || c > u'9') return false;
      out = out * 10 + (c - u'0');
    }
    i_ += count;
    return true;
  }
  // One or more digits as a fraction of a second.
  bool fraction(double& out) {
    size_t start = i_;
    double scale = 0.1;
    out = 0;
    while (!atEnd() && s_[i_] >= u'0' && s_[i_] <= u'9') {
      out += (s_[i_] - u'0') * scale;
      scale /= 10;
      ++i_;
    }
    return i_ > start;
  }

 private:
  const String& s_;
  size_t i_ = 0;
};

}  // namespace

String ISO8601StringFromDate(const Ref<Date>& date, const Ref<TimeZone>& zone) {
  if (!date) return String();
  double t = date->timeIntervalSince1970();
  int64_t offset = zone ? zone->secondsFromGMTForTimeInterval(t) : 0;
  double local = t + static_cast<double>(offset);
  double whole = std::floor(local);
  int64_t millis = std::llround((local - whole) * 1000.0);
  int64_t seconds = static_cast<int64_t>(whole);
  if (millis == 1000) {
    millis = 0;
    ++seconds;
  }
  int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int64_t secondOfDay = seconds - days * 86400;
  int64_t y, m, d;
  civilFromDays(days, y, m, d);
  String out = String::format("%04lld-%02lld-%02lldT%02lld:%02lld:%02lld", y, m, d, secondOfDay / 3600,
                              secondOfDay % 3600 / 60, secondOfDay % 60);
  if (millis) out += String::format(".%03lld", millis);
  if (offset == 0) return out + "Z";
  int64_t a = offset < 0 ? -offset : offset;
  return out + String::format("%c%02lld:%02lld", offset < 0 ? '-' : '+', a / 3600, a % 3600 / 60);
}

Ref<Date> dateFromISO8601String(const String& text) {
  Reader r(text);
  int64_t y, mo, d, h = 0, mi = 0, s = 0;
  double frac = 0;
  if (!r.digits(4, y) || !r.take(u'-') || !r.digits(2, mo) || !r.take(u'-') || !r.digits(2, d)) return nullptr;
  if (mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo)) return nullptr;
  int64_t offset = 0;
  if (!r.atEnd()) {
    if (!r.take(u'T') && !r.take(u't') && !r.take(u' ')) return nullptr;
    if (!r.digits(2, h) || !r.take(u':') || !r.digits(2, mi)) return nullptr;
    if (r.take(u':')) {
      if (!r.digits(2, s)) return nullptr;
      if ((r.peek(u'.') || r.peek(u',')) && (r.take(u'.') || r.take(u','))) {
        if (!r.fraction(frac)) return nullptr;
      }
    }
    if (h > 23 || mi > 59 || s > 59) return nullptr;
    if (r.take(u'Z') || r.take(u'z')) {
      offset = 0;
    } else if (r.peek(u'+') || r.peek(u'-')) {
      int sign = r.take(u'-') ? -1 : (r.take(u'+'), 1);
      int64_t oh, om = 0;
      if (!r.digits(2, oh)) return nullptr;
      if (r.take(u':')) {
        if (!r.digits(2, om)) return nullptr;
      } else if (!r.atEnd()) {
        if (!r.digits(2, om)) return nullptr;
      }
      if (oh > 18 || om > 59) return nullptr;
      offset = sign * (oh * 3600 + om * 60);
    }
  }
  if (!r.atEnd()) return nullptr;
  double t = static_cast<double>(daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s - offset) + frac;
  return Date::dateWithTimeIntervalSince1970(t);
}

}  // namespace fd
