#pragma once
// Public keys; two keys are equal when their key material is.
#include <vector>

#include "platform/foundation/values/Data.h"

typedef struct evp_pkey_st EVP_PKEY;

namespace crypto {

class Key : public rt::Object {
  RT_CLASS_NAMED(Key, rt::Object, "SecKey")
 public:
  void init() {}
  /// Takes a reference of its own to `key`.
  void init(EVP_PKEY* key);
  ~Key() override;

  /// The SubjectPublicKeyInfo DER.
  const std::vector<uint8_t>& der() const { return der_; }
  EVP_PKEY* pkey() const { return key_; }

  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;

 private:
  EVP_PKEY* key_ = nullptr;
  std::vector<uint8_t> der_;
};

}  // namespace crypto
