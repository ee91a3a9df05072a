// A three-pass box blur of a 750x1334 ARGB picture through the platform's pixel operations,
// against a plain separable running-sum box blur written as a straightforward loop on the same
// buffer. The closing line gives the ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <vector>

#include "platform/graphics/PixelOps.h"

namespace {

constexpr size_t kWidth = 750, kHeight = 1334;
constexpr uint32_t kBox = 41;  // what a 20-point blur at scale 1 uses
constexpr int kPasses = 3;

std::vector<uint8_t> picture() {
  std::vector<uint8_t> p(kWidth * kHeight * 4);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  return p;
}

void BM_PlatformBoxBlur(benchmark::State& state) {
  auto source = picture();
  std::vector<uint8_t> a = source, b(source.size());
  gfx::vImage_Buffer A{a.data(), kHeight, kWidth, kWidth * 4}, B{b.data(), kHeight, kWidth, kWidth * 4};
  auto tempSize = gfx::vImageBoxConvolve_ARGB8888(&A, &B, nullptr, 0, 0, kBox, kBox, nullptr,
                                                  gfx::kvImageEdgeExtend | gfx::kvImageGetTempBufferSize);
  std::vector<uint8_t> temp(tempSize > 0 ? static_cast<size_t>(tempSize) : 0);
  for (auto _ : state) {
    gfx::vImage_Buffer* in = &A;
    gfx::vImage_Buffer* out = &B;
    for (int i = 0; i < kPasses; ++i) {
      gfx::vImageBoxConvolve_ARGB8888(in, out, temp.data(), 0, 0, kBox, kBox, nullptr, gfx::kvImageEdgeExtend);
      std::swap(in, out);
    }
    benchmark::DoNotOptimize(in->data);
  }
}

// One axis of a running-sum box filter with the edges extended.
void boxLine(const uint8_t* src, uint8_t* dst, size_t n, size_t stride, int radius) {
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

void BM_PlainRunningSumBlur(benchmark::State& state) {
  auto source = picture();
  std::vector<uint8_t> a = source, b(source.size());
  int radius = static_cast<int>(kBox / 2);
  for (auto _ : state) {
    for (int i = 0; i < kPasses; ++i) {
      for (size_t y = 0; y < kHeight; ++y) boxLine(&a[y * kWidth * 4], &b[y * kWidth * 4], kWidth, 4, radius);
      for (size_t x = 0; x < kWidth; ++x) boxLine(&b[x * 4], &a[x * 4], kHeight, kWidth * 4, radius);
    }
    benchmark::DoNotOptimize(a.data());
  }
}

BENCHMARK(BM_PlatformBoxBlur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRunningSumBlur)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        seconds[r.benchmark_name()] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter r;
  benchmark::RunSpecifiedBenchmarks(&r);
  double platform = 0, plain = 0;
  for (auto& [name, s] : r.seconds) {
    if (name.rfind("BM_PlatformBoxBlur", 0) == 0) platform = s;
    if (name.rfind("BM_PlainRunningSumBlur", 0) == 0) plain = s;
  }
  if (platform > 0 && plain > 0)
    std::printf("platform box blur %.1f ms, plain loop %.1f ms, platform / plain = %.2f (750x1334, box %u, %d passes)\n",
                platform * 1e3, plain * 1e3, platform / plain, kBox, kPasses);
  benchmark::Shutdown();
  return 0;
}
