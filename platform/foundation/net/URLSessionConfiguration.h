#pragma once
// The settings a session is made with: the kind (default, ephemeral, background with an
// identifier), request defaults and headers added to every request.
#include <optional>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/net/URLRequest.h"

namespace fd {

class HTTPCookieStorage;
class URLCache;

/// Archives its settings (kind, identifier, request defaults, headers); the cache and cookie jar
/// are not archived, and an unarchived configuration gets those of a new one of its kind.
class URLSessionConfiguration : public Object, public Coding {
  RT_CLASS_NAMED(URLSessionConfiguration, Object, "NSURLSessionConfiguration")
 public:
  enum class Kind { Default, Ephemeral, Background };

  void init();
  static Ref<URLSessionConfiguration> defaultSessionConfiguration();
  static Ref<URLSessionConfiguration> ephemeralSessionConfiguration();
  static Ref<URLSessionConfiguration> backgroundSessionConfiguration(const String& identifier);

  Kind kind() const { return kind_; }
  /// Set for background configurations only.
  const std::optional<String>& identifier() const { return identifier_; }

  double timeoutIntervalForRequest() const { return timeout_; }
  void setTimeoutIntervalForRequest(double t) { timeout_ = t; }
  /// Seconds a task's whole load may take, redirects included, however steadily bytes arrive
  /// (the request time-out only limits silence); 0 or less for no limit. Seven days by default.
  double timeoutIntervalForResource() const { return resourceTimeout_; }
  void setTimeoutIntervalForResource(double t) { resourceTimeout_ = t; }
  URLRequestCachePolicy requestCachePolicy() const { return cachePolicy_; }
  void setRequestCachePolicy(URLRequestCachePolicy p) { cachePolicy_ = p; }
  bool HTTPShouldSetCookies() const { return setCookies_; }
  void setHTTPShouldSetCookies(bool v) { setCookies_ = v; }
  bool allowsCellularAccess() const { return cellular_; }
  void setAllowsCellularAccess(bool v) { cellular_ = v; }
  /// Added to each request that does not set the same field itself.
  const HTTPHeaderList& HTTPAdditionalHeaders() const { return headers_; }
  void setHTTPAdditionalHeaders(HTTPHeaderList headers) { headers_ = std::move(headers); }

  /// Where GET responses are stored and looked up under the request's cache policy; null
  /// turns caching off. The shared cache, except for ephemeral configurations, which get a
  /// memory-only cache of their own.
  const Ref<fd::URLCache>& URLCache() const { return cache_; }
  void setURLCache(Ref<fd::URLCache> cache) { cache_ = std::move(cache); }

  /// The jar requests take cookies from and responses put them in, when both this
  /// configuration's and the request's cookie handling are on. The shared jar, except for
  /// ephemeral configurations, which get one of their own.
  const Ref<fd::HTTPCookieStorage>& HTTPCookieStorage() const { return cookies_; }
  void setHTTPCookieStorage(Ref<fd::HTTPCookieStorage> storage) { cookies_ = std::move(storage); }

  /// An independent copy; sessions keep one so later changes do not reach them.
  Ref<URLSessionConfiguration> copyConfiguration() const;
  Id copy() const override { return copyConfiguration(); }

  void encodeWithCoder(KeyedArchiver& coder) const override;
  bool initWithCoder(KeyedUnarchiver& coder) override;

 private:
  Kind kind_ = Kind::Default;
  std::optional<String> identifier_;
  double timeout_ = 60;
  double resourceTimeout_ = 7 * 24 * 3600;
  URLRequestCachePolicy cachePolicy_ = URLRequestCachePolicy::UseProtocolCachePolicy;
  bool setCookies_ = true;
  bool cellular_ = true;
  HTTPHeaderList headers_;
  Ref<fd::URLCache> cache_;
  Ref<fd::HTTPCookieStorage> cookies_;
};

}  // namespace fd
