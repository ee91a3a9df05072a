#pragma once
// What a trust evaluation checks: a plain X.509 chain, or a TLS server with a host name.
#include <optional>

#include "platform/foundation/Types.h"

namespace crypto {

class Policy : public rt::Object {
  RT_CLASS_NAMED(Policy, rt::Object, "SecPolicy")
 public:
  void init() {}
  void init(bool ssl, bool server, std::optional<rt::String> hostName) {
    ssl_ = ssl;
    server_ = server;
    hostName_ = std::move(hostName);
  }

  static Ref<Policy> basicX509() { return rt::make<Policy>(false, false, std::nullopt); }
  /// With a host name the leaf must be issued for it.
  static Ref<Policy> ssl(bool server, std::optional<rt::String> hostName) {
    return rt::make<Policy>(true, server, std::move(hostName));
  }

  bool isSSL() const { return ssl_; }
  bool isServer() const { return server_; }
  const std::optional<rt::String>& hostName() const { return hostName_; }

 private:
  bool ssl_ = false;
  bool server_ = false;
  std::optional<rt::String> hostName_;
};

}  // namespace crypto
