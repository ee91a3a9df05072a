#include <initializer_list>
#include <string>

#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

/// The digit's value, ASCII or full-width; -1 for anything else.
int digitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'０' && c <= u'９') return c - u'０';
  return -1;
}

bool isPlus(char16_t c) { return c == u'+' || c == u'＋'; }
bool isOpen(char16_t c) { return c == u'(' || c == u'（'; }
bool isSpace(char16_t c) { return c == u' ' || c == u'\u00A0' || c == u'\u3000'; }
bool isSeparator(char16_t c) {
  return isSpace(c) || c == u'-' || c == u'－' || c == u'‐' || isOpen(c) || c == u')' || c == u'）';
}
bool isWordChar(char16_t c) { return isAsciiAlnum(c) || digitValue(c) >= 0 || (c >= u'Ａ' && c <= u'ｚ'); }

bool isMobile(std::string_view d) { return d.size() == 11 && d[0] == '1' && d[1] >= '3' && d[1] <= '9'; }
/// An area code without its 0 and a seven- or eight-digit number.
bool isFixedWithoutTrunk(std::string_view d) { return d.size() >= 9 && d.size() <= 11 && d[0] != '0'; }

/// Chinese mobile (1[3-9] and nine more digits, after an optional 86 or 0086), fixed line (0,
/// an area code and the number: ten to twelve digits), 400 and 800 service numbers (ten
/// digits), or international (+ and eight to fifteen).
bool plausible(std::string_view d, bool plus) {
  size_t n = d.size();
  if (plus) return n >= 8 && n <= 15;
  if (isMobile(d)) return true;
  if (n == 13 && d.substr(0, 2) == "86" && isMobile(d.substr(2))) return true;
  if (n > 4 && d.substr(0, 4) == "0086") return isMobile(d.substr(4)) || isFixedWithoutTrunk(d.substr(4));
  if (n >= 10 && n <= 12 && d[0] == '0' && d[1] != '0') return true;
  if (n == 10 && (d.substr(0, 3) == "400" || d.substr(0, 3) == "800")) return true;
  return false;
}

/// Whether one of `words` ends within `reach` units before `at` (spaces and colons aside).
bool saidBefore(std::u16string_view text, size_t at, std::initializer_list<std::u16string_view> words, size_t reach) {
  size_t end = at;
  while (end > 0 && (isSpace(text[end - 1]) || text[end - 1] == u':' || text[end - 1] == u'：')) --end;
  std::u16string_view before = text.substr(end - std::min(end, reach), std::min(end, reach));
  for (std::u16string_view w : words)
    if (before.find(w) != std::u16string_view::npos) return true;
  return false;
}

/// Short service numbers (12345, 95588, 110) count only right after a word that says a
/// number to call follows.
bool isCalledShortNumber(std::u16string_view text, size_t at, std::string_view d) {
  bool shape = (d.size() == 5 && (d[0] == '1' || d[0] == '9')) || (d.size() == 3 && d[0] == '1' && (d[1] == '1' || d[1] == '2'));
  return shape && saidBefore(text, at, {u"电话", u"热线", u"拨打", u"致电", u"专线", u"号码"}, 3);
}

/// An area code and a five-digit service number ("0571-96345"), written apart.
bool isAreaServiceNumber(std::string_view d, bool separated) {
  return separated && (d.size() == 8 || d.size() == 9) && d[0] == '0' && d[1] != '0' && d[d.size() - 5] == '9';
}

/// Long digit strings labelled as something else: invoices, orders, accounts, codes.
bool labelledOtherwise(std::u16string_view text, size_t at) {
  return saidBefore(text, at, {u"发票", u"订单", u"单号", u"编号", u"账号", u"卡号", u"代码", u"证号"}, 6);
}

/// A number does not start inside a word or after a decimal point ("0.13812345678").
bool canStartAfter(std::u16string_view text, size_t i) {
  if (i == 0) return true;
  char16_t p = text[i - 1];
  if (isWordChar(p) || isPlus(p)) return false;
  if ((p == u'.' || p == u'．') && i >= 2 && digitValue(text[i - 2]) >= 0) return false;
  return true;
}

bool canEndBefore(std::u16string_view text, size_t end) {
  if (end >= text.size()) return true;
  char16_t c = text[end];
  if (isWordChar(c)) return false;
  if ((c == u'.' || c == u'．') && end + 1 < text.size() && digitValue(text[end + 1]) >= 0) return false;
  return true;
}

}  // namespace

void scanPhoneNumbers(std::u16string_view text, std::vector<DataDetectorMatch>& out) {
  size_t i = 0, n = text.size();
  while (i < n) {
    char16_t c = text[i];
    bool starts = (isPlus(c) || digitValue(c) >= 0 || isOpen(c)) && canStartAfter(text, i);
    if (!starts) {
      ++i;
      continue;
    }
    size_t j = i + (isPlus(c) ? 1 : 0);
    std::string digits;
    bool space = false;
    while (j < n && digits.size() <= 16 && (digitValue(text[j]) >= 0 || isSeparator(text[j]))) {
      // Two spaces in a row end a number.
      if (isSpace(text[j])) {
        if (space) break;
        space = true;
      } else {
        space = false;
      }
      if (int v = digitValue(text[j]); v >= 0) digits.push_back(static_cast<char>('0' + v));
      ++j;
    }
    size_t end = j;
    while (end > i && digitValue(text[end - 1]) < 0 && text[end - 1] != u')' && text[end - 1] != u'）') --end;
    bool separated = false;
    for (size_t k = i + 1; k < end; ++k) separated = separated || isSeparator(text[k]);
    bool accept = digits.size() <= 15 && canEndBefore(text, end) &&
                  ((plausible(digits, isPlus(c)) && (separated || isPlus(c) || !labelledOtherwise(text, i))) ||
                   (!isPlus(c) && (isCalledShortNumber(text, i, digits) || isAreaServiceNumber(digits, separated))));
    if (accept) {
      DataDetectorMatch m;
      m.type = TextCheckingTypePhoneNumber;
      m.range = {i, end - i};
      m.phoneNumber = rt::String(std::u16string_view(text.data() + i, end - i));
      out.push_back(std::move(m));
    }
    i = std::max(j, i + 1);
  }
}

}  // namespace ui::detect
