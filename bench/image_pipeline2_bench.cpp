// The second web-image pipeline against the first on the same work, in one run: 200 distinct
// pictures from the in-process sample service into 200 image views, 6 downloads at a time,
// each pipeline with an empty cache of its own every run (query, download, decode, store, the
// image set on its view on the main thread). Paired runs alternate which goes first; the
// median of the ratios is reported.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/web/ImageView+WebCache.h"
#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManager.h"
#include "image/web2/DRImageCache.h"
#include "image/web2/DRWebImageManager.h"
#include "image/web2/ImageView+DRWebImage.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/ui/controls/ImageView.h"
#include "tools/sample-service/service/SampleServer.h"
#include "bench/RatioReporter.h"

namespace {

using namespace image;

constexpr int kPictures = 200;
constexpr int kWidth = 6;

std::string tempRoot() {
  static std::string root = [] {
    char pattern[] = "/tmp/kd-image2-bench-XXXXXX";
    std::string r = ::mkdtemp(pattern);
    ::setenv("KD_HOME_OVERRIDE", r.c_str(), 1);
    return r;
  }();
  return root;
}

sample::SampleServer& service() {
  static sample::SampleServer* server = [] {
    tempRoot();
    sample::ServiceOptions options;
    options.port = 0;
    auto* s = new sample::SampleServer(options);
    std::string error;
    if (!s->start(&error)) std::abort();
    return s;
  }();
  return *server;
}

std::vector<Ref<fd::URL>> urls() {
  static std::vector<Ref<fd::URL>> list = [] {
    std::vector<Ref<fd::URL>> l;
    for (int i = 0; i < kPictures; ++i)
      l.push_back(fd::URL::URLWithString(service().baseURL() + "/pictures/thumb/two" + std::to_string(i) + ".jpg"));
    return l;
  }();
  return list;
}

std::vector<Ref<ui::ImageView>> makeViews() {
  std::vector<Ref<ui::ImageView>> views;
  for (int i = 0; i < kPictures; ++i) views.push_back(rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {200, 150}}));
  return views;
}

void pumpUntil(const std::function<bool()>& done) {
  auto loop = fd::RunLoop::currentRunLoop();
  while (!done()) loop->runInMode(fd::NSDefaultRunLoopMode, 0.5, true);
}

using bench::median;

int runs = 0;

/// Seconds for the 200 through the first pipeline, or a negative value on failure.
double firstRun() {
  auto manager = WIWebImageManager::sharedManager();
  auto cache = WIImageCache::create("bench-first", fd::String(tempRoot() + "/first" + std::to_string(runs++)));
  manager->setImageCache(cache);
  WIWebImageDownloader::sharedDownloader()->setMaxConcurrentDownloads(kWidth);
  manager->setImageDownloader(WIWebImageDownloader::sharedDownloader());
  auto views = makeViews();
  int done = 0;
  bool failed = false;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPictures; ++i)
    wi_setImageWithURL(*views[size_t(i)], urls()[size_t(i)], nullptr,
                       [&](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, rt::Id) {
                         ++done;
                         failed = failed || !image;
                       });
  pumpUntil([&] { return done == kPictures; });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (auto& v : views) failed = failed || !v->image();
  cache->ioQueue()->sync([] {});
  std::error_code ec;
  std::filesystem::remove_all(cache->diskCachePath().utf8(), ec);
  return failed ? -1 : seconds;
}

/// Seconds for the 200 through the second pipeline, or a negative value on failure.
double secondRun() {
  const std::string folder = tempRoot() + "/second" + std::to_string(runs++);
  auto queue = fd::OperationQueue::create();
  queue->setMaxConcurrentOperationCount(kWidth);
  auto manager = DRWebImageManager::create(DRImageCache::create(fd::String(folder)), queue);
  auto views = makeViews();
  int done = 0;
  bool failed = false;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPictures; ++i)
    dr_setImageWithURL(views[size_t(i)], urls()[size_t(i)], nullptr, 0, manager, nullptr, nullptr,
                       [&](const Ref<gfx::Image>& image, const Ref<fd::URL>&, DRWebImageFrom, DRWebImageStage stage,
                           const Ref<fd::Error>&) {
                         if (stage == DRWebImageStage::Progress) return;
                         ++done;
                         failed = failed || !image;
                       });
  pumpUntil([&] { return done == kPictures; });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (auto& v : views) failed = failed || !v->image();
  queue->waitUntilAllOperationsAreFinished();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return failed ? -1 : seconds;
}

void warmService() {
  static bool warm = [] {
    firstRun();  // the service makes each picture on its first request
    return true;
  }();
  (void)warm;
}

void BM_FirstPipeline200IntoViews(benchmark::State& state) {
  warmService();
  for (auto _ : state) {
    double s = firstRun();
    if (s < 0) state.SkipWithError("a load failed");
    state.SetIterationTime(s);
  }
}

void BM_SecondPipeline200IntoViews(benchmark::State& state) {
  warmService();
  for (auto _ : state) {
    double s = secondRun();
    if (s < 0) state.SkipWithError("a load failed");
    state.SetIterationTime(s);
  }
}

void BM_SecondOverFirstPaired(benchmark::State& state) {
  warmService();
  std::vector<double> ratios;
  bool firstFirst = true;
  for (auto _ : state) {
    double a = 0, b = 0;
    if (firstFirst) a = firstRun();
    b = secondRun();
    if (!firstFirst) a = firstRun();
    firstFirst = !firstFirst;
    if (a <= 0 || b <= 0) {
      state.SkipWithError("a load failed");
      break;
    }
    ratios.push_back(b / a);
  }
  state.counters["second_vs_first"] = median(ratios);
}

}  // namespace

BENCHMARK(BM_FirstPipeline200IntoViews)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SecondPipeline200IntoViews)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SecondOverFirstPaired)->Iterations(9)->Unit(benchmark::kMillisecond)->UseRealTime();
