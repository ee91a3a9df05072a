#pragma once
// Request serializers: turn a method, a URL string and parameters into a platform request,
// adding the default headers (languages, user agent, caller's headers, authorization), the
// request settings the caller assigned, and the parameters as a query or a form body.
#include <cstdint>
#include <functional>
#include <optional>

#include "net/http/NKMultipartFormData.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/net/URLRequest.h"

namespace fd {
class Dictionary;
class Error;
class MutableDictionary;
class MutableSet;
class Set;
class URL;
}  // namespace fd

namespace net {

/// Anything that builds a request from a request and parameters. Conformers also archive
/// (secure coding) and copy.
class NKURLRequestSerialization : public fd::Coding {
 public:
  /// A new request built from `request`, or null with `*error` set (when given).
  virtual Ref<fd::MutableURLRequest> requestBySerializingRequest(const Ref<fd::URLRequest>& request,
                                                                 const rt::Id& parameters,
                                                                 Ref<fd::Error>* error) = 0;
};

/// 0 is the form encoding; there is no other style.
enum class NKHTTPRequestQueryStringSerializationStyle : uint64_t { Default = 0 };

/// Custom query serialization: the query string for `parameters`, or an error through `error`.
using NKQueryStringSerializationBlock =
    std::function<fd::String(const Ref<fd::URLRequest>& request, const rt::Id& parameters, Ref<fd::Error>* error)>;
/// Fills a multipart body.
using NKMultipartFormBlock = std::function<void(const Ref<NKMultipartFormData>& formData)>;
/// Called on the main queue when spooling a body to a file ends (null error on success).
using NKMultipartSpoolCompletion = std::function<void(const Ref<fd::Error>& error)>;

class NKHTTPRequestSerializer : public rt::Object, public NKURLRequestSerialization {
  RT_CLASS(NKHTTPRequestSerializer, rt::Object)
 public:
  void init();
  ~NKHTTPRequestSerializer() override;

  static Ref<NKHTTPRequestSerializer> serializer();

  /// Encoding of a form body; UTF-8 by default.
  fd::StringEncoding stringEncoding() const { return stringEncoding_; }
  void setStringEncoding(fd::StringEncoding encoding) { stringEncoding_ = encoding; }

  // Request settings. Until assigned, a request keeps the platform's default for each; once
  // assigned (even to that default), every later request takes the serializer's value.
  bool allowsCellularAccess() const { return allowsCellularAccess_; }
  void setAllowsCellularAccess(bool allows);
  fd::URLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
  void setCachePolicy(fd::URLRequestCachePolicy policy);
  bool HTTPShouldHandleCookies() const { return HTTPShouldHandleCookies_; }
  void setHTTPShouldHandleCookies(bool handle);
  bool HTTPShouldUsePipelining() const { return HTTPShouldUsePipelining_; }
  void setHTTPShouldUsePipelining(bool use);
  fd::URLRequestNetworkServiceType networkServiceType() const { return networkServiceType_; }
  void setNetworkServiceType(fd::URLRequestNetworkServiceType type);
  double timeoutInterval() const { return timeoutInterval_; }
  void setTimeoutInterval(double seconds);

  /// An immutable copy of the default headers.
  Ref<fd::Dictionary> HTTPRequestHeaders() const;
  /// Stores a default header under the exact field name; no value removes it.
  void setValueForHTTPHeaderField(const std::optional<fd::String>& value, const fd::String& field);
  std::optional<fd::String> valueForHTTPHeaderField(const fd::String& field) const;
  /// "Authorization: Basic <base64 of user:password>".
  void setAuthorizationHeaderFieldWithUsername(const fd::String& username, const fd::String& password);
  /// "Authorization: Token token="<token>"".
  void setAuthorizationHeaderFieldWithToken(const fd::String& token);
  void clearAuthorizationHeader();

  /// Methods whose parameters go into the URL query ("GET", "HEAD", "DELETE").
  const Ref<fd::Set>& HTTPMethodsEncodingParametersInURI() const;
  void setHTTPMethodsEncodingParametersInURI(const Ref<fd::Set>& methods);

  NKHTTPRequestQueryStringSerializationStyle queryStringSerializationStyle() const { return queryStyle_; }
  /// Sets the style and drops a custom block.
  void setQueryStringSerializationWithStyle(NKHTTPRequestQueryStringSerializationStyle style);
  void setQueryStringSerializationWithBlock(NKQueryStringSerializationBlock block);

