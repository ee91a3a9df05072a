#include "platform/foundation/net/URLCredential.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(URLCredential) {}

Ref<URLCredential> URLCredential::credentialWithUser(const String& user, const String& password,
                                                     URLCredentialPersistence persistence) {
  auto c = rt::make<URLCredential>();
  c->user_ = user;
  c->password_ = password;
  c->persistence_ = persistence;
  return c;
}

Ref<URLCredential> URLCredential::credentialForTrust(Id serverTrust) {
  auto c = rt::make<URLCredential>();
  c->trust_ = std::move(serverTrust);
  c->forTrust_ = true;
  c->persistence_ = URLCredentialPersistence::ForSession;
  return c;
}

}  // namespace fd
