#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/regex.h>
#include <unicode/simpletz.h>
#include <unicode/timezone.h>

#include <map>
#include <memory>
#include <string>

#include "platform/foundation/text/IcuText.h"
#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

// Every repetition is bounded, so that each pattern costs a constant amount per position.
// Named groups carry the parts: y/mo/d in digits, cy/cmo/cd in Chinese numerals, mon an
// English month, time a time of day, tz an ISO zone, and rel/relwk/wdn/relen/wden/relday the
// parts of a date relative to the reference day.
constexpr std::u16string_view kZhNumeral = u"[零〇一二两三四五六七八九十]";
const std::u16string kZhPeriod = u"(?:上午|下午|晚上|中午|早上|早晨|凌晨|傍晚|夜里)";
const std::u16string kZhClock = u"(?:\\d{1,2}|" + std::u16string(kZhNumeral) + u"{1,3})[ ]{0,2}(?:[点點时時]|[:：](?=\\d))[ ]{0,2}(?:\\d{1,2}[ ]{0,2}分?|" +
                                std::u16string(kZhNumeral) + u"{1,3}分|半)?";
// A part of the day alone ("上午") belongs to the date but gives it no time; the one-character
// ones ("晚8点") only come with a clock.
const std::u16string kZhTimeRequired =
    u"[ ]{0,2}(?:(?<time>(?:(?:" + kZhPeriod + u"|[早晚])[ ]{0,2})?" + kZhClock + u")|" + kZhPeriod + u")";
const std::u16string kZhTime = u"(?:" + kZhTimeRequired + u")?";
const std::u16string kZhWeekday = u"(?:[ ]{0,2}[（(]?(?:星期|周|礼拜)[一二三四五六日天][)）]?)?";
const std::u16string kAmPm = u"(?:[AaPp]\\.[Mm]\\.|[AaPp][Mm](?![A-Za-z]))";
const std::u16string kEnClock = u"(?<time>\\d{1,2}:\\d{2}(?:[ ]?" + kAmPm + u")?|\\d{1,2}[ ]?" + kAmPm + u")";
const std::u16string kEnTime = u"(?:,?[ ]{1,2}(?:[Aa]t[ ]{1,2})?" + kEnClock + u")?";
const std::u16string kEnTimeRequired = u",?[ ]{1,2}(?:[Aa]t[ ]{1,2})?" + kEnClock;
const std::u16string kEnWeekday =
    u"(?:\\b(?:Mon(?:day)?|Tue(?:s(?:day)?)?|Wed(?:nesday)?|Thu(?:r(?:s(?:day)?)?)?|Fri(?:day)?|Sat(?:urday)?|Sun(?:day)?)\\.?,?[ ]{1,2})?";
const std::u16string kEnWeekdayNames = u"(?:Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday)";
const std::u16string kMonths =
    u"(?<mon>Jan(?:uary)?|Feb(?:ruary)?|Mar(?:ch)?|Apr(?:il)?|May|June?|July?|Aug(?:ust)?|Sep(?:t|tember)?|Oct(?:ober)?|Nov(?:ember)?|Dec(?:ember)?)";
const std::u16string kMonthsCapitalised =
    u"(?<mon>January|February|March|April|May|June|July|August|September|October|November|December|Jan|Feb|Mar|Apr|Jun|Jul|Aug|Sept?|Oct|Nov|Dec)";

constexpr const char16_t* kGroupNames[] = {u"y",   u"mo",  u"d",     u"mon",  u"cy",   u"cmo",   u"cd",
                                           u"time", u"tz", u"rel", u"relwk", u"wdn", u"relen", u"wden", u"relday"};
enum Group { Y, Mo, D, Mon, Cy, Cmo, Cd, Time, Tz, Rel, RelWk, Wdn, RelEn, WdEn, RelDay, GroupCount };

struct Pattern {
  std::unique_ptr<icu::RegexPattern> regex;
  int groups[GroupCount];
};

