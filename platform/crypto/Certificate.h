#pragma once
// X.509 certificates, made from and answering their DER encoding.
#include <string_view>
#include <vector>

#include "platform/foundation/values/Data.h"

typedef struct x509_st X509;

namespace crypto {

class Key;

class Certificate : public rt::Object {
  RT_CLASS_NAMED(Certificate, rt::Object, "SecCertificate")
 public:
  void init() {}
  bool init(const uint8_t* der, size_t length);
  ~Certificate() override;

  /// Null when `der` is not one DER-encoded certificate.
  static Ref<Certificate> createWithData(const Ref<fd::Data>& der);
  static Ref<Certificate> createWithDER(const std::vector<uint8_t>& der);
  /// The first certificate of PEM text, or null.
  static Ref<Certificate> createWithPEM(std::string_view pem);
  /// Takes a reference of its own to `x509`.
  static Ref<Certificate> createWithX509(X509* x509);

  Ref<fd::Data> data() const;
  const std::vector<uint8_t>& der() const { return der_; }
  /// The subject's common name, or the whole subject line when it has none.
  rt::String subjectSummary() const;
  Ref<Key> publicKey() const;
  X509* x509() const { return x509_; }

  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;

 private:
  X509* x509_ = nullptr;
  std::vector<uint8_t> der_;
};

}  // namespace crypto
