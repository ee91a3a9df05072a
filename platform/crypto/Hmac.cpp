#include "platform/crypto/Hmac.h"

#include <nettle/nettle-meta.h>

namespace crypto {
namespace {

size_t blockSize(DigestAlgorithm a) {
  switch (a) {
    case DigestAlgorithm::MD2: return 16;
    case DigestAlgorithm::SHA384:
    case DigestAlgorithm::SHA512: return 128;
    default: return 64;
  }
}

}  // namespace

std::optional<DigestAlgorithm> hmacAlgorithm(int64_t number) {
  switch (number) {
    case 0: return DigestAlgorithm::SHA1;
    case 1: return DigestAlgorithm::MD5;
    case 2: return DigestAlgorithm::SHA256;
    case 3: return DigestAlgorithm::SHA384;
    case 4: return DigestAlgorithm::SHA512;
    case 5: return DigestAlgorithm::SHA224;
    default: return std::nullopt;
  }
}

// RFC 2104 over the digest objects, so every digest gets an HMAC the same way.
Hmac::Hmac(DigestAlgorithm algorithm, const void* key, size_t keyLength) : algorithm_(algorithm), inner_(algorithm) {
  size_t block = blockSize(algorithm);
  std::vector<uint8_t> k(static_cast<const uint8_t*>(key), static_cast<const uint8_t*>(key) + keyLength);
  if (k.size() > block) k = Digest::of(algorithm, k.data(), k.size());
  k.resize(block, 0);
  std::vector<uint8_t> innerPad(block);
  outerPad_.resize(block);
  for (size_t i = 0; i < block; ++i) {
    innerPad[i] = k[i] ^ 0x36;
    outerPad_[i] = k[i] ^ 0x5c;
  }
  inner_.update(innerPad.data(), innerPad.size());
}

std::vector<uint8_t> Hmac::finish() {
  std::vector<uint8_t> innerDigest = inner_.finish();
  Digest outer(algorithm_);
  outer.update(outerPad_.data(), outerPad_.size());
  outer.update(innerDigest.data(), innerDigest.size());
  return outer.finish();
}

std::vector<uint8_t> Hmac::of(DigestAlgorithm algorithm, const void* key, size_t keyLength, const void* bytes,
                              size_t length) {
  Hmac h(algorithm, key, keyLength);
  h.update(bytes, length);
  return h.finish();
}

}  // namespace crypto