std::vector<Pattern>& patterns() {
  static std::vector<Pattern>* all = [] {
    auto* v = new std::vector<Pattern>;
    auto add = [&](const std::u16string& p, bool caseless) {
      UErrorCode status = U_ZERO_ERROR;
      UParseError pe;
      icu::UnicodeString text(reinterpret_cast<const UChar*>(p.data()), static_cast<int32_t>(p.size()));
      std::unique_ptr<icu::RegexPattern> r(
          icu::RegexPattern::compile(text, caseless ? UREGEX_CASE_INSENSITIVE : 0, pe, status));
      if (U_FAILURE(status)) return;
      Pattern pattern{std::move(r), {}};
      for (int g = 0; g < GroupCount; ++g) {
        UErrorCode gs = U_ZERO_ERROR;
        int number = pattern.regex->groupNumberFromName(icu::UnicodeString(kGroupNames[g]), gs);
        pattern.groups[g] = U_SUCCESS(gs) ? number : -1;
      }
      v->push_back(std::move(pattern));
    };
    const std::u16string zhNumerals(kZhNumeral);
    add(u"(?<y>\\d{4})[ ]{0,2}年[ ]{0,2}(?<mo>\\d{1,2})[ ]{0,2}月[ ]{0,2}(?<d>\\d{1,2})[ ]{0,2}[日号]" + kZhWeekday + kZhTime, true);
    add(u"(?<![\\d年])(?<mo>\\d{1,2})[ ]{0,2}月[ ]{0,2}(?<d>\\d{1,2})[ ]{0,2}[日号]" + kZhWeekday + kZhTime, true);
    add(u"(?<!" + zhNumerals + u")(?:(?<cy>[〇零一二三四五六七八九]{4})年)?(?<cmo>十[一二]?|[一二三四五六七八九])月"
            u"(?<cd>三十一?|二?十[一二三四五六七八九]?|[一二三四五六七八九])[日号]" + kZhWeekday + kZhTime,
        true);
    add(u"(?<![\\d.\\-/])(?<y>\\d{4})(?<sep>[-/.])(?<mo>\\d{1,2})\\k<sep>(?<d>\\d{1,2})(?![\\d])"
        u"(?:[ T](?<time>\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d{1,9})?)?)(?![\\d])"
        u"(?<tz>Z(?![A-Za-z])|[+-]\\d{2}(?::?\\d{2})?(?![\\d])|[ ]?(?:UTC|GMT)(?:[+-]\\d{1,2}(?::?\\d{2})?)?(?![A-Za-z\\d]))?)?",
        false);
    add(kEnWeekday + u"\\b" + kMonths + u"\\.?[ ]{1,2}(?<d>\\d{1,2})(?:st|nd|rd|th)?,?[ ]{1,2}(?<y>\\d{4})\\b" + kEnTime, true);
    add(kEnWeekday + u"\\b(?<d>\\d{1,2})[ ]{1,2}" + kMonths + u"\\.?,?[ ]{1,2}(?<y>\\d{4})\\b" + kEnTime, true);
    // Without a year only a capitalised month counts ("may 5" is no date).
    add(kEnWeekday + u"\\b" + kMonthsCapitalised + u"\\.?[ ]{1,2}(?<d>\\d{1,2})(?:st|nd|rd|th)?\\b(?![:.,]?\\d)" + kEnTime, false);
    add(kEnWeekday + u"\\b(?<d>\\d{1,2})[ ]{1,2}" + kMonthsCapitalised + u"\\b(?![ ]?\\d)" + kEnTime, false);
    add(u"(?<rel>今天|今日|明天|明日|后天|昨天|昨日|前天|今晚|明晚|昨晚|今早|明早)" + kZhTimeRequired, true);
    add(u"(?<relwk>下周|下星期|下礼拜|本周|这周|这星期|上周|上星期)(?<wdn>[一二三四五六日天])" + kZhTime, true);
    add(u"\\b(?<relen>next|this|last)[ ]{1,2}(?<wden>" + kEnWeekdayNames + u")\\b" + kEnTime, true);
    add(u"\\b(?<relday>today|tomorrow|tonight|yesterday)\\b" + kEnTimeRequired, true);
    return v;
  }();
  return *all;
}

