#pragma once
// Credentials answering authentication challenges: a user name and password, or acceptance of
// a server's trust.
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {

/// How long a credential is kept, with the platform's values.
enum class URLCredentialPersistence : int64_t { None = 0, ForSession = 1, Permanent = 2, Synchronizable = 3 };

class URLCredential : public Object {
  RT_CLASS_NAMED(URLCredential, Object, "NSURLCredential")
 public:
  void init() {}
  static Ref<URLCredential> credentialWithUser(const String& user, const String& password,
                                               URLCredentialPersistence persistence);
  /// Accepts the server whose trust this is, whatever its evaluation says.
  static Ref<URLCredential> credentialForTrust(Id serverTrust);

  const std::optional<String>& user() const { return user_; }
  const std::optional<String>& password() const { return password_; }
  bool hasPassword() const { return password_.has_value(); }
  URLCredentialPersistence persistence() const { return persistence_; }
  /// The trust accepted, for credentials made from one.
  const Id& serverTrust() const { return trust_; }
  bool isForTrust() const { return forTrust_; }

 private:
  std::optional<String> user_, password_;
  URLCredentialPersistence persistence_ = URLCredentialPersistence::None;
  Id trust_;
  bool forTrust_ = false;
};

}  // namespace fd
