#pragma once
// Authentication challenges: where (the protection space), how often it failed before, and the
// sender that takes the answer.
#include <functional>
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class Data;
class URLAuthenticationChallenge;
class URLCredential;
class URLResponse;

inline constexpr const char* NSURLAuthenticationMethodDefault = "NSURLAuthenticationMethodDefault";
inline constexpr const char* NSURLAuthenticationMethodHTTPBasic = "NSURLAuthenticationMethodHTTPBasic";
inline constexpr const char* NSURLAuthenticationMethodHTTPDigest = "NSURLAuthenticationMethodHTTPDigest";
inline constexpr const char* NSURLAuthenticationMethodServerTrust = "NSURLAuthenticationMethodServerTrust";

/// Builds the server trust object for a chain (DER, leaf first) presented by `host`. The
/// crypto layer installs one at start-up; without it challenges carry no trust object.
using ServerTrustFactory = std::function<Id(const std::vector<Ref<Data>>& chain, const String& host)>;
void setServerTrustFactory(ServerTrustFactory factory);
Id makeServerTrust(const std::vector<Ref<Data>>& chain, const String& host);

class URL;

class URLProtectionSpace : public Object {
  RT_CLASS_NAMED(URLProtectionSpace, Object, "NSURLProtectionSpace")
 public:
  void init() {}
  void init(String host, int64_t port, String protocol, std::optional<String> realm, String method);
  /// The space an HTTP server asks credentials for: its host, port and scheme from `url`, the
  /// method and realm from its "WWW-Authenticate" header.
  static Ref<URLProtectionSpace> forServerChallenge(const Ref<URL>& url, const String& wwwAuthenticate);

  const String& host() const { return host_; }
  int64_t port() const { return port_; }
  const String& protocol() const { return protocol_; }
  const std::optional<String>& realm() const { return realm_; }
  const String& authenticationMethod() const { return method_; }
  /// For server-trust spaces: the trust object and the chain it was made from.
  const Id& serverTrust() const { return trust_; }
  const std::vector<Ref<Data>>& certificateChain() const { return chain_; }
  void setServerTrust(Id trust, std::vector<Ref<Data>> chain) {
    trust_ = std::move(trust);
    chain_ = std::move(chain);
  }

 private:
  String host_;
  int64_t port_ = 0;
  String protocol_;
  std::optional<String> realm_;
  String method_;
  Id trust_;
  std::vector<Ref<Data>> chain_;
};

/// Who answers a challenge.
class URLAuthenticationChallengeSender {
 public:
  virtual ~URLAuthenticationChallengeSender() = default;
  virtual void useCredential(const Ref<URLCredential>& credential, const Ref<URLAuthenticationChallenge>& challenge) = 0;
  virtual void continueWithoutCredential(const Ref<URLAuthenticationChallenge>& challenge) = 0;
  virtual void cancelAuthenticationChallenge(const Ref<URLAuthenticationChallenge>& challenge) = 0;
  virtual void performDefaultHandling(const Ref<URLAuthenticationChallenge>& challenge) = 0;
};

class URLAuthenticationChallenge : public Object {
  RT_CLASS_NAMED(URLAuthenticationChallenge, Object, "NSURLAuthenticationChallenge")
 public:
  void init() {}
  void init(Ref<URLProtectionSpace> space, int64_t previousFailureCount, Ref<URLResponse> failureResponse,
            std::weak_ptr<URLAuthenticationChallengeSender> sender);

  const Ref<URLProtectionSpace>& protectionSpace() const { return space_; }
  int64_t previousFailureCount() const { return failures_; }
  const Ref<URLResponse>& failureResponse() const { return failureResponse_; }
  /// Null once the load that asked has gone.
  std::shared_ptr<URLAuthenticationChallengeSender> sender() const { return sender_.lock(); }

 private:
  Ref<URLProtectionSpace> space_;
  int64_t failures_ = 0;
  Ref<URLResponse> failureResponse_;
  std::weak_ptr<URLAuthenticationChallengeSender> sender_;
};

}  // namespace fd
