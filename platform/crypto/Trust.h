#pragma once
// Trust evaluation of a certificate chain against anchors (the system store or given ones)
// under a set of policies.
#include <cstdint>
#include <vector>

#include "platform/crypto/Certificate.h"
#include "platform/crypto/Key.h"
#include "platform/crypto/Policy.h"

namespace crypto {

/// Evaluation results, with the platform's values.
enum class TrustResult : uint32_t {
  Invalid = 0,
  Proceed = 1,
  Deny = 3,
  Unspecified = 4,
  RecoverableTrustFailure = 5,
  FatalTrustFailure = 6,
  OtherError = 7,
};

/// Status codes, with the platform's values.
inline constexpr int32_t errSecSuccess = 0;
inline constexpr int32_t errSecParam = -50;

/// Where the system's anchors live.
inline constexpr const char* kSystemAnchorDirectory = "/etc/ssl/certs";

class Trust : public rt::Object {
  RT_CLASS_NAMED(Trust, rt::Object, "SecTrust")
 public:
  void init() {}
  /// The leaf first, then certificates that may help build the chain.
  bool init(std::vector<Ref<Certificate>> certificates, std::vector<Ref<Policy>> policies);

  /// Null (with errSecParam in `status`) when there is no certificate.
  static Ref<Trust> create(std::vector<Ref<Certificate>> certificates, std::vector<Ref<Policy>> policies,
                           int32_t* status = nullptr);

  int32_t setPolicies(std::vector<Ref<Policy>> policies);
  const std::vector<Ref<Policy>>& policies() const { return policies_; }
  /// Given anchors replace the system's unless `setAnchorCertificatesOnly(false)` follows.
  int32_t setAnchorCertificates(std::vector<Ref<Certificate>> anchors);
  int32_t setAnchorCertificatesOnly(bool only);
  /// Where the system anchors are read from (tests point it at a folder of their own).
  void setSystemAnchorDirectory(std::string path) { systemDirectory_ = std::move(path); }

  /// Evaluates; answers a status and stores the result (Unspecified when the chain is good).
  int32_t evaluate(TrustResult* result);
  bool evaluated() const { return evaluated_; }

  /// After evaluation, the chain as built from leaf to anchor; before it, the certificates given.
  size_t certificateCount() const { return chain().size(); }
  Ref<Certificate> certificateAtIndex(size_t index) const;
  const std::vector<Ref<Certificate>>& chain() const { return evaluated_ ? chain_ : certificates_; }
  /// The leaf's public key, or null when it has none.
  Ref<Key> publicKey() const;
  /// The verifier's reason when the last evaluation failed.
  const rt::String& failureReason() const { return failure_; }

 private:
  std::vector<Ref<Certificate>> certificates_;
  std::vector<Ref<Policy>> policies_;
  std::vector<Ref<Certificate>> anchors_;
  bool anchorsOnly_ = false;
  std::string systemDirectory_ = kSystemAnchorDirectory;
  bool evaluated_ = false;
  std::vector<Ref<Certificate>> chain_;
  rt::String failure_;
};

}  // namespace crypto
