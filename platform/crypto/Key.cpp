#include "platform/crypto/Key.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <functional>
#include <string_view>

namespace crypto {

RT_IMPLEMENT_PLATFORM(Key) {}

void Key::init(EVP_PKEY* key) {
  if (!key) return;
  EVP_PKEY_up_ref(key);
  key_ = key;
  int n = i2d_PUBKEY(key, nullptr);
  if (n > 0) {
    der_.resize(static_cast<size_t>(n));
    unsigned char* p = der_.data();
    i2d_PUBKEY(key, &p);
  }
}

Key::~Key() {
  if (key_) EVP_PKEY_free(key_);
}

bool Key::isEqual(const Object* other) const {
  auto* k = dynamic_cast<const Key*>(other);
  if (!k) return false;
  if (k == this) return true;
  if (!key_ || !k->key_) return key_ == k->key_;
  return EVP_PKEY_eq(key_, k->key_) == 1;
}

size_t Key::hash() const {
  return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(der_.data()), der_.size()));
}

}  // namespace crypto
