#include "net/mapping/NSString+KMExtension.h"

#include <cstring>

#include "platform/foundation/text/Scanner.h"

namespace net {

namespace {

bool isAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool isAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }

// Case changes are made on ASCII letters only: names and keys are ASCII.
fd::String withFirstCase(const fd::String& s, bool upper) {
  if (s.isEmpty()) return s;
  char16_t c = s[0];
  if (upper && isAsciiLower(c)) c = static_cast<char16_t>(c - u'a' + u'A');
  if (!upper && isAsciiUpper(c)) c = static_cast<char16_t>(c - u'A' + u'a');
  fd::String out;
  out.appendCharacter(c);
  out.append(s.substring(1));
  return out;
}

bool keepsInURL(unsigned char b) {
  if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) return true;
  return b != 0 && std::strchr("!$&'()*+,-./:;=?@_~%#[]", b) != nullptr;
}

}  // namespace

fd::String km_underlineFromCamel(const fd::String& s) {
  if (s.isEmpty()) return s;
  fd::String out;
  for (size_t i = 0; i < s.length(); ++i) {
    char16_t c = s[i];
    if (isAsciiUpper(c)) {
      out.appendCharacter(u'_');
      c = static_cast<char16_t>(c - u'A' + u'a');
    }
    out.appendCharacter(c);
  }
  return out;
}

fd::String km_camelFromUnderline(const fd::String& s) {
  if (s.isEmpty()) return s;
  std::vector<fd::String> segments = s.componentsSeparatedByString("_");
  fd::String out = segments.front();
  for (size_t i = 1; i < segments.size(); ++i)
    if (!segments[i].isEmpty()) out.append(withFirstCase(segments[i], true));
  return out;
}

fd::String km_firstCharLower(const fd::String& s) { return withFirstCase(s, false); }
fd::String km_firstCharUpper(const fd::String& s) { return withFirstCase(s, true); }

bool km_isPureInt(const fd::String& s) {
  fd::Scanner scanner;
  scanner.init(s);
  int32_t value = 0;
  return scanner.scanInt(&value) && scanner.isAtEnd();
}

Ref<fd::URL> km_url(const fd::String& s) {
  static const char hex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char b : s.utf8()) {
    if (keepsInURL(b)) {
      escaped += static_cast<char>(b);
    } else {
      escaped += '%';
      escaped += hex[b >> 4];
      escaped += hex[b & 15];
    }
  }
  return fd::URL::URLWithString(fd::String(escaped));
}

}  // namespace net
