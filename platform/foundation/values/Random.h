#pragma once
// Random numbers from a per-thread generator seeded by the operating system.
#include <cstddef>
#include <cstdint>

namespace fd {

/// A uniformly distributed 32-bit value.
uint32_t arc4random();
/// A uniformly distributed value in [0, bound) without modulo bias; 0 when bound is 0.
uint32_t arc4random_uniform(uint32_t bound);
/// Fills `buffer` with random bytes.
void arc4random_buf(void* buffer, size_t length);
/// A uniformly distributed double in [0, 1).
double randomDouble();

}  // namespace fd
