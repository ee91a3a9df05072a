#include "tests/support/TestCertificates.h"

#include <openssl/bio.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace testsupport {
namespace {

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) throw std::runtime_error("test certificate extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

}  // namespace

std::shared_ptr<TestIdentity> TestIdentity::selfSigned(const std::string& commonName, bool isCA) {
  return make(commonName, isCA, nullptr);
}

std::shared_ptr<TestIdentity> TestIdentity::issue(const std::string& commonName, bool isCA) const {
  return make(commonName, isCA, this);
}

std::shared_ptr<TestIdentity> TestIdentity::make(const std::string& commonName, bool isCA, const TestIdentity* issuer) {
  std::shared_ptr<TestIdentity> id(new TestIdentity);
  id->key_ = EVP_EC_gen("P-256");
  id->cert_ = X509_new();
  if (!id->key_ || !id->cert_) throw std::runtime_error("test certificate allocation");
  X509* c = id->cert_;
  X509_set_version(c, 2);
  unsigned char serial[16];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7f;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(c));
  BN_free(bn);
  X509_gmtime_adj(X509_getm_notBefore(c), -3600);
  X509_gmtime_adj(X509_getm_notAfter(c), 30L * 24 * 3600);
  X509_set_pubkey(c, id->key_);
  X509_NAME* name = X509_get_subject_name(c);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Test"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                             -1, 0);
  X509* issuerCert = issuer ? issuer->cert_ : c;
  X509_set_issuer_name(c, X509_get_subject_name(issuerCert));
  if (isCA) {
    addExtension(c, issuerCert, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(c, issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign,digitalSignature");
  } else {
    addExtension(c, issuerCert, NID_basic_constraints, "CA:FALSE");
    addExtension(c, issuerCert, NID_ext_key_usage, "serverAuth,clientAuth");
    addExtension(c, issuerCert, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
  }
  addExtension(c, issuerCert, NID_subject_key_identifier, "hash");
  if (issuer) addExtension(c, issuerCert, NID_authority_key_identifier, "keyid:always");
  if (!X509_sign(c, issuer ? issuer->key_ : id->key_, EVP_sha256())) throw std::runtime_error("test certificate signing");
  if (issuer) id->issuer_ = issuer->shared_from_this();
  return id;
}

TestIdentity::~TestIdentity() {
  X509_free(cert_);
  EVP_PKEY_free(key_);
}

std::vector<uint8_t> TestIdentity::der() const {
  int n = i2d_X509(cert_, nullptr);
  std::vector<uint8_t> out(n > 0 ? static_cast<size_t>(n) : 0);
  unsigned char* p = out.data();
  if (n > 0) i2d_X509(cert_, &p);
  return out;
}

std::string TestIdentity::pem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert_);
  char* data = nullptr;
  long n = BIO_get_mem_data(bio, &data);
  std::string s(data, static_cast<size_t>(n));
  BIO_free(bio);
  return s;
}

}  // namespace testsupport
