#pragma once
// Random bytes fit for keys and nonces.
#include <cstddef>

namespace crypto {

/// Fills `buffer` from the operating system's generator; false when it is unavailable.
bool secureRandomBytes(void* buffer, size_t length);

}  // namespace crypto
