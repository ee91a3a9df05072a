#include "platform/foundation/net/URLAuthenticationChallenge.h"

#include <mutex>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(URLProtectionSpace) {}
RT_IMPLEMENT_PLATFORM(URLAuthenticationChallenge) {}

namespace {
std::mutex& factoryMutex() {
  static std::mutex m;
  return m;
}
ServerTrustFactory& factorySlot() {
  static ServerTrustFactory f;
  return f;
}
}  // namespace

void setServerTrustFactory(ServerTrustFactory factory) {
  std::lock_guard lock(factoryMutex());
  factorySlot() = std::move(factory);
}

Id makeServerTrust(const std::vector<Ref<Data>>& chain, const String& host) {
  ServerTrustFactory f;
  {
    std::lock_guard lock(factoryMutex());
    f = factorySlot();
  }
  return f ? f(chain, host) : nullptr;
}

namespace {
// The realm of a "WWW-Authenticate" challenge, quoted or bare.
std::optional<String> realmOf(const String& challenge) {
  std::string s = challenge.utf8();
  size_t at = s.find("realm=");
  if (at == std::string::npos) return std::nullopt;
  at += 6;
  if (at < s.size() && s[at] == '"') {
    size_t end = s.find('"', at + 1);
    return String(s.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1).c_str());
  }
  size_t end = s.find_first_of(", ", at);
  return String(s.substr(at, end == std::string::npos ? std::string::npos : end - at).c_str());
}
}  // namespace

Ref<URLProtectionSpace> URLProtectionSpace::forServerChallenge(const Ref<URL>& url, const String& wwwAuthenticate) {
  String lower = wwwAuthenticate.lowercaseString();
  const char* method = lower.hasPrefix("basic")    ? NSURLAuthenticationMethodHTTPBasic
                       : lower.hasPrefix("digest") ? NSURLAuthenticationMethodHTTPDigest
                                                   : NSURLAuthenticationMethodDefault;
  String scheme = url->scheme().lowercaseString();
  return rt::make<URLProtectionSpace>(url->host().value_or(String()), url->port().value_or(scheme == "https" ? 443 : 80),
                                      scheme, realmOf(wwwAuthenticate), String(method));
}

void URLProtectionSpace::init(String host, int64_t port, String protocol, std::optional<String> realm, String method) {
  host_ = std::move(host);
  port_ = port;
  protocol_ = std::move(protocol);
  realm_ = std::move(realm);
  method_ = std::move(method);
}

void URLAuthenticationChallenge::init(Ref<URLProtectionSpace> space, int64_t previousFailureCount,
                                      Ref<URLResponse> failureResponse,
                                      std::weak_ptr<URLAuthenticationChallengeSender> sender) {
  space_ = std::move(space);
  failures_ = previousFailureCount;
  failureResponse_ = std::move(failureResponse);
  sender_ = std::move(sender);
}

}  // namespace fd
