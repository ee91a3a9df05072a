#pragma once
// Message digests, one-shot and incremental.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace crypto {

enum class DigestAlgorithm { MD2, MD4, MD5, SHA1, SHA224, SHA256, SHA384, SHA512 };

/// Output size in bytes.
size_t digestLength(DigestAlgorithm algorithm);

class Digest {
 public:
  explicit Digest(DigestAlgorithm algorithm);
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  DigestAlgorithm algorithm() const { return algorithm_; }
  void update(const void* bytes, size_t length);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  /// The digest of everything fed so far; the object starts over afterwards.
  std::vector<uint8_t> finish();

  static std::vector<uint8_t> of(DigestAlgorithm algorithm, const void* bytes, size_t length);
  static std::vector<uint8_t> of(DigestAlgorithm algorithm, std::string_view bytes) {
    return of(algorithm, bytes.data(), bytes.size());
  }

 private:
  struct State;
  DigestAlgorithm algorithm_;
  std::unique_ptr<State> state_;
};

/// Hexadecimal text of `bytes`, lower-case unless `upper`.
std::string hexString(const std::vector<uint8_t>& bytes, bool upper = false);

}  // namespace crypto
