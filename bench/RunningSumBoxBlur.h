#pragma once
// The plain baseline of the blur benchmarks: a separable running-sum box filter with the edges
// extended, written as a straightforward loop.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace bench {

/// One axis of the filter over `n` pixels of 4 bytes, `stride` bytes apart.
inline void boxLine(const uint8_t* src, uint8_t* dst, size_t n, size_t stride, int radius) {
  for (int c = 0; c < 4; ++c) {
    int sum = 0;
    for (int k = -radius; k <= radius; ++k) sum += src[static_cast<size_t>(std::clamp<int>(k, 0, static_cast<int>(n) - 1)) * stride + c];
    for (size_t i = 0; i < n; ++i) {
      dst[i * stride + c] = static_cast<uint8_t>((sum + radius) / (2 * radius + 1));
      int out = std::clamp<int>(static_cast<int>(i) - radius, 0, static_cast<int>(n) - 1);
      int in = std::clamp<int>(static_cast<int>(i) + radius + 1, 0, static_cast<int>(n) - 1);
      sum += src[static_cast<size_t>(in) * stride + c] - src[static_cast<size_t>(out) * stride + c];
    }
  }
}

/// `passes` passes over a w x h picture in `a`, using `b` as scratch; the result is in `a`.
inline void boxBlur(uint8_t* a, uint8_t* b, size_t w, size_t h, int radius, int passes) {
  for (int i = 0; i < passes; ++i) {
    for (size_t y = 0; y < h; ++y) boxLine(&a[y * w * 4], &b[y * w * 4], w, 4, radius);
    for (size_t x = 0; x < w; ++x) boxLine(&b[x * 4], &a[x * 4], h, w * 4, radius);
  }
}

}  // namespace bench
