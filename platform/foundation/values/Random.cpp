#include "platform/foundation/values/Random.h"

#include <cstring>
#include <random>

namespace fd {

namespace {

std::mt19937_64& engine() {
  thread_local std::mt19937_64 e = [] {
    std::random_device rd;
    std::seed_seq seq{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
    return std::mt19937_64(seq);
  }();
  return e;
}

}  // namespace

uint32_t arc4random() { return static_cast<uint32_t>(engine()() >> 32); }

uint32_t arc4random_uniform(uint32_t bound) {
  if (bound < 2) return 0;
  // Reject the low values that would make the modulo favour small results.
  const uint32_t threshold = static_cast<uint32_t>(-bound) % bound;
  for (;;) {
    uint32_t r = arc4random();
    if (r >= threshold) return r % bound;
  }
}

void arc4random_buf(void* buffer, size_t length) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (length) {
    uint64_t v = engine()();
    size_t n = length < sizeof v ? length : sizeof v;
    std::memcpy(p, &v, n);
    p += n;
    length -= n;
  }
}

double randomDouble() { return static_cast<double>(engine()() >> 11) * 0x1.0p-53; }

}  // namespace fd
