// One display frame of 1,000 concurrent spring animations of layer positions through the
// animator, against the same spring maths as a plain loop over an array of structs writing the
// same layer property. The closing line gives the ratio and the time per frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <vector>

#include "anim/PXAnimator.h"
#include "anim/PXSpringAnimation.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"
#include "bench/RatioReporter.h"

namespace {

constexpr int kSprings = 1000;
constexpr double kFrame = 1.0 / 60;
// Little friction, so that no spring settles while the benchmark runs.
constexpr double kTension = 342.1, kFriction = 0.1;

void BM_AnimatorFrame(benchmark::State& state) {
  auto animator = rt::make<anim::PXAnimator>();
  std::vector<Ref<ui::Layer>> layers;
  for (int i = 0; i < kSprings; ++i) {
    auto layer = rt::make<ui::Layer>();
    layer->setPosition({0, static_cast<double>(i)});
    auto spring = anim::PXSpringAnimation::animationWithPropertyNamed("position");
    spring->setToValue(fd::ValueBox::valueWith(gfx::Point{300, static_cast<double>(i)}));
    spring->setDynamicsTension(kTension);
    spring->setDynamicsFriction(kFriction);
    animator->addAnimation(spring, layer, "spring");
    layers.push_back(layer);
  }
  double time = 1000;
  animator->renderTime(time);
  for (auto _ : state) {
    time += kFrame;
    animator->renderTime(time);
  }
  benchmark::DoNotOptimize(layers.front()->position());
}

struct PlainSpring {
  Ref<ui::Layer> layer;
  anim::SpringSolver<anim::PX::Vector4d> solver{kTension, kFriction, 1};
  anim::PX::Vector4d value, velocity, target;
};

void BM_PlainSpringLoop(benchmark::State& state) {
  std::vector<PlainSpring> springs(kSprings);
  for (int i = 0; i < kSprings; ++i) {
    springs[i].layer = rt::make<ui::Layer>();
    springs[i].value = {0, static_cast<double>(i), 0, 0};
    springs[i].target = {300, static_cast<double>(i), 0, 0};
    springs[i].solver.setThreshold(1);
  }
  double time = 0;
  for (auto _ : state) {
    time += kFrame;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    for (auto& s : springs) {
      anim::PX::Vector4d x = s.target - s.value, v = -s.velocity;
      s.solver.advance(x, v, time, kFrame);
      s.value = s.target - x;
      s.velocity = -v;
      s.layer->setPosition({s.value.x, s.value.y});
    }
    ui::Transaction::commit();
  }
  benchmark::DoNotOptimize(springs.front().value);
}

BENCHMARK(BM_AnimatorFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainSpringLoop)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double animator = reporter.secondsFor("BM_AnimatorFrame"), plain = reporter.secondsFor("BM_PlainSpringLoop");
  if (animator > 0 && plain > 0)
    std::printf("animator frame %.1f us, plain loop %.1f us, animator / plain = %.2f (%d springs)\n", animator * 1e6,
                plain * 1e6, animator / plain, kSprings);
  benchmark::Shutdown();
  return 0;
}
