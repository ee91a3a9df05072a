// One update of a full-screen blur view (snapshot of what lies beneath, blur, contents
// installed) against the plain path: the same scene rendered into a bitmap context at the same
// scale, then a plain separable running-sum box blur of those pixels with the same box and
// passes. The closing line gives the ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "bench/RatioReporter.h"
#include "bench/RunningSumBoxBlur.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/Window.h"
#include "widgets/blur/BVBlurView.h"
#include "widgets/blur/Image+BVBlurView.h"

namespace {

constexpr double kWidth = 375, kHeight = 667;

struct Scene {
  Ref<ui::Window> window;
  Ref<ui::View> backdrop;
  Ref<widgets::BVBlurView> blur;

  Scene() {
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, kWidth, kHeight));
    window->makeKeyAndVisible();
    backdrop = rt::make<ui::View>(gfx::RectMake(0, 0, kWidth, kHeight));
    backdrop->setBackgroundColor(gfx::Color::whiteColor());
    window->addSubview(backdrop);
    for (int i = 0; i < 12; ++i) {
      auto row = rt::make<ui::View>(gfx::RectMake(0, i * 56.0, kWidth, 48));
      row->setBackgroundColor(gfx::Color::colorWithHue(i / 12.0, 0.6, 0.9, 1));
      auto label = rt::make<ui::Label>(gfx::RectMake(12, 8, kWidth - 24, 32));
      label->setText("District news headline number " + std::to_string(i));
      row->addSubview(label);
      backdrop->addSubview(row);
    }
    blur = rt::make<widgets::BVBlurView>(gfx::RectMake(0, 0, kWidth, kHeight));
    blur->setDynamic(false);
    backdrop->addSubview(blur);
  }
};

void BM_BlurViewUpdate(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.blur->updateAsynchronously(false, nullptr);
    benchmark::DoNotOptimize(scene.blur->layer()->contents());
  }
}

void BM_PlainSnapshotAndBoxBlur(benchmark::State& state) {
  Scene scene;
  double scale = scene.blur->snapshotScale();
  int radius = static_cast<int>(widgets::BVBoxSize(scene.blur->blurRadius(), scale) / 2);
  unsigned passes = scene.blur->iterations();
  scene.blur->removeFromSuperview();
  for (auto _ : state) {
    gfx::beginImageContextWithOptions({kWidth, kHeight}, false, scale);
    scene.backdrop->layer()->renderInContext(*gfx::currentContext());
    auto image = gfx::imageFromCurrentImageContext();
    gfx::endImageContext();
    auto bitmap = image->CGImage();
    size_t w = bitmap->width(), h = bitmap->height();
    std::vector<uint8_t> a(w * h * 4), b(a.size());
    for (size_t y = 0; y < h; ++y) std::copy_n(bitmap->bytes() + y * bitmap->bytesPerRow(), w * 4, &a[y * w * 4]);
    bench::boxBlur(a.data(), b.data(), w, h, radius, static_cast<int>(passes));
    benchmark::DoNotOptimize(a.data());
  }
}

BENCHMARK(BM_BlurViewUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainSnapshotAndBoxBlur)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter r;
  benchmark::RunSpecifiedBenchmarks(&r);
  double view = r.secondsFor("BM_BlurViewUpdate"), plain = r.secondsFor("BM_PlainSnapshotAndBoxBlur");
  if (view > 0 && plain > 0)
    std::printf("blur view update %.0f us, plain snapshot + box blur %.0f us, view / plain = %.2f (%.0fx%.0f)\n",
                view * 1e6, plain * 1e6, view / plain, kWidth, kHeight);
  benchmark::Shutdown();
  return 0;
}
