#include <unicode/regex.h>

#include <memory>

#include "platform/foundation/text/IcuText.h"
#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

bool isHan(char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; }

constexpr std::u16string_view kRoads[] = {u"大道", u"大街", u"胡同", u"路", u"街", u"道", u"巷", u"弄"};
constexpr size_t kMaxAddress = 32;  // characters before the road: province, city, district, road name
constexpr size_t kMaxRoadName = 4;  // a road's own name without a district before it

/// Words that end a place name read backwards: "位于", "来到", "在" and the like.
bool endsPlaceName(char16_t c) {
  static constexpr std::u16string_view kStops = u"在于到往至经沿住是的了着从向近址为将把被离及与";
  return kStops.find(c) != std::u16string_view::npos;
}

/// What follows "号" when it is no house number: a line, a contestant, a seat.
bool isNotHouseNumber(std::u16string_view t, size_t after) {
  if (after >= t.size()) return false;
  static constexpr std::u16string_view kAfter = u"线选码机位床";
  return kAfter.find(t[after]) != std::u16string_view::npos;
}

/// Chinese street addresses: "[省][市][区/县]...路88号". The number and its "号" anchor the
/// match; the road, district, city and province are read backwards from there. Without a
/// province, city or district the road's own name (up to four characters) starts it.
void scanChinese(std::u16string_view t, std::vector<DataDetectorMatch>& out) {
  size_t n = t.size();
  size_t lastEnd = 0;
  for (size_t i = 0; i < n; ++i) {
    if (t[i] != u'号') continue;
    size_t d = i;
    while (d > 0 && i - d < 6 && (isDigit(t[d - 1]) || t[d - 1] == u'-')) --d;
    if (d == i || !isDigit(t[d]) || isNotHouseNumber(t, i + 1)) continue;
    size_t road = std::u16string_view::npos;
    for (auto r : kRoads)
      if (d >= r.size() && t.substr(d - r.size(), r.size()) == r) {
        road = d - r.size();
        break;
      }
    if (road == std::u16string_view::npos || road == 0) continue;
    // Back over Chinese characters, never past the previous address or a word that ends a name.
    size_t start = road;
    while (start > lastEnd && road - start < kMaxAddress && isHan(t[start - 1]) && !endsPlaceName(t[start - 1])) --start;
    if (start == road) continue;
    std::u16string_view span = t.substr(start, road - start);
    // The first place name starts two characters (three for a few provinces) before the
    // first province, city or district mark.
    size_t mark = std::u16string_view::npos;
    for (char16_t m : {u'省', u'市', u'区', u'县'}) {
      size_t at = span.find(m);
      if (at != std::u16string_view::npos && at >= 2 && (mark == std::u16string_view::npos || at < mark)) mark = at;
    }
    size_t from;
    if (mark != std::u16string_view::npos) {
      from = start + mark - 2;
      for (auto three : {std::u16string_view(u"黑龙江"), std::u16string_view(u"内蒙古")})
        if (from >= start + 1 && t.substr(from - 1, 3) == three) --from;
    } else {
      from = road - std::min(kMaxRoadName, road - start);
      if (road - from < 2) continue;
    }
    DataDetectorMatch m;
    m.type = TextCheckingTypeAddress;
    m.range = {from, i + 1 - from};
    size_t at = from;
    auto take = [&](std::u16string_view marks, const char* key) {
      std::u16string_view rest = t.substr(at, road - at);
      for (char16_t mk : marks) {
        size_t k = rest.find(mk);
        if (k != std::u16string_view::npos && k >= 1) {
          m.addressComponents[rt::String(key)] = rt::String(t.substr(at, k + 1));
          at += k + 1;
          return;
        }
      }
    };
    if (mark != std::u16string_view::npos) {
      take(u"省", AddressStateKey);
      take(u"市", AddressCityKey);
      take(u"区县", AddressDistrictKey);
    }
    m.addressComponents[rt::String(AddressStreetKey)] = rt::String(t.substr(at, i + 1 - at));
    out.push_back(std::move(m));
    lastEnd = i + 1;
  }
}

/// "123 Main Street, Springfield, IL 62704": a number, one to three capitalised words and a
/// street kind, then optionally a city, a state and a ZIP code.
void scanWestern(const rt::String& text, std::vector<DataDetectorMatch>& out) {
  static icu::RegexPattern* pattern = [] {
    UErrorCode status = U_ZERO_ERROR;
    UParseError pe;
    return icu::RegexPattern::compile(
        u"\\b(\\d{1,5})[ ]((?:(?:[A-Z][a-z]{1,20}|\\d{1,3}(?:st|nd|rd|th))[ ]){1,3}(?:Street|St|Avenue|Ave|Road|Rd|Boulevard|Blvd|Lane|Ln|Drive|Dr|Way|Court|Ct|Place|Pl|Parkway|Pkwy|Terrace|Ter|Circle|Cir|Highway|Hwy|Square|Sq|Plaza|Crescent|Alley|Trail|Expressway|Freeway|Row|Close|Loop)\\.?(?:[ ](?:NW|NE|SW|SE|N|S|E|W)\\b)?(?:,?[ ](?:Suite|Ste\\.|Apt\\.?|Unit|Floor|Room)[ ]#?[0-9A-Z]{1,5}\\b)?)"
        u"(?:,[ ]([A-Z][a-z]{1,20}(?:[ ][A-Z][a-z]{1,20})?))?(?:,[ ]([A-Z]{2})(?:[ ](\\d{5}(?:-\\d{4})?))?)?\\b",
        0, pe, status);
  }();
  if (!pattern) return;
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString input = fd::icutext::alias(text);
  std::unique_ptr<icu::RegexMatcher> m(pattern->matcher(input, status));
  if (U_FAILURE(status)) return;
  while (m->find(status) && U_SUCCESS(status)) {
    DataDetectorMatch match;
    match.type = TextCheckingTypeAddress;
    int32_t start = m->start(status), end = m->end(status);
    match.range = {static_cast<uint64_t>(start), static_cast<uint64_t>(end - start)};
    auto group = [&](int g) -> std::optional<rt::String> {
      UErrorCode s = U_ZERO_ERROR;
      if (m->start(g, s) < 0) return std::nullopt;
      return fd::icutext::toString(m->group(g, s));
    };
    match.addressComponents[rt::String(AddressStreetKey)] = *group(1) + rt::String(" ") + *group(2);
    if (auto city = group(3)) match.addressComponents[rt::String(AddressCityKey)] = *city;
    if (auto state = group(4)) match.addressComponents[rt::String(AddressStateKey)] = *state;
    if (auto zip = group(5)) match.addressComponents[rt::String(AddressZIPKey)] = *zip;
    out.push_back(std::move(match));
  }
}

}  // namespace

void scanAddresses(const rt::String& text, std::vector<DataDetectorMatch>& out) {
  scanChinese(text.view(), out);
  scanWestern(text, out);
}

}  // namespace ui::detect
