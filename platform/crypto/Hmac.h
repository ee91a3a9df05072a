#pragma once
// Keyed message authentication.
#include <optional>
#include <vector>

#include "platform/crypto/Digest.h"

namespace crypto {

/// The algorithm numbers callers pass: 0 SHA-1, 1 MD5, 2 SHA-256, 3 SHA-384, 4 SHA-512,
/// 5 SHA-224. Anything else has no algorithm.
std::optional<DigestAlgorithm> hmacAlgorithm(int64_t number);

class Hmac {
 public:
  Hmac(DigestAlgorithm algorithm, const void* key, size_t keyLength);
  void update(const void* bytes, size_t length) { inner_.update(bytes, length); }
  std::vector<uint8_t> finish();

  static std::vector<uint8_t> of(DigestAlgorithm algorithm, const void* key, size_t keyLength, const void* bytes,
                                 size_t length);

 private:
  DigestAlgorithm algorithm_;
  std::vector<uint8_t> outerPad_;
  Digest inner_;
};

}  // namespace crypto
