#include "platform/foundation/URLAuthenticationChallenge.h"

#include <mutex>

#include "platform/foundation/Data.h"
#include "platform/foundation/URLResponse.h"

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
