#include "platform/foundation/time/TimeZone.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <unicode/simpletz.h>
#include <unicode/tzfmt.h>
#include <unicode/tznames.h>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/text/IcuText.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(TimeZone) {
  c.property("name", &TimeZone::name);
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
}

namespace {

constexpr int64_t kMaxOffset = 18 * 3600;

struct ZoneSettings {
  std::mutex mutex;
  Ref<TimeZone> zone;
};

ZoneSettings& zoneSettings() {
  static ZoneSettings s;
  return s;
}

// "GMT+0800" for an offset in seconds, "GMT" for zero.
String offsetName(int64_t seconds) {
  if (seconds == 0) return "GMT";
  int64_t a = seconds < 0 ? -seconds : seconds;
  String out = String::format("GMT%c%02lld%02lld", seconds < 0 ? '-' : '+', a / 3600, (a % 3600) / 60);
  if (a % 60) out += String::format("%02lld", a % 60);
  return out;
}

// Offsets written as "GMT+8", "GMT+0800", "GMT-05:30", "UTC+1"; nullopt for other names.
std::optional<int64_t> parseOffsetName(const std::string& s) {
  size_t i;
  if (s.rfind("GMT", 0) == 0 || s.rfind("UTC", 0) == 0) i = 3;
  else return std::nullopt;
  if (i == s.size()) return 0;
  if (s[i] != '+' && s[i] != '-') return std::nullopt;
  int sign = s[i] == '-' ? -1 : 1;
  std::string digits;
  for (size_t k = i + 1; k < s.size(); ++k) {
    if (s[k] == ':') continue;
    if (s[k] < '0' || s[k] > '9') return std::nullopt;
    digits += s[k];
  }
  int64_t h = 0, m = 0;
  if (digits.size() == 1 || digits.size() == 2) {
    h = std::stoll(digits);
  } else if (digits.size() == 3 || digits.size() == 4) {
    h = std::stoll(digits.substr(0, digits.size() - 2));
    m = std::stoll(digits.substr(digits.size() - 2));
  } else {
    return std::nullopt;
  }
  if (m >= 60) return std::nullopt;
  return sign * (h * 3600 + m * 60);
}

bool isKnownZone(const std::string& name) {
  if (name.empty()) return false;
  if (parseOffsetName(name)) return true;
  std::unique_ptr<icu::TimeZone> z(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
  icu::UnicodeString id;
  z->getID(id);
  return id != icu::UnicodeString(u"Etc/Unknown");
}

std::string zoneFromPath(const std::string& path) {
  auto at = path.find("zoneinfo/");
  return at == std::string::npos ? std::string() : path.substr(at + 9);
}

double nowSince1970() { return currentTime(); }

}  // namespace

bool TimeZone::init(const String& name) {
  std::string n = name.utf8();
  if (auto offset = parseOffsetName(n)) {
    if (*offset < -kMaxOffset || *offset > kMaxOffset) return false;
    bool plainGMT = n == "GMT" || n == "UTC";
    name_ = plainGMT ? name : offsetName(*offset);
    zone_ = std::make_unique<icu::SimpleTimeZone>(static_cast<int32_t>(*offset * 1000), icutext::copy(name_));
    return true;
  }
  std::unique_ptr<icu::TimeZone> z(icu::TimeZone::createTimeZone(icutext::copy(name)));
  icu::UnicodeString id;
  z->getID(id);
  if (id == icu::UnicodeString(u"Etc/Unknown") || name.isEmpty()) return false;
  name_ = name;
  zone_ = std::move(z);
  return true;
}

Ref<TimeZone> TimeZone::timeZoneWithName(const String& name) { return rt::make<TimeZone>(name); }

Ref<TimeZone> TimeZone::timeZoneForSecondsFromGMT(int64_t seconds) {
  if (seconds < -kMaxOffset || seconds > kMaxOffset) return nullptr;
  return rt::make<TimeZone>(offsetName(seconds));
}

String TimeZone::environmentTimeZoneName() {
  if (const char* tz = std::getenv("TZ"); tz && *tz) {
    std::string s = tz;
    if (s[0] == ':') s.erase(0, 1);
    if (s.find('/') == 0) s = zoneFromPath(s);
    if (isKnownZone(s)) return String(s);
  }
  std::error_code ec;
  auto target = std::filesystem::read_symlink("/etc/localtime", ec);
  if (!ec) {
    std::string s = zoneFromPath(target.string());
    if (isKnownZone(s)) return String(s);
  }
  std::ifstream in("/etc/timezone");
  std::string line;
  if (in && std::getline(in, line) && isKnownZone(line)) return String(line);
  return "UTC";
}

Ref<TimeZone> TimeZone::defaultTimeZone() {
  auto& s = zoneSettings();
  std::lock_guard lock(s.mutex);
  if (!s.zone) {
    s.zone = timeZoneWithName(environmentTimeZoneName());
    if (!s.zone) s.zone = timeZoneWithName("UTC");
  }
  return s.zone;
}

void TimeZone::setDefaultTimeZone(Ref<TimeZone> zone) {
  auto& s = zoneSettings();
  std::lock_guard lock(s.mutex);
  s.zone = std::move(zone);
}

int64_t TimeZone::secondsFromGMTForTimeInterval(double secondsSince1970) const {
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zone_->getOffset(std::floor(secondsSince1970) * 1000.0, false, raw, dst, status);
  if (U_FAILURE(status)) return 0;
  return (static_cast<int64_t>(raw) + dst) / 1000;
}

int64_t TimeZone::secondsFromGMT() const { return secondsFromGMTForTimeInterval(nowSince1970()); }

int64_t TimeZone::secondsFromGMTForDate(const Ref<Date>& date) const {
  return secondsFromGMTForTimeInterval(date ? date->timeIntervalSince1970() : nowSince1970());
}

bool TimeZone::isDaylightSavingTimeForDate(const Ref<Date>& date) const {
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  double t = date ? date->timeIntervalSince1970() : nowSince1970();
  zone_->getOffset(std::floor(t) * 1000.0, false, raw, dst, status);
  return U_SUCCESS(status) && dst != 0;
}

String TimeZone::abbreviationAt(double secondsSince1970) const {
  if (name_ == "GMT" || name_ == "UTC") return name_;
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale en("en_US");
  UDate when = std::floor(secondsSince1970) * 1000.0;
  std::unique_ptr<icu::TimeZoneNames> names(icu::TimeZoneNames::createInstance(en, status));
  if (U_SUCCESS(status) && !name_.hasPrefix("GMT")) {
    int32_t raw = 0, dst = 0;
    zone_->getOffset(when, false, raw, dst, status);
    icu::UnicodeString canonical, out;
    icu::TimeZone::getCanonicalID(icutext::copy(name_), canonical, status);
    if (U_SUCCESS(status)) {
      names->getDisplayName(canonical, dst ? UTZNM_SHORT_DAYLIGHT : UTZNM_SHORT_STANDARD, when, out);
      if (!out.isBogus() && !out.isEmpty()) return icutext::toString(out);
    }
  }
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::TimeZoneFormat> fmt(icu::TimeZoneFormat::createInstance(en, status));
  if (U_FAILURE(status)) return offsetName(secondsFromGMTForTimeInterval(secondsSince1970));
  icu::UnicodeString out;
  int32_t offsetMillis = static_cast<int32_t>(secondsFromGMTForTimeInterval(secondsSince1970) * 1000);
  fmt->formatOffsetShortLocalizedGMT(offsetMillis, out, status);
  return U_SUCCESS(status) ? icutext::toString(out) : offsetName(offsetMillis / 1000);
}

String TimeZone::abbreviation() const { return abbreviationAt(nowSince1970()); }

String TimeZone::abbreviationForDate(const Ref<Date>& date) const {
  return abbreviationAt(date ? date->timeIntervalSince1970() : nowSince1970());
}

String TimeZone::description() const {
  return String::format("%@ (%@) offset %lld", name_, abbreviation(), secondsFromGMT());
}

bool TimeZone::isEqual(const Object* other) const {
  auto* o = dynamic_cast<const TimeZone*>(other);
  return o && o->name_ == name_;
}

}  // namespace fd
