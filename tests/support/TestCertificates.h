#pragma once
// Certificates made at run time for tests: self-signed ones, and a certificate authority that
// issues leaves. Every leaf names "localhost" and 127.0.0.1.
#include <memory>
#include <string>
#include <vector>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace testsupport {

class TestIdentity : public std::enable_shared_from_this<TestIdentity> {
 public:
  /// A self-signed certificate; `isCA` marks it as able to issue others.
  static std::shared_ptr<TestIdentity> selfSigned(const std::string& commonName, bool isCA = false);
  /// A leaf (or, with `isCA`, an intermediate) issued by this identity.
  std::shared_ptr<TestIdentity> issue(const std::string& commonName, bool isCA = false) const;

  ~TestIdentity();
  TestIdentity(const TestIdentity&) = delete;
  TestIdentity& operator=(const TestIdentity&) = delete;

  X509* certificate() const { return cert_; }
  EVP_PKEY* key() const { return key_; }
  std::vector<uint8_t> der() const;
  std::string pem() const;
  /// The issuer's identity, when this one was issued by another.
  const std::shared_ptr<const TestIdentity>& issuer() const { return issuer_; }

 private:
  TestIdentity() = default;
  static std::shared_ptr<TestIdentity> make(const std::string& commonName, bool isCA, const TestIdentity* issuer);
  X509* cert_ = nullptr;
  EVP_PKEY* key_ = nullptr;
  std::shared_ptr<const TestIdentity> issuer_;
};

}  // namespace testsupport
