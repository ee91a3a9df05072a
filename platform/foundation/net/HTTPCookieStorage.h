#pragma once
// A cookie jar: cookies by name, domain and path, handing back those a URL should carry.
// Expired cookies are dropped as they are met.
#include <mutex>
#include <vector>

#include "platform/foundation/net/HTTPCookie.h"

namespace fd {

class HTTPCookieStorage : public Object {
  RT_CLASS_NAMED(HTTPCookieStorage, Object, "NSHTTPCookieStorage")
 public:
  void init() {}
  static Ref<HTTPCookieStorage> create() { return rt::make<HTTPCookieStorage>(); }
  /// The process's jar.
  static Ref<HTTPCookieStorage> sharedHTTPCookieStorage();

  /// Replaces a cookie of the same name, domain and path; an expired one just removes it.
  void setCookie(const Ref<HTTPCookie>& cookie);
  void setCookies(const std::vector<Ref<HTTPCookie>>& cookies);
  void deleteCookie(const Ref<HTTPCookie>& cookie);
  void removeAllCookies();
  std::vector<Ref<HTTPCookie>> cookies();
  /// Those a request to `url` carries, longest path first.
  std::vector<Ref<HTTPCookie>> cookiesForURL(const Ref<URL>& url);

 private:
  void dropExpired();  // mutex_ held

  std::mutex mutex_;
  std::vector<Ref<HTTPCookie>> cookies_;
};

}  // namespace fd
