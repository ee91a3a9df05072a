#include "platform/foundation/net/HTTPCookie.h"

#include <strings.h>

#include <chrono>

#include "platform/foundation/net/HTTPDate.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/WallClock.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(HTTPCookie) {}

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool validToken(const std::string& s, bool allowEmpty) {
  if (s.empty()) return allowEmpty;
  for (unsigned char c : s)
    if (c < 0x21 || c == 0x7f || c == ';' || c == ',' || c == '=' || c == '"' || c == '\\') return false;
  return true;
}

// The directory of the request path, the default path of a cookie without one.
std::string defaultPath(const std::string& requestPath) {
  if (requestPath.empty() || requestPath[0] != '/') return "/";
  size_t slash = requestPath.rfind('/');
  return slash == 0 ? "/" : requestPath.substr(0, slash);
}

bool domainMatches(const std::string& host, const std::string& domain, bool hostOnly) {
  if (host == domain) return true;
  if (hostOnly || host.size() <= domain.size()) return false;
  return host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
         host[host.size() - domain.size() - 1] == '.';
}

bool pathMatches(const std::string& requestPath, const std::string& cookiePath) {
  if (requestPath.rfind(cookiePath, 0) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

Ref<HTTPCookie> parseSetCookie(const std::string& field, const std::string& host, const std::string& requestPath) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t semi = field.find(';', start);
    parts.push_back(trim(field.substr(start, semi == std::string::npos ? std::string::npos : semi - start)));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  size_t eq = parts[0].find('=');
  if (eq == std::string::npos) return nullptr;
  std::string name = trim(parts[0].substr(0, eq)), value = trim(parts[0].substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  std::string domain, path;
  std::optional<double> expires, maxAgeExpiry;
  bool secure = false, httpOnly = false;
  for (size_t i = 1; i < parts.size(); ++i) {
    size_t e = parts[i].find('=');
    std::string key = lower(trim(parts[i].substr(0, e)));
    std::string arg = e == std::string::npos ? "" : trim(parts[i].substr(e + 1));
    if (key == "domain") {
      domain = lower(arg);
      if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
    } else if (key == "path") {
      path = arg;
    } else if (key == "expires") {
      expires = parseHTTPDate(arg);
    } else if (key == "max-age") {
      char* end = nullptr;
      long long seconds = std::strtoll(arg.c_str(), &end, 10);
      if (!arg.empty() && *end == 0) maxAgeExpiry = seconds <= 0 ? 0.0 : secondsSince1970Now() + static_cast<double>(seconds);
    } else if (key == "secure") {
      secure = true;
    } else if (key == "httponly") {
      httpOnly = true;
    }
  }
  bool hostOnly = domain.empty();
  if (hostOnly) {
    domain = host;
  } else if (!domainMatches(host, domain, false)) {
    return nullptr;  // a server sets cookies for its own domain only
  }
  if (path.empty() || path[0] != '/') path = defaultPath(requestPath);
  return HTTPCookie::create(String(name.c_str()), String(value.c_str()), String(domain.c_str()),
                            String(path.c_str()), maxAgeExpiry ? maxAgeExpiry : expires, secure, httpOnly, hostOnly);
}

}  // namespace

Ref<HTTPCookie> HTTPCookie::create(const String& name, const String& value, const String& domain, const String& path,
                                   std::optional<double> expiresDate, bool secure, bool httpOnly, bool hostOnly) {
  std::string n = name.utf8(), v = value.utf8(), d = lower(domain.utf8());
  if (!d.empty() && d[0] == '.') d.erase(0, 1);
  if (!validToken(n, false) || !validToken(v, true) || d.empty()) return nullptr;
  auto c = rt::make<HTTPCookie>();
  c->name_ = name;
  c->value_ = value;
  c->domain_ = String(d.c_str());
  c->path_ = path.isEmpty() ? String("/") : path;
  c->expires_ = expiresDate;
  c->secure_ = secure;
  c->httpOnly_ = httpOnly;
  c->hostOnly_ = hostOnly;
  return c;
}

std::vector<Ref<HTTPCookie>> HTTPCookie::cookiesWithResponseHeaderFields(const HTTPHeaderList& headers,
                                                                         const Ref<URL>& url) {
  std::vector<Ref<HTTPCookie>> out;
  if (!url || !url->host()) return out;
  std::string host = lower(url->host()->utf8());
  std::string path = url->path().utf8();
  for (auto& [k, v] : headers) {
    if (strcasecmp(k.utf8().c_str(), "Set-Cookie") != 0) continue;
    if (auto c = parseSetCookie(v.utf8(), host, path)) out.push_back(c);
  }
  return out;
}

HTTPHeaderList HTTPCookie::requestHeaderFieldsWithCookies(const std::vector<Ref<HTTPCookie>>& cookies) {
  if (cookies.empty()) return {};
  String line;
  for (auto& c : cookies) {
    if (!line.isEmpty()) line = line + String("; ");
    line = line + c->name() + String("=") + c->value();
  }
  return {{String("Cookie"), line}};
}

bool HTTPCookie::matchesURL(const Ref<URL>& url) const {
  if (!url || !url->host()) return false;
  if (secure_ && strcasecmp(url->scheme().utf8().c_str(), "https") != 0) return false;
  std::string path = url->path().utf8();
  if (path.empty()) path.push_back('/');
  return domainMatches(lower(url->host()->utf8()), domain_.utf8(), hostOnly_) && pathMatches(path, path_.utf8()) &&
         !isExpired(secondsSince1970Now());
}

bool HTTPCookie::sameIdentity(const HTTPCookie& other) const {
  return name_ == other.name_ && domain_ == other.domain_ && path_ == other.path_;
}

String HTTPCookie::description() const {
  return String::format("<NSHTTPCookie %@=%@; domain=%@; path=%@>", name_, value_, domain_, path_);
}

}  // namespace fd
