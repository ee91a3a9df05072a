#include "app/categories/Color+Category.h"

#include <cctype>

namespace app {

Ref<gfx::Color> colorWithRGB(unsigned red, unsigned green, unsigned blue) {
  return gfx::Color::colorWithRed(static_cast<float>(red) / 255.0f, static_cast<float>(green) / 255.0f,
                                  static_cast<float>(blue) / 255.0f, 1);
}

std::string hexColorDigits(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  std::string s = text.substr(begin, end - begin);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (s.size() < 6) return {};
  if (s.rfind("0X", 0) == 0) s.erase(0, 2);
  if (s.rfind("#", 0) == 0) s.erase(0, 1);
  return s.size() == 6 ? s : std::string();
}

namespace {

unsigned hexPair(const std::string& digits, size_t at) {
  unsigned value = 0;
  for (size_t i = at; i < at + 2; ++i) {
    char c = digits[i];
    if (c >= '0' && c <= '9') value = value * 16 + static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F') value = value * 16 + static_cast<unsigned>(c - 'A' + 10);
    else return 0;
  }
  return value;
}

}  // namespace

Ref<gfx::Color> colorWithHexString(const std::string& text, double alpha) {
  std::string digits = hexColorDigits(text);
  if (digits.empty()) return gfx::Color::clearColor();
  return gfx::Color::colorWithRed(static_cast<float>(hexPair(digits, 0)) / 255.0f,
                                  static_cast<float>(hexPair(digits, 2)) / 255.0f,
                                  static_cast<float>(hexPair(digits, 4)) / 255.0f, alpha);
}

Ref<gfx::Color> customTextBlackColor() { return colorWithRGB(50, 50, 50); }
Ref<gfx::Color> customTextGreyColor() { return colorWithRGB(150, 150, 150); }
Ref<gfx::Color> customTextOrangeColor() { return colorWithRGB(255, 135, 100); }
Ref<gfx::Color> customSelectColor() { return colorWithRGB(200, 20, 0); }
Ref<gfx::Color> customRedColor() { return colorWithRGB(254, 0, 50); }
Ref<gfx::Color> customLineGreyColor() { return colorWithRGB(230, 230, 230); }
Ref<gfx::Color> customTitleColor() { return colorWithRGB(75, 75, 75); }
Ref<gfx::Color> customContentColor() { return colorWithRGB(120, 120, 120); }
Ref<gfx::Color> cellColor01() { return colorWithRGB(50, 177, 108); }
Ref<gfx::Color> cellColor02() { return colorWithRGB(0, 183, 238); }
Ref<gfx::Color> cellColor03() { return colorWithRGB(248, 181, 81); }
Ref<gfx::Color> cellColor04() { return colorWithRGB(255, 184, 180); }
Ref<gfx::Color> cellColor05() { return colorWithRGB(82, 140, 237); }

}  // namespace app
