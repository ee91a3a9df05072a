#include "platform/crypto/Checksum.h"

#include <zlib.h>

#include <algorithm>

namespace crypto {

// zlib takes lengths as uInt: feed large buffers in slices.
uint32_t crc32(const void* bytes, size_t length, uint32_t previous) {
  auto* p = static_cast<const Bytef*>(bytes);
  uLong v = previous;
  do {
    uInt n = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
    v = ::crc32(v, p, n);
    p += n;
    length -= n;
  } while (length);
  return static_cast<uint32_t>(v);
}

uint32_t adler32(const void* bytes, size_t length, uint32_t previous) {
  auto* p = static_cast<const Bytef*>(bytes);
  uLong v = previous;
  do {
    uInt n = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
    v = ::adler32(v, p, n);
    p += n;
    length -= n;
  } while (length);
  return static_cast<uint32_t>(v);
}

}  // namespace crypto
