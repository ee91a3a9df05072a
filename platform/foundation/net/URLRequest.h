#pragma once
// URL requests: what to load and how. Header names keep the case they were given in and go on
// the wire that way; lookups ignore case.
#include <optional>
#include <utility>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/Types.h"

namespace fd {

class Data;
class Dictionary;
class InputStream;
class URL;

/// Cache policies, with the platform's values.
enum class URLRequestCachePolicy : int64_t {
  UseProtocolCachePolicy = 0,
  ReloadIgnoringLocalCacheData = 1,
  ReturnCacheDataElseLoad = 2,
  ReturnCacheDataDontLoad = 3,
  ReloadIgnoringLocalAndRemoteCacheData = 4,
  ReloadRevalidatingCacheData = 5,
};

/// Network service types, with the platform's values; carried, not acted on.
enum class URLRequestNetworkServiceType : int64_t {
  Default = 0,
  VoIP = 1,
  Video = 2,
  Background = 3,
  Voice = 4,
  ResponsiveData = 6,
  CallSignaling = 11,
};

/// The time-out a request gets when none is given, in seconds.
inline constexpr double kDefaultURLRequestTimeout = 60.0;

using HTTPHeaderList = std::vector<std::pair<String, String>>;

class URLRequest : public Object, public Coding {
  RT_CLASS_NAMED(URLRequest, Object, "NSURLRequest")
 public:
  void init() {}
  void init(Ref<fd::URL> url, URLRequestCachePolicy policy = URLRequestCachePolicy::UseProtocolCachePolicy,
            double timeout = kDefaultURLRequestTimeout);

  static Ref<URLRequest> requestWithURL(Ref<fd::URL> url);
  static Ref<URLRequest> requestWithURL(Ref<fd::URL> url, URLRequestCachePolicy policy, double timeout);

  const Ref<fd::URL>& URL() const { return url_; }
  URLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
  double timeoutInterval() const { return timeout_; }
  const Ref<fd::URL>& mainDocumentURL() const { return mainDocumentURL_; }
  /// "GET" unless set.
  const String& HTTPMethod() const { return method_; }
  /// The fields in the order set, names as given.
  const HTTPHeaderList& headerFields() const { return headers_; }
  /// As a dictionary (null when there are none).
  Ref<Dictionary> allHTTPHeaderFields() const;
  /// Case-insensitive lookup.
  std::optional<String> valueForHTTPHeaderField(const String& field) const;
  const Ref<Data>& HTTPBody() const { return body_; }
  const Ref<InputStream>& HTTPBodyStream() const { return bodyStream_; }
  bool HTTPShouldHandleCookies() const { return handleCookies_; }
  bool HTTPShouldUsePipelining() const { return pipelining_; }
  bool allowsCellularAccess() const { return cellular_; }
  URLRequestNetworkServiceType networkServiceType() const { return serviceType_; }

  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;
  Id mutableCopy() const override;

  /// A body stream is not archived: it cannot be read back.
  void encodeWithCoder(KeyedArchiver& coder) const override;
  bool initWithCoder(KeyedUnarchiver& coder) override;

  /// Takes every setting of `other` (copies share bodies, as immutable data is shared).
  void copyFrom(const URLRequest& other);

 protected:
  Ref<fd::URL> url_;
  URLRequestCachePolicy cachePolicy_ = URLRequestCachePolicy::UseProtocolCachePolicy;
  double timeout_ = kDefaultURLRequestTimeout;
  Ref<fd::URL> mainDocumentURL_;
  String method_ = "GET";
  HTTPHeaderList headers_;
  Ref<Data> body_;
  Ref<InputStream> bodyStream_;
  bool handleCookies_ = true;
  bool pipelining_ = false;
  bool cellular_ = true;
  URLRequestNetworkServiceType serviceType_ = URLRequestNetworkServiceType::Default;
};

class MutableURLRequest : public URLRequest {
  RT_CLASS_NAMED(MutableURLRequest, URLRequest, "NSMutableURLRequest")
 public:
  static Ref<MutableURLRequest> requestWithURL(Ref<fd::URL> url);
  static Ref<MutableURLRequest> requestWithURL(Ref<fd::URL> url, URLRequestCachePolicy policy, double timeout);

  void setURL(Ref<fd::URL> url) { url_ = std::move(url); }
  void setCachePolicy(URLRequestCachePolicy p) { cachePolicy_ = p; }
  void setTimeoutInterval(double t) { timeout_ = t; }
  void setMainDocumentURL(Ref<fd::URL> url) { mainDocumentURL_ = std::move(url); }
  void setHTTPMethod(const String& method) { method_ = method; }
  /// Replaces a field of that name (any case), keeping the new spelling; null removes it.
  void setValueForHTTPHeaderField(const std::optional<String>& value, const String& field);
  /// Appends ", value" to an existing field, or adds it.
  void addValueForHTTPHeaderField(const String& value, const String& field);
  /// Replaces every field.
  void setAllHTTPHeaderFields(HTTPHeaderList fields);
  void setAllHTTPHeaderFields(const Ref<Dictionary>& fields);
  /// Setting a body clears a body stream and the reverse.
  void setHTTPBody(Ref<Data> body);
  void setHTTPBodyStream(Ref<InputStream> stream);
  void setHTTPShouldHandleCookies(bool v) { handleCookies_ = v; }
  void setHTTPShouldUsePipelining(bool v) { pipelining_ = v; }
  void setAllowsCellularAccess(bool v) { cellular_ = v; }
  void setNetworkServiceType(URLRequestNetworkServiceType t) { serviceType_ = t; }

  Id copy() const override;
};

/// Archives header fields in order, names as given, under keys starting with `prefix`.
void encodeHeaderList(KeyedArchiver& coder, const HTTPHeaderList& headers, const String& prefix);
/// Reads what encodeHeaderList wrote; false when it is missing or damaged.
bool decodeHeaderList(KeyedUnarchiver& coder, HTTPHeaderList& headers, const String& prefix);

/// True when `value` may go on the wire as a header value (no CR, LF or NUL).
bool isValidHeaderValue(const String& value);
/// True for a header name token (no separators, controls or spaces).
bool isValidHeaderName(const String& name);

}  // namespace fd
