#pragma once
// One cookie: what a server set with Set-Cookie, and the rules for which requests carry it.
#include <optional>
#include <vector>

#include "platform/foundation/net/URLRequest.h"

namespace fd {

class URL;

class HTTPCookie : public Object {
  RT_CLASS_NAMED(HTTPCookie, Object, "NSHTTPCookie")
 public:
  void init() {}
  /// Null for an empty name, a name or value with separators, or an empty domain.
  static Ref<HTTPCookie> create(const String& name, const String& value, const String& domain,
                                const String& path = "/", std::optional<double> expiresDate = std::nullopt,
                                bool secure = false, bool httpOnly = false, bool hostOnly = false);

  /// The cookies in a response's Set-Cookie fields, for the URL the response came from.
  /// Malformed fields, and those for a domain the URL's host is not in, are skipped.
  static std::vector<Ref<HTTPCookie>> cookiesWithResponseHeaderFields(const HTTPHeaderList& headers,
                                                                      const Ref<URL>& url);
  /// The Cookie field carrying `cookies`; empty for none.
  static HTTPHeaderList requestHeaderFieldsWithCookies(const std::vector<Ref<HTTPCookie>>& cookies);

  const String& name() const { return name_; }
  const String& value() const { return value_; }
  /// Lower-case, without a leading dot.
  const String& domain() const { return domain_; }
  const String& path() const { return path_; }
  /// Seconds since 1970; none for a session cookie.
  const std::optional<double>& expiresDate() const { return expires_; }
  bool isSessionOnly() const { return !expires_; }
  bool isSecure() const { return secure_; }
  bool isHTTPOnly() const { return httpOnly_; }
  /// Sent to exactly the host that set it, not its subdomains.
  bool isHostOnly() const { return hostOnly_; }

  bool isExpired(double now) const { return expires_ && *expires_ <= now; }
  /// Whether a request to `url` carries this cookie.
  bool matchesURL(const Ref<URL>& url) const;
  /// Same name, domain and path: one replaces the other in a storage.
  bool sameIdentity(const HTTPCookie& other) const;

  String description() const override;

 private:
  String name_, value_, domain_, path_ = "/";
  std::optional<double> expires_;
  bool secure_ = false, httpOnly_ = false, hostOnly_ = false;
};

}  // namespace fd
