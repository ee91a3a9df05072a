#pragma once
// A small deterministic generator: the same seed and stream name give the same numbers on
// every platform, which the standard distributions do not promise.
#include <cstdint>
#include <string_view>
#include <vector>

namespace sample {

class SeededRandom {
 public:
  /// `stream` separates independent sequences drawn from one seed, so that adding records to
  /// one part of the data set leaves the others unchanged.
  SeededRandom(uint64_t seed, std::string_view stream);

  uint64_t next();
  /// A number in [0, bound); 0 when `bound` is 0.
  uint64_t below(uint64_t bound);
  /// A number in [low, high].
  int64_t between(int64_t low, int64_t high);
  bool chance(unsigned percent) { return below(100) < percent; }

  template <class T> const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

 private:
  uint64_t state_;
};

/// Stable 64-bit hash of text (FNV-1a), for naming streams and pictures.
uint64_t stableHash(std::string_view text);

}  // namespace sample
