#include <algorithm>
#include <cctype>
#include <string>

#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

bool isLinkChar(char16_t c) {
  if (isAsciiAlnum(c)) return true;
  static constexpr std::u16string_view kMarks = u"-._~:/?#[]@!$&'()*+,;=%";
  return kMarks.find(c) != std::u16string_view::npos;
}

bool hasSuffix(const std::string& s, const char* suffix) {
  size_t n = std::char_traits<char>::length(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

/// A host name: two or more labels of letters, digits and hyphens, the last one a known
/// top-level domain.
bool isDomain(const std::string& host) {
  static const char* const kTopLevel[] = {"com", "cn", "net", "org", "edu", "gov", "io", "info", "me",  "co",
                                          "uk",  "us", "jp",  "hk",  "tw",  "de",  "fr", "top",  "xyz", "app",
                                          "dev", "tv", "cc",  "biz", "mobi", "asia", "news", "ai"};
  size_t dots = 0, label = 0;
  for (char c : host) {
    if (c == '.') {
      if (label == 0) return false;
      ++dots, label = 0;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '-') {
      ++label;
    } else {
      return false;
    }
  }
  if (dots == 0 || label == 0) return false;
  std::string last = host.substr(host.rfind('.') + 1);
  std::transform(last.begin(), last.end(), last.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* t : kTopLevel)
    if (last == t) return true;
  return false;
}

void consider(std::u16string_view text, size_t start, size_t end, std::vector<DataDetectorMatch>& out) {
  // Leading and trailing punctuation belongs to the sentence, not the link.
  static constexpr std::u16string_view kLead = u"([{'\"<:;,.!?";
  static constexpr std::u16string_view kTrail = u".,;:!?'\")]}>";
  while (start < end && kLead.find(text[start]) != std::u16string_view::npos) ++start;
  while (end > start && kTrail.find(text[end - 1]) != std::u16string_view::npos) {
    // A closing bracket stays when the link opened it.
    if (text[end - 1] == u')') {
      std::u16string_view span = text.substr(start, end - start);
      if (std::count(span.begin(), span.end(), u'(') >= std::count(span.begin(), span.end(), u')')) break;
    }
    --end;
  }
  if (end - start < 4) return;
  std::string s;
  for (size_t i = start; i < end; ++i) s.push_back(static_cast<char>(text[i]));
  std::string lower = s;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  std::string address;
  for (const char* scheme : {"http://", "https://", "ftp://"}) {
    size_t n = std::char_traits<char>::length(scheme);
    if (lower.compare(0, n, scheme) == 0 && lower.size() > n) {
      size_t hostEnd = lower.find_first_of("/?#:", n);
      std::string host = lower.substr(n, hostEnd == std::string::npos ? std::string::npos : hostEnd - n);
      if (host.empty()) return;
      address = s;
      break;
    }
  }
  if (address.empty()) {
    size_t at = s.find('@');
    if (at != std::string::npos) {
      std::string local = s.substr(0, at), domain = s.substr(at + 1);
      bool localOK = !local.empty() && std::all_of(local.begin(), local.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '+';
      });
      if (!localOK || !isDomain(domain) || local.find("://") != std::string::npos) return;
      address = "mailto:" + s;
    } else {
      size_t hostEnd = lower.find_first_of("/?#:");
      std::string host = lower.substr(0, hostEnd);
      if (!isDomain(host) || hasSuffix(host, ".")) return;
      address = "http://" + s;
    }
  }
  auto url = fd::URL::URLWithString(rt::String(address));
  if (!url) return;
  DataDetectorMatch m;
  m.type = TextCheckingTypeLink;
  m.range = {start, end - start};
  m.url = url;
  out.push_back(std::move(m));
}

}  // namespace

void scanLinks(std::u16string_view text, std::vector<DataDetectorMatch>& out) {
  size_t i = 0, n = text.size();
  while (i < n) {
    if (!isLinkChar(text[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && isLinkChar(text[j])) ++j;
    // Links are short: a very long run is not one (and is skipped in one step).
    if (j - i <= 2048) consider(text, i, j, out);
    i = j;
  }
}

}  // namespace ui::detect
