#include <string>

#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

bool isPhoneChar(char16_t c) { return isDigit(c) || c == u' ' || c == u'-' || c == u'(' || c == u')'; }

/// Chinese mobile (1[3-9] and nine more digits, after an optional 86), fixed line (0, an area
/// code and the number: ten to twelve digits), or international (+ and eight to fifteen).
bool plausible(const std::string& digits, bool plus) {
  size_t n = digits.size();
  if (plus) return n >= 8 && n <= 15;
  if (n == 11 && digits[0] == '1' && digits[1] >= '3' && digits[1] <= '9') return true;
  if (n == 13 && digits.compare(0, 2, "86") == 0 && digits[2] == '1' && digits[3] >= '3' && digits[3] <= '9') return true;
  if (n >= 10 && n <= 12 && digits[0] == '0' && digits[1] != '0') return true;
  return false;
}

}  // namespace

void scanPhoneNumbers(std::u16string_view text, std::vector<DataDetectorMatch>& out) {
  size_t i = 0, n = text.size();
  while (i < n) {
    char16_t c = text[i];
    bool starts = (c == u'+' || isDigit(c) || c == u'(') && (i == 0 || !isAsciiAlnum(text[i - 1]));
    if (!starts) {
      ++i;
      continue;
    }
    size_t j = i + (c == u'+' ? 1 : 0);
    std::string digits;
    bool space = false;
    while (j < n && isPhoneChar(text[j])) {
      // Two spaces in a row end a number.
      if (text[j] == u' ') {
        if (space) break;
        space = true;
      } else {
        space = false;
      }
      if (isDigit(text[j])) digits.push_back(static_cast<char>(text[j]));
      ++j;
    }
    size_t end = j;
    while (end > i && !isDigit(text[end - 1]) && text[end - 1] != u')') --end;
    bool boundary = end >= n || !isAsciiAlnum(text[end]);
    if (boundary && digits.size() <= 15 && plausible(digits, c == u'+')) {
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
