#include "tools/sample-service/service/SeededRandom.h"

namespace sample {

uint64_t stableHash(std::string_view text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

SeededRandom::SeededRandom(uint64_t seed, std::string_view stream) : state_(seed ^ stableHash(stream)) {}

uint64_t SeededRandom::next() {
  // splitmix64
  uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

uint64_t SeededRandom::below(uint64_t bound) { return bound == 0 ? 0 : next() % bound; }

int64_t SeededRandom::between(int64_t low, int64_t high) {
  if (high <= low) return low;
  return low + static_cast<int64_t>(below(static_cast<uint64_t>(high - low) + 1));
}

}  // namespace sample
