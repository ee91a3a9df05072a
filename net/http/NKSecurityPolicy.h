#pragma once
// Decides whether a server's TLS trust is accepted: by the system's trust store, or by pinning
// certificates or their public keys, with or without checking the host name.
#include <cstdint>
#include <optional>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/Types.h"

namespace crypto {
class Trust;
}

namespace net {

enum class NKSSLPinningMode : uint64_t {
  None = 0,
  PublicKey = 1,
  Certificate = 2,
};

class NKSecurityPolicy : public rt::Object, public fd::Coding {
  RT_CLASS(NKSecurityPolicy, rt::Object)
 public:
  void init() {}

  /// Mode none, nothing pinned.
  static Ref<NKSecurityPolicy> defaultPolicy();
  /// `mode` with the default pinned certificates.
  static Ref<NKSecurityPolicy> policyWithPinningMode(NKSSLPinningMode mode);
  /// Every ".cer" resource of the bundle holding this class, read once per process (array of
  /// data; never null).
  static Ref<fd::Array> defaultPinnedCertificates();

  NKSSLPinningMode SSLPinningMode() const { return mode_; }
  void setSSLPinningMode(NKSSLPinningMode mode);
  /// DER certificate data; may be null.
  const Ref<fd::Array>& pinnedCertificates() const { return certificates_; }
  /// Drops duplicates (first kept) and derives the pinned public keys.
  void setPinnedCertificates(const Ref<fd::Array>& certificates);
  /// Public keys (crypto::Key) of the pinned certificates; null when no certificates are set.
  const Ref<fd::Array>& pinnedPublicKeys() const { return publicKeys_; }
  bool allowInvalidCertificates() const { return allowInvalid_; }
  void setAllowInvalidCertificates(bool allow);
  bool validatesDomainName() const { return validatesDomain_; }
  void setValidatesDomainName(bool validates);

  /// Whether the server's trust is accepted for `domain` (the request's host, or none).
  bool evaluateServerTrust(const Ref<crypto::Trust>& serverTrust,
                           const std::optional<rt::String>& domain = std::nullopt) const;

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  NKSSLPinningMode mode_ = NKSSLPinningMode::None;
  Ref<fd::Array> certificates_;
  Ref<fd::Array> publicKeys_;
  bool allowInvalid_ = false;
  bool validatesDomain_ = true;
};

}  // namespace net
