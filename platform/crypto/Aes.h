#pragma once
// AES in CBC mode with PKCS#7 padding. The key size (16, 24 or 32 bytes) selects the variant;
// the IV is 16 bytes, or empty for all zeros.
#include <cstdint>
#include <vector>

#include "platform/foundation/Error.h"

namespace crypto {

// Status codes reported in NSOSStatusErrorDomain, with the platform's values.
inline constexpr int64_t kCCParamError = -4300;
inline constexpr int64_t kCCBufferTooSmall = -4301;
inline constexpr int64_t kCCAlignmentError = -4303;
inline constexpr int64_t kCCDecodeError = -4304;

inline constexpr size_t kAESBlockSize = 16;

/// Empty on failure, with the reason in `error`.
std::vector<uint8_t> aesCBCEncrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                   const std::vector<uint8_t>& plain, Ref<fd::Error>* error = nullptr);
std::vector<uint8_t> aesCBCDecrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                   const std::vector<uint8_t>& cipher, Ref<fd::Error>* error = nullptr);

}  // namespace crypto
