#include "platform/crypto/Certificate.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <functional>

#include "platform/crypto/Key.h"

namespace crypto {

RT_IMPLEMENT_PLATFORM(Certificate) {}

bool Certificate::init(const uint8_t* der, size_t length) {
  const unsigned char* p = der;
  x509_ = d2i_X509(nullptr, &p, static_cast<long>(length));
  // Trailing bytes mean this was not exactly one certificate.
  if (!x509_ || p != der + length) return false;
  der_.assign(der, der + length);
  return true;
}

Certificate::~Certificate() {
  if (x509_) X509_free(x509_);
}

Ref<Certificate> Certificate::createWithData(const Ref<fd::Data>& der) {
  if (!der || der->length() == 0) return nullptr;
  return rt::make<Certificate>(der->bytes(), der->length());
}

Ref<Certificate> Certificate::createWithDER(const std::vector<uint8_t>& der) {
  if (der.empty()) return nullptr;
  return rt::make<Certificate>(der.data(), der.size());
}

Ref<Certificate> Certificate::createWithX509(X509* x509) {
  if (!x509) return nullptr;
  int n = i2d_X509(x509, nullptr);
  if (n <= 0) return nullptr;
  std::vector<uint8_t> der(static_cast<size_t>(n));
  unsigned char* p = der.data();
  i2d_X509(x509, &p);
  return createWithDER(der);
}

Ref<Certificate> Certificate::createWithPEM(std::string_view pem) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  if (!bio) return nullptr;
  X509* x = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  if (!x) return nullptr;
  Ref<Certificate> c = createWithX509(x);
  X509_free(x);
  return c;
}

Ref<fd::Data> Certificate::data() const { return fd::Data::create(der_.data(), der_.size()); }

rt::String Certificate::subjectSummary() const {
  X509_NAME* name = X509_get_subject_name(x509_);
  char buf[256];
  if (X509_NAME_get_text_by_NID(name, NID_commonName, buf, sizeof buf) > 0) return rt::String(buf);
  char* line = X509_NAME_oneline(name, nullptr, 0);
  rt::String s(line ? line : "");
  OPENSSL_free(line);
  return s;
}

Ref<Key> Certificate::publicKey() const {
  EVP_PKEY* k = X509_get0_pubkey(x509_);
  if (!k) return nullptr;
  return rt::make<Key>(k);
}

bool Certificate::isEqual(const Object* other) const {
  auto* c = dynamic_cast<const Certificate*>(other);
  return c && c->der_ == der_;
}

size_t Certificate::hash() const {
  return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(der_.data()), der_.size()));
}

}  // namespace crypto
