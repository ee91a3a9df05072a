#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/regex.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>
#include <mutex>

#include "platform/foundation/text/IcuText.h"
#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

// Every repetition is bounded, so that each pattern costs a constant amount per position.
constexpr const char16_t* kTime =
    u"(?:[ \\t]{0,2}(上午|下午|晚上|中午|早上|凌晨)?[ \\t]{0,2}(\\d{1,2})[ \\t]{0,2}(?:[点時时:：])[ \\t]{0,2}(?:(\\d{1,2})[ \\t]{0,2}分?)?)?";
constexpr const char16_t* kMonths =
    u"(Jan(?:uary)?|Feb(?:ruary)?|Mar(?:ch)?|Apr(?:il)?|May|June?|July?|Aug(?:ust)?|Sep(?:t|tember)?|Oct(?:ober)?|Nov(?:ember)?|Dec(?:ember)?)";

enum class Form { ChineseFull, ChineseMonthDay, Numeric, EnglishMonthFirst, EnglishDayFirst };

struct Pattern {
  Form form;
  std::unique_ptr<icu::RegexPattern> regex;
};

std::vector<Pattern>& patterns() {
  static std::vector<Pattern>* all = [] {
    auto* v = new std::vector<Pattern>;
    auto add = [&](Form f, const std::u16string& p) {
      UErrorCode status = U_ZERO_ERROR;
      UParseError pe;
      icu::UnicodeString text(reinterpret_cast<const UChar*>(p.data()), static_cast<int32_t>(p.size()));
      std::unique_ptr<icu::RegexPattern> r(icu::RegexPattern::compile(text, UREGEX_CASE_INSENSITIVE, pe, status));
      if (U_SUCCESS(status)) v->push_back({f, std::move(r)});
    };
    std::u16string time = kTime, months = kMonths;
    add(Form::ChineseFull, u"(\\d{4})[ ]{0,2}年[ ]{0,2}(\\d{1,2})[ ]{0,2}月[ ]{0,2}(\\d{1,2})[ ]{0,2}[日号]" + time);
    add(Form::ChineseMonthDay, u"(?<![\\d年])(\\d{1,2})[ ]{0,2}月[ ]{0,2}(\\d{1,2})[ ]{0,2}[日号]" + time);
    add(Form::Numeric, u"(?<![\\d.\\-/])(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})(?![\\d])(?:[ T](\\d{1,2}):(\\d{2})(?![\\d]))?");
    add(Form::EnglishMonthFirst, u"\\b" + months + u"\\.?[ ]{1,2}(\\d{1,2})(?:st|nd|rd|th)?,?[ ]{1,2}(\\d{4})\\b(?:,?[ ]{1,2}(\\d{1,2}):(\\d{2})[ ]?(am|pm)?\\b)?");
    add(Form::EnglishDayFirst, u"\\b(\\d{1,2})[ ]{1,2}" + months + u"\\.?,?[ ]{1,2}(\\d{4})\\b");
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

int number(icu::RegexMatcher& m, int group) {
  UErrorCode status = U_ZERO_ERROR;
  if (m.start(group, status) < 0 || U_FAILURE(status)) return -1;
  icu::UnicodeString g = m.group(group, status);
  std::string s;
  g.toUTF8String(s);
  return s.empty() ? -1 : std::atoi(s.c_str());
}

icu::UnicodeString groupText(icu::RegexMatcher& m, int group) {
  UErrorCode status = U_ZERO_ERROR;
  if (m.start(group, status) < 0 || U_FAILURE(status)) return {};
  return m.group(group, status);
}

/// The hour of a Chinese time: afternoon and evening move it past noon.
int hourWithPeriod(const icu::UnicodeString& period, int hour) {
  if (hour < 0) return hour;
  if ((period == u"下午" || period == u"晚上") && hour < 12) return hour + 12;
  if (period == u"中午" && hour < 11) return hour + 12;
  if (period == u"凌晨" && hour == 12) return 0;
  return hour;
}

}  // namespace

void scanDates(const rt::String& text, const Ref<fd::TimeZone>& zone, const Ref<fd::Date>& now,
               std::vector<DataDetectorMatch>& out) {
  icu::UnicodeString input = fd::icutext::alias(text);
  std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(fd::icutext::alias(zone->name())));
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(*tz, status);
  if (U_FAILURE(status)) return;
  calendar.setTime(now->timeIntervalSince1970() * 1000.0, status);
  int thisYear = calendar.get(UCAL_YEAR, status);
  for (auto& p : patterns()) {
    status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> m(p.regex->matcher(input, status));
    if (U_FAILURE(status)) continue;
    while (m->find(status) && U_SUCCESS(status)) {
      int year = thisYear, month = 0, day = 0, hour = -1, minute = 0;
      switch (p.form) {
        case Form::ChineseFull:
          year = number(*m, 1), month = number(*m, 2), day = number(*m, 3);
          hour = hourWithPeriod(groupText(*m, 4), number(*m, 5)), minute = std::max(0, number(*m, 6));
          break;
        case Form::ChineseMonthDay:
          month = number(*m, 1), day = number(*m, 2);
          hour = hourWithPeriod(groupText(*m, 3), number(*m, 4)), minute = std::max(0, number(*m, 5));
          break;
        case Form::Numeric:
          year = number(*m, 1), month = number(*m, 3), day = number(*m, 4);
          hour = number(*m, 5), minute = std::max(0, number(*m, 6));
          break;
        case Form::EnglishMonthFirst: {
          month = monthNumber(groupText(*m, 1)), day = number(*m, 2), year = number(*m, 3);
          hour = number(*m, 4), minute = std::max(0, number(*m, 5));
          icu::UnicodeString ampm = groupText(*m, 6).toLower();
          if (hour >= 0 && ampm == u"pm" && hour < 12) hour += 12;
          if (hour == 12 && ampm == u"am") hour = 0;
          break;
        }
        case Form::EnglishDayFirst:
          day = number(*m, 1), month = monthNumber(groupText(*m, 2)), year = number(*m, 3);
          break;
      }
      if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || year < 1) continue;
      // The calendar, strict, refuses days a month does not have.
      UErrorCode cs = U_ZERO_ERROR;
      calendar.clear();
      calendar.setLenient(false);
      calendar.set(year, month - 1, day, std::max(0, hour), minute, 0);
      UDate at = calendar.getTime(cs);
      if (U_FAILURE(cs)) continue;
      DataDetectorMatch match;
      match.type = TextCheckingTypeDate;
      UErrorCode rs = U_ZERO_ERROR;
      int32_t start = m->start(rs), end = m->end(rs);
      // A time that did not follow leaves trailing spaces out of the match.
      while (end > start && (input[end - 1] == u' ' || input[end - 1] == u'\t')) --end;
      match.range = {static_cast<uint64_t>(start), static_cast<uint64_t>(end - start)};
      match.date = fd::Date::dateWithTimeIntervalSince1970(at / 1000.0);
      match.timeZone = zone;
      match.hasTime = hour >= 0;
      out.push_back(std::move(match));
    }
  }
}

}  // namespace ui::detect
