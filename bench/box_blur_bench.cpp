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

#include "bench/RatioReporter.h"
#include "bench/RunningSumBoxBlur.h"
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

void BM_PlainRunningSumBlur(benchmark::State& state) {
  auto source = picture();
  std::vector<uint8_t> a = source, b(source.size());
  int radius = static_cast<int>(kBox / 2);
  for (auto _ : state) {
    bench::boxBlur(a.data(), b.data(), kWidth, kHeight, radius, kPasses);
    benchmark::DoNotOptimize(a.data());
  }
}

BENCHMARK(BM_PlatformBoxBlur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRunningSumBlur)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter r;
  benchmark::RunSpecifiedBenchmarks(&r);
  double platform = r.secondsFor("BM_PlatformBoxBlur"), plain = r.secondsFor("BM_PlainRunningSumBlur");
  if (platform > 0 && plain > 0)
    std::printf("platform box blur %.1f ms, plain loop %.1f ms, platform / plain = %.2f (750x1334, box %u, %d passes)\n",
                platform * 1e3, plain * 1e3, platform / plain, kBox, kPasses);
  benchmark::Shutdown();
  return 0;
}
