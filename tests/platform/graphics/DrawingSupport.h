#pragma once
// Reading premultiplied native pixels back in drawing tests.
#include <cstdint>
#include <cstdlib>
#include <ostream>

struct Argb {
  int a, r, g, b;
  bool near(const Argb& o, int tolerance = 2) const {
    return std::abs(a - o.a) <= tolerance && std::abs(r - o.r) <= tolerance && std::abs(g - o.g) <= tolerance &&
           std::abs(b - o.b) <= tolerance;
  }
};

inline Argb unpack(uint32_t p) {
  return {int(p >> 24), int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
}

inline std::ostream& operator<<(std::ostream& os, const Argb& c) {
  return os << "argb(" << c.a << ", " << c.r << ", " << c.g << ", " << c.b << ")";
}

#define EXPECT_PIXEL(actual, expected) EXPECT_TRUE(unpack(actual).near(expected)) << unpack(actual) << " vs " << (expected)
