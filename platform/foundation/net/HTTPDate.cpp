#include "platform/foundation/net/HTTPDate.h"

#include <ctime>

namespace fd {

namespace {

bool onlySpaceLeft(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return *p == 0;
}

bool endsInGMT(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p[0] == 'G' && p[1] == 'M' && p[2] == 'T' && onlySpaceLeft(p + 3);
}

}  // namespace

std::optional<double> parseHTTPDate(const std::string& text) {
  for (const char* format : {"%a, %d %b %Y %H:%M:%S", "%A, %d-%b-%y %H:%M:%S", "%a, %d-%b-%Y %H:%M:%S"}) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), format, &tm);
    if (end && endsInGMT(end)) return static_cast<double>(timegm(&tm));
  }
  // The C library's own form, which names no zone: it is GMT all the same.
  std::tm tm{};
  const char* end = strptime(text.c_str(), "%a %b %d %H:%M:%S %Y", &tm);
  if (end && onlySpaceLeft(end)) return static_cast<double>(timegm(&tm));
  return std::nullopt;
}

}  // namespace fd
