#include "platform/crypto/Digest.h"

#include <nettle/md2.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>
#include <nettle/nettle-meta.h>

#include <cstring>

namespace crypto {
namespace {

const nettle_hash* hashFor(DigestAlgorithm a) {
  switch (a) {
    case DigestAlgorithm::MD2: return &nettle_md2;
    case DigestAlgorithm::MD4: return &nettle_md4;
    case DigestAlgorithm::MD5: return &nettle_md5;
    case DigestAlgorithm::SHA1: return &nettle_sha1;
    case DigestAlgorithm::SHA224: return &nettle_sha224;
    case DigestAlgorithm::SHA256: return &nettle_sha256;
    case DigestAlgorithm::SHA384: return &nettle_sha384;
    case DigestAlgorithm::SHA512: return &nettle_sha512;
  }
  return &nettle_sha256;
}

}  // namespace

struct Digest::State {
  const nettle_hash* hash;
  std::vector<uint8_t> context;
};

size_t digestLength(DigestAlgorithm algorithm) { return hashFor(algorithm)->digest_size; }

Digest::Digest(DigestAlgorithm algorithm) : algorithm_(algorithm), state_(std::make_unique<State>()) {
  state_->hash = hashFor(algorithm);
  state_->context.resize(state_->hash->context_size);
  state_->hash->init(state_->context.data());
}

Digest::~Digest() = default;

void Digest::update(const void* bytes, size_t length) {
  if (length) state_->hash->update(state_->context.data(), length, static_cast<const uint8_t*>(bytes));
}

std::vector<uint8_t> Digest::finish() {
  std::vector<uint8_t> out(state_->hash->digest_size);
  state_->hash->digest(state_->context.data(), out.size(), out.data());  // also resets
  return out;
}

std::vector<uint8_t> Digest::of(DigestAlgorithm algorithm, const void* bytes, size_t length) {
  Digest d(algorithm);
  d.update(bytes, length);
  return d.finish();
}

std::string hexString(const std::vector<uint8_t>& bytes, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s.push_back(digits[b >> 4]);
    s.push_back(digits[b & 15]);
  }
  return s;
}

}  // namespace crypto
