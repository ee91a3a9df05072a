#include "platform/crypto/SecureRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>

namespace crypto {

bool secureRandomBytes(void* buffer, size_t length) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (length) {
    ssize_t n = getrandom(p, length, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace crypto
