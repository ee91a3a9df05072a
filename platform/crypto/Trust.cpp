#include "platform/crypto/Trust.h"

#include <arpa/inet.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

namespace crypto {

RT_IMPLEMENT_PLATFORM(Trust) {}

bool Trust::init(std::vector<Ref<Certificate>> certificates, std::vector<Ref<Policy>> policies) {
  std::erase(certificates, nullptr);
  if (certificates.empty()) return false;
  certificates_ = std::move(certificates);
  policies_ = std::move(policies);
  return true;
}

Ref<Trust> Trust::create(std::vector<Ref<Certificate>> certificates, std::vector<Ref<Policy>> policies,
                         int32_t* status) {
  auto t = rt::make<Trust>(std::move(certificates), std::move(policies));
  if (status) *status = t ? errSecSuccess : errSecParam;
  return t;
}

int32_t Trust::setPolicies(std::vector<Ref<Policy>> policies) {
  policies_ = std::move(policies);
  evaluated_ = false;
  return errSecSuccess;
}

int32_t Trust::setAnchorCertificates(std::vector<Ref<Certificate>> anchors) {
  std::erase(anchors, nullptr);
  anchors_ = std::move(anchors);
  anchorsOnly_ = true;
  evaluated_ = false;
  return errSecSuccess;
}

int32_t Trust::setAnchorCertificatesOnly(bool only) {
  anchorsOnly_ = only;
  evaluated_ = false;
  return errSecSuccess;
}

Ref<Certificate> Trust::certificateAtIndex(size_t index) const {
  const auto& c = chain();
  return index < c.size() ? c[index] : nullptr;
}

Ref<Key> Trust::publicKey() const { return certificates_.front()->publicKey(); }

int32_t Trust::evaluate(TrustResult* result) {
  X509_STORE* store = X509_STORE_new();
  STACK_OF(X509)* untrusted = sk_X509_new_null();
  X509_STORE_CTX* ctx = X509_STORE_CTX_new();
  if (!store || !untrusted || !ctx) {
    X509_STORE_free(store);
    sk_X509_free(untrusted);
    X509_STORE_CTX_free(ctx);
    if (result) *result = TrustResult::OtherError;
    return errSecParam;
  }
  for (auto& a : anchors_) X509_STORE_add_cert(store, a->x509());
  if (!anchorsOnly_ || anchors_.empty()) X509_STORE_load_path(store, systemDirectory_.c_str());
  for (size_t i = 1; i < certificates_.size(); ++i) sk_X509_push(untrusted, certificates_[i]->x509());

  X509_STORE_CTX_init(ctx, store, certificates_.front()->x509(), untrusted);
  X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx);
  // A given anchor ends the chain wherever it stands in it, so that a pinned server certificate
  // that is not self-signed is trusted as itself.
  if (!anchors_.empty()) X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_PARTIAL_CHAIN);
  for (auto& p : policies_) {
    if (!p || !p->isSSL()) continue;
    X509_VERIFY_PARAM_set_purpose(param, p->isServer() ? X509_PURPOSE_SSL_SERVER : X509_PURPOSE_SSL_CLIENT);
    if (p->hostName() && !p->hostName()->isEmpty()) {
      std::string host = p->hostName()->utf8();
      unsigned char addr[16];
      // An address literal is checked against the certificate's IP entries, not its names.
      bool isAddress = inet_pton(AF_INET, host.c_str(), addr) == 1 || inet_pton(AF_INET6, host.c_str(), addr) == 1;
      if (isAddress) X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
      else X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
    }
  }
  bool ok = X509_verify_cert(ctx) == 1;

  chain_.clear();
  if (STACK_OF(X509)* built = X509_STORE_CTX_get1_chain(ctx)) {
    for (int i = 0; i < sk_X509_num(built); ++i) chain_.push_back(Certificate::createWithX509(sk_X509_value(built, i)));
    sk_X509_pop_free(built, X509_free);
  }
  if (chain_.empty()) chain_ = certificates_;
  failure_ = ok ? rt::String() : rt::String(X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx)));
  evaluated_ = true;

  X509_STORE_CTX_free(ctx);
  sk_X509_free(untrusted);
  X509_STORE_free(store);
  if (result) *result = ok ? TrustResult::Unspecified : TrustResult::RecoverableTrustFailure;
  return errSecSuccess;
}

}  // namespace crypto