  /// A new request, or null with an error: -1000 when `URLString` does not parse, a header
  /// carries CR, LF or NUL, or a text has no percent-escaped form; the custom query block's
  /// own error when it fails.
  Ref<fd::MutableURLRequest> requestWithMethod(const fd::String& method, const fd::String& URLString,
                                               const rt::Id& parameters, Ref<fd::Error>* error = nullptr);
  Ref<fd::MutableURLRequest> requestBySerializingRequest(const Ref<fd::URLRequest>& request, const rt::Id& parameters,
                                                         Ref<fd::Error>* error) override;

  /// A request whose body streams the parameters and what `block` appends as
  /// "multipart/form-data"; null on the failures of requestWithMethod.
  Ref<fd::MutableURLRequest> multipartFormRequestWithMethod(const fd::String& method, const fd::String& URLString,
                                                            const rt::Id& parameters, const NKMultipartFormBlock& block,
                                                            Ref<fd::Error>* error = nullptr);
  /// Writes the body of a multipart `request` to `fileURL` in the background and answers at
  /// once a copy of the request without its body stream.
  Ref<fd::MutableURLRequest> requestWithMultipartFormRequest(const Ref<fd::URLRequest>& request,
                                                             const Ref<fd::URL>& fileURL,
                                                             NKMultipartSpoolCompletion completionHandler);

  static bool supportsSecureCoding() { return true; }
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// Same class with the headers, the query style and block; other settings at their defaults.
  rt::Id copy() const override;

  void observeValueForKeyPath(const fd::String& keyPath, rt::Object* object, const rt::KeyValueChange& change,
                              void* context) override;

 protected:
  /// The parameters as the query string of `request`; nullopt when the custom block failed.
  std::optional<fd::String> queryStringForParameters(const Ref<fd::URLRequest>& request, const rt::Id& parameters,
                                                     Ref<fd::Error>* error) const;
  /// A mutable copy of `request` with every default header it does not carry yet.
  Ref<fd::MutableURLRequest> copyWithDefaultHeaders(const Ref<fd::URLRequest>& request) const;
  /// Whether `request`'s method, upper-cased, puts parameters in the URL.
  bool encodesParametersInURI(const fd::URLRequest& request) const;
  /// False, with a bad-header error (-1000), when a header name or value holds CR, LF or NUL.
  static bool validateHeaders(const fd::URLRequest& request, Ref<fd::Error>* error);
  /// For serializers that put the parameters in the body: methods that carry them in the URL get
  /// the plain query string; others a copy with the default headers and, when there are
  /// parameters, the body `encode` makes of them, typed `contentType` unless a type is set. An
  /// encoding error is reported through `error`.
  Ref<fd::MutableURLRequest> requestWithEncodedBody(const Ref<fd::URLRequest>& request, const rt::Id& parameters,
                                                    Ref<fd::Error>* error, const char* contentType,
                                                    const std::function<Ref<fd::Data>(Ref<fd::Error>*)>& encode);
  /// Takes the headers, style and block of `other` (for copies of subclasses).
  void copySettingsFrom(const NKHTTPRequestSerializer& other);

 private:
  void announce(const char* key, const std::function<void()>& store);
  void applyChangedSettings(fd::MutableURLRequest& request) const;

  fd::StringEncoding stringEncoding_ = fd::UTF8StringEncoding;
  bool allowsCellularAccess_ = true;
  fd::URLRequestCachePolicy cachePolicy_ = fd::URLRequestCachePolicy::UseProtocolCachePolicy;
  bool HTTPShouldHandleCookies_ = true;
  bool HTTPShouldUsePipelining_ = false;
  fd::URLRequestNetworkServiceType networkServiceType_ = fd::URLRequestNetworkServiceType::Default;
  double timeoutInterval_ = fd::kDefaultURLRequestTimeout;
  Ref<fd::Set> methodsInURI_;
  Ref<fd::MutableSet> mutableObservedChangedKeyPaths_;
  Ref<fd::MutableDictionary> mutableHTTPRequestHeaders_;
  NKHTTPRequestQueryStringSerializationStyle queryStyle_ = NKHTTPRequestQueryStringSerializationStyle::Default;
  NKQueryStringSerializationBlock queryBlock_;
  bool observing_ = false;
};

}  // namespace net
