#include "base/foundation/Number+DUDer.h"

#include <cstdint>
#include <unordered_map>

#include "platform/foundation/text/NumberFormatter.h"
#include "platform/foundation/text/Scanner.h"

namespace base {

Ref<fd::Number> numberWithString(const String& text) {
  String s = text.trimmed().lowercaseString();
  if (s.isEmpty()) return nullptr;
  // Null entries stand for the texts that mean "no value".
  static const std::unordered_map<String, Ref<fd::Number>> words = {
      {"true", fd::Number::numberWithBool(true)}, {"yes", fd::Number::numberWithBool(true)},
      {"false", fd::Number::numberWithBool(false)}, {"no", fd::Number::numberWithBool(false)},
      {"nil", nullptr}, {"null", nullptr}, {"<null>", nullptr},
  };
  if (auto it = words.find(s); it != words.end()) return it->second;
  int64_t sign = 0;
  if (s.hasPrefix("0x")) sign = 1;
  else if (s.hasPrefix("-0x")) sign = -1;
  if (sign != 0) {
    auto scanner = fd::Scanner::scannerWithString(sign < 0 ? s.substring(1) : s);
    // The sign is not the scanner's to read, and trailing characters make it no number.
    uint64_t value = 0;
    if (!scanner->scanHexLongLong(&value) || !scanner->isAtEnd() || value > uint64_t(INT64_MAX)) return nullptr;
    return fd::Number::numberWithLong(sign * int64_t(value));
  }
  auto formatter = fd::NumberFormatter::create();
  formatter->setNumberStyle(1);
  // Trimmed like the other forms, so that " 3.5 " reads as " 0x1F " does.
  return formatter->numberFromString(text.trimmed());
}

}  // namespace base
