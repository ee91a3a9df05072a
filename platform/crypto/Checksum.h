#pragma once
// Running checksums; pass the previous value to continue over more bytes.
#include <cstddef>
#include <cstdint>

namespace crypto {

/// CRC-32 as PNG and gzip use it; the empty-input value is 0.
uint32_t crc32(const void* bytes, size_t length, uint32_t previous = 0);
/// Adler-32; the empty-input value is 1.
uint32_t adler32(const void* bytes, size_t length, uint32_t previous = 1);

}  // namespace crypto
