#pragma once
// Ranges of UTF-16 code units (and of indexes in general).
#include <cstdint>
#include <limits>

namespace rt {

/// The "not found" location: the largest signed 64-bit value, so that NotFound + 1 stays
/// representable as an unsigned value.
inline constexpr uint64_t NotFound = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

struct Range {
  uint64_t location = 0;
  uint64_t length = 0;

  constexpr uint64_t end() const { return location + length; }
  constexpr bool contains(uint64_t i) const { return i >= location && i < end(); }
  constexpr bool found() const { return location != NotFound; }
  friend constexpr bool operator==(const Range&, const Range&) = default;
};

inline constexpr Range NotFoundRange{NotFound, 0};

constexpr Range intersection(Range a, Range b) {
  uint64_t lo = a.location > b.location ? a.location : b.location;
  uint64_t hi = a.end() < b.end() ? a.end() : b.end();
  return hi > lo ? Range{lo, hi - lo} : Range{0, 0};
}
constexpr Range unionRange(Range a, Range b) {
  uint64_t lo = a.location < b.location ? a.location : b.location;
  uint64_t hi = a.end() > b.end() ? a.end() : b.end();
  return Range{lo, hi - lo};
}

}  // namespace rt