int monthNumber(const icu::UnicodeString& name) {
  static const char* const kNames[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  std::string s;
  icu::UnicodeString lower(name);
  lower.toLower().toUTF8String(s);
  for (int i = 0; i < 12; ++i)
    if (s.compare(0, 3, kNames[i]) == 0) return i + 1;
  return 0;
}

/// Monday 0 to Sunday 6, from a Chinese or English weekday name.
int weekdayNumber(const icu::UnicodeString& name) {
  static const char16_t kZh[] = u"一二三四五六";
  if (name.length() == 1) {
    for (int i = 0; i < 6; ++i)
      if (name[0] == kZh[i]) return i;
    return 6;  // 日, 天
  }
  static const char* const kEn[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
  std::string s;
  icu::UnicodeString lower(name);
  lower.toLower().toUTF8String(s);
  for (int i = 0; i < 7; ++i)
    if (s.compare(0, 3, kEn[i]) == 0) return i;
  return -1;
}

int zhDigit(char16_t c) {
  static const std::u16string_view kDigits = u"零一二三四五六七八九";
  if (c == u'〇') return 0;
  if (c == u'两') return 2;
  size_t at = kDigits.find(c);
  return at == std::u16string_view::npos ? -1 : static_cast<int>(at);
}

/// "十二" 12, "二十三" 23, "三" 3; "二〇二六" read digit by digit as 2026.
int zhNumber(std::u16string_view s) {
  if (s.empty()) return -1;
  size_t ten = s.find(u'十');
  if (ten == std::u16string_view::npos) {
    int v = 0;
    for (char16_t c : s) {
      int d = zhDigit(c);
      if (d < 0) return -1;
      v = v * 10 + d;
    }
    return v;
  }
  int tens = ten == 0 ? 1 : zhDigit(s[0]);
  int ones = ten + 1 < s.size() ? zhDigit(s[ten + 1]) : 0;
  if (tens < 0 || ones < 0 || ten > 1) return -1;
  return tens * 10 + ones;
}

struct Clock {
  int hour = -1, minute = 0, second = 0;
};

/// A time of day as the patterns take it: "下午三点半", "9点30分", "15:00:30", "3:00 PM", "9am".
Clock readClock(std::u16string_view s) {
  Clock c;
  std::u16string_view period;
  for (std::u16string_view p : {u"上午", u"下午", u"晚上", u"中午", u"早上", u"早晨", u"凌晨", u"傍晚", u"夜里"})
    if (s.substr(0, 2) == p) {
      period = p;
      s.remove_prefix(2);
      break;
    }
  if (period.empty() && !s.empty() && (s[0] == u'晚' || s[0] == u'早')) {
    period = s[0] == u'晚' ? u"晚上" : u"早上";
    s.remove_prefix(1);
  }
  // The numbers in order: hour, minute, second.
  int values[3] = {-1, 0, 0};
  int index = 0;
  size_t i = 0;
  while (i < s.size() && index < 3) {
    size_t j = i;
    if (isDigit(s[i])) {
      int v = 0;
      while (j < s.size() && isDigit(s[j]) && j - i < 4) v = v * 10 + (s[j++] - u'0');
      values[index++] = v;
    } else if (zhDigit(s[i]) >= 0 || s[i] == u'十') {
      while (j < s.size() && (zhDigit(s[j]) >= 0 || s[j] == u'十')) ++j;
      values[index++] = zhNumber(s.substr(i, j - i));
    } else if (s[i] == u'半' && index == 1) {
      values[index++] = 30;
      j = i + 1;
    } else if (s[i] == u'.' && index == 3) {
      break;
    } else {
      j = i + 1;
    }
    i = j;
    if (index == 3) break;
  }
  c.hour = values[0], c.minute = values[1], c.second = values[2];
  if (c.hour < 0) return c;
  bool pm = false, am = false;
  for (size_t k = 0; k < s.size(); ++k) {
    char16_t ch = s[k] | 0x20;
    if ((ch == u'p' || ch == u'a') && (k + 1 < s.size() && ((s[k + 1] | 0x20) == u'm' || (s[k + 1] == u'.' && k + 2 < s.size() && (s[k + 2] | 0x20) == u'm'))))
      (ch == u'p' ? pm : am) = true;
  }
  if ((pm || period == u"下午" || period == u"晚上" || period == u"傍晚" || period == u"夜里") && c.hour < 12) c.hour += 12;
  if (period == u"中午" && c.hour < 11) c.hour += 12;
  if ((am || period == u"凌晨") && c.hour == 12) c.hour = 0;
  return c;
}

/// Seconds east of GMT of an ISO zone ("Z", "+08:00", "-0500", "UTC+8").
std::optional<int> zoneOffset(std::u16string_view s) {
  while (!s.empty() && s[0] == u' ') s.remove_prefix(1);
  if (s == u"Z" || s == u"UTC" || s == u"GMT") return 0;
  if (s.substr(0, 3) == u"UTC" || s.substr(0, 3) == u"GMT") s.remove_prefix(3);
  if (s.empty() || (s[0] != u'+' && s[0] != u'-')) return std::nullopt;
  int sign = s[0] == u'-' ? -1 : 1;
  std::u16string digits;
  for (char16_t c : s.substr(1))
    if (isDigit(c)) digits.push_back(c);
  int hours = 0, minutes = 0;
  if (digits.size() <= 2) {
    for (char16_t c : digits) hours = hours * 10 + (c - u'0');
  } else if (digits.size() == 4) {
    hours = (digits[0] - u'0') * 10 + (digits[1] - u'0');
    minutes = (digits[2] - u'0') * 10 + (digits[3] - u'0');
  } else {
    return std::nullopt;
  }
  if (hours > 14 || minutes > 59) return std::nullopt;
  return sign * (hours * 3600 + minutes * 60);
}

class Reader {
 public:
  Reader(icu::RegexMatcher& m, const Pattern& p) : m_(m), p_(p) {}
  bool has(Group g) const {
    UErrorCode s = U_ZERO_ERROR;
    return p_.groups[g] >= 0 && m_.start(p_.groups[g], s) >= 0 && U_SUCCESS(s);
  }
  icu::UnicodeString text(Group g) const {
    UErrorCode s = U_ZERO_ERROR;
    return has(g) ? m_.group(p_.groups[g], s) : icu::UnicodeString();
  }
  std::u16string_view view(Group g, std::u16string& keep) const {
    icu::UnicodeString t = text(g);
    keep.assign(reinterpret_cast<const char16_t*>(t.getBuffer()), static_cast<size_t>(t.length()));
    return keep;
  }
  int number(Group g) const {
    std::string s;
    text(g).toUTF8String(s);
    return s.empty() ? -1 : std::atoi(s.c_str());
  }

 private:
  icu::RegexMatcher& m_;
  const Pattern& p_;
};

}  // namespace

void scanDates(const rt::String& text, const Ref<fd::TimeZone>& zone, const Ref<fd::Date>& now,
               std::vector<DataDetectorMatch>& out) {
  icu::UnicodeString input = fd::icutext::alias(text);
  std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(fd::icutext::alias(zone->name())));
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(*tz, status);
  if (U_FAILURE(status)) return;
  UDate reference = now->timeIntervalSince1970() * 1000.0;
  calendar.setTime(reference, status);
  int thisYear = calendar.get(UCAL_YEAR, status), thisMonth = calendar.get(UCAL_MONTH, status) + 1,
      thisDay = calendar.get(UCAL_DATE, status);
  int thisWeekday = (calendar.get(UCAL_DAY_OF_WEEK, status) + 5) % 7;  // Monday 0
  if (U_FAILURE(status)) return;
  for (auto& p : patterns()) {
    status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> m(p.regex->matcher(input, status));
    if (U_FAILURE(status)) continue;
    while (m->find(status) && U_SUCCESS(status)) {
      Reader r(*m, p);
      std::u16string keep;
      int year = thisYear, month = 0, day = 0, shift = 0;
      if (r.has(Y)) year = r.number(Y);
      if (r.has(Cy)) year = zhNumber(r.view(Cy, keep));
      if (r.has(Mo)) month = r.number(Mo);
      if (r.has(Cmo)) month = zhNumber(r.view(Cmo, keep));
      if (r.has(Mon)) month = monthNumber(r.text(Mon));
      if (r.has(D)) day = r.number(D);
      if (r.has(Cd)) day = zhNumber(r.view(Cd, keep));
      std::u16string_view period;
      if (r.has(Rel) || r.has(RelDay)) {
        month = thisMonth, day = thisDay;
        std::u16string word;
        r.view(r.has(Rel) ? Rel : RelDay, word);
        for (char16_t& c : word) c = static_cast<char16_t>(c | (c < 0x80 ? 0x20 : 0));
        char16_t first = word[0];
        if (first == u'明' || word == u"tomorrow") shift = 1;
        else if (first == u'后') shift = 2;
        else if (first == u'昨' || word == u"yesterday") shift = -1;
        else if (first == u'前') shift = -2;
        if (word.size() == 2 && word[1] == u'晚') period = u"晚上";
      }
      if (r.has(RelWk) || r.has(RelEn)) {
        month = thisMonth, day = thisDay;
        int target = weekdayNumber(r.text(r.has(Wdn) ? Wdn : WdEn));
        std::u16string which;
        r.view(r.has(RelWk) ? RelWk : RelEn, which);
        int week = (which[0] == u'下' || (which[0] | 0x20) == u'n') ? 1 : (which[0] == u'上' || (which[0] | 0x20) == u'l') ? -1 : 0;
        shift = week * 7 + target - thisWeekday;
      }
      Clock clock;
      if (r.has(Time)) {
        std::u16string t;
        r.view(Time, t);
        if (!period.empty() && t.find_first_of(u"上下晚中早凌傍夜") == std::u16string::npos) t = std::u16string(period) + t;
        clock = readClock(t);
        if (clock.hour < 0) continue;
      }
      if (month < 1 || month > 12 || day < 1 || day > 31 || clock.hour > 23 || clock.minute > 59 || clock.second > 59 ||
          year < 1)
        continue;
      std::optional<int> offset;
      if (r.has(Tz)) {
        std::u16string z;
        offset = zoneOffset(r.view(Tz, z));
        if (!offset) continue;
      }
      // The calendar, strict, refuses days a month does not have.
      UErrorCode cs = U_ZERO_ERROR;
      icu::GregorianCalendar at(offset ? static_cast<const icu::TimeZone&>(icu::SimpleTimeZone(*offset * 1000, u"ISO"))
                                       : static_cast<const icu::TimeZone&>(*tz),
                                cs);
      at.clear();
      at.setLenient(false);
      at.set(year, month - 1, day, std::max(0, clock.hour), clock.minute, clock.second);
      UDate when = at.getTime(cs);
      if (shift != 0 && U_SUCCESS(cs)) {
        at.setLenient(true);
        at.add(UCAL_DATE, shift, cs);
        when = at.getTime(cs);
      }
      if (U_FAILURE(cs)) continue;
      DataDetectorMatch match;
      match.type = TextCheckingTypeDate;
      UErrorCode rs = U_ZERO_ERROR;
      int32_t start = m->start(rs), end = m->end(rs);
      // A time that did not follow leaves trailing spaces out of the match.
      while (end > start && (input[end - 1] == u' ' || input[end - 1] == u'\t')) --end;
      match.range = {static_cast<uint64_t>(start), static_cast<uint64_t>(end - start)};
      match.date = fd::Date::dateWithTimeIntervalSince1970(when / 1000.0);
      match.timeZone = offset ? fd::TimeZone::timeZoneForSecondsFromGMT(*offset) : zone;
      match.hasTime = clock.hour >= 0;
      out.push_back(std::move(match));
    }
  }
}

}  // namespace ui::detect
