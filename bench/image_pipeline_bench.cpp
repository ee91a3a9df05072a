// The web-image pipeline against what it stands in for, in one run:
// - a memory-cache hit through the image view binding (URL in, image set on the view) against
//   a plain unordered_map lookup plus the view's image set;
// - a disk-cache hit of a 400x240 JPEG (read, decode, ready on the main thread) against
//   reading the file and decoding it with the platform codec directly;
// - 200 distinct pictures from the sample service, 6 at a time, through the manager (cache
//   query, download, decode, store, completion on the main thread) against a bare libcurl
//   multi loop with 6 connections fetching and decoding the same 200; the memory cache's cost
//   and the peak resident size are reported beside it.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/web/ImageView+WebCache.h"
#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageManager.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/values/Data.h"
#include "tools/sample-service/service/PictureMaker.h"
#include "tools/sample-service/service/SampleServer.h"
#include "bench/RatioReporter.h"

namespace {

using namespace image;

constexpr int kPictures = 200;
constexpr int kWidth = 6;

std::string tempRoot() {
  static std::string root = [] {
    char pattern[] = "/tmp/kd-image-bench-XXXXXX";
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

std::string pictureURL(int i) { return service().baseURL() + "/pictures/thumb/bench" + std::to_string(i) + ".jpg"; }

void pumpUntil(const std::function<bool()>& done) {
  auto loop = fd::RunLoop::currentRunLoop();
  while (!done()) loop->runInMode(fd::NSDefaultRunLoopMode, 0.5, true);
}

using bench::median;

Ref<gfx::Image> smallImage(bool opaque) {
  return gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(40, 30, opaque), 2);
}

// ---- memory hit through the binding (no server needed: nothing is fetched)

std::string memoryURL(int i) { return "http://127.0.0.1:8080/pictures/thumb/bench" + std::to_string(i) + ".jpg"; }

void BM_MapLookupAndImageSet(benchmark::State& state) {
  std::unordered_map<std::string, Ref<gfx::Image>> map;
  std::vector<std::string> keys;
  for (int i = 0; i < kPictures; ++i) {
    keys.push_back(memoryURL(i));
    map[keys.back()] = smallImage(i % 2);
  }
  auto view = rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {40, 30}});
  size_t i = 0;
  for (auto _ : state) {
    auto it = map.find(keys[i++ % 2]);
    view->setImage(it->second);
  }
}

void BM_BindingMemoryHit(benchmark::State& state) {
  auto manager = WIWebImageManager::sharedManager();
  auto cache = WIImageCache::create("bench-memory", fd::String(tempRoot() + "/memory"));
  manager->setImageCache(cache);
  std::vector<Ref<fd::URL>> urls;
  for (int i = 0; i < kPictures; ++i) {
    urls.push_back(fd::URL::URLWithString(memoryURL(i)));
    cache->storeImage(smallImage(i % 2), fd::String(memoryURL(i)), false);
  }
  auto view = rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {40, 30}});
  auto placeholder = smallImage(true);
  size_t i = 0;
  for (auto _ : state) wi_setImageWithURL(*view, urls[i++ % 2], placeholder);
  if (!view->image() || view->image() == placeholder) state.SkipWithError("the image was not set");
}

// ---- disk hit of a 400x240 JPEG

struct DiskFixture {
  Ref<WIImageCache> cache;
  fd::String key;
  std::string path;
  DiskFixture() {
    cache = WIImageCache::create("bench-disk", fd::String(tempRoot() + "/disk"));
    key = fd::String(service().baseURL() + "/pictures/channel/disk.jpg");
    // The bytes the service sends for it, stored as downloaded.
    sample::PictureMaker maker(1);
    auto bytes = maker.picture(*sample::parsePicturePath("channel/disk.jpg"));
    auto data = fd::Data::create(*bytes);
    cache->storeImage(gfx::Image::imageWithData(data), false, data, key, true);
    cache->ioQueue()->sync([] {});
    path = cache->defaultCachePathForKey(key).utf8();
  }
};

void BM_ReadFileAndDecode(benchmark::State& state) {
  DiskFixture f;
  for (auto _ : state) {
    auto image = gfx::Image::imageWithData(fd::dataWithContentsOfFile(f.path));
    if (!image || image->pixelSize().width != 400) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image);
  }
}

void BM_DiskCacheQuery(benchmark::State& state) {
  DiskFixture f;
  for (auto _ : state) {
    f.cache->clearMemory();
    Ref<gfx::Image> found;
    bool answered = false;
    f.cache->queryDiskCacheForKey(f.key, [&](Ref<gfx::Image> image, WICacheType) {
      found = image;
      answered = true;
    });
    pumpUntil([&] { return answered; });
    if (!found || found->pixelSize().width != 400) state.SkipWithError("disk hit failed");
  }
}

void BM_DiskCacheReadOnCallerThread(benchmark::State& state) {
  DiskFixture f;
  for (auto _ : state) {
    f.cache->clearMemory();
    auto image = f.cache->imageFromDiskCacheForKey(f.key);
    if (!image) state.SkipWithError("disk hit failed");
  }
}

// ---- 200 pictures, 6 at a time

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::vector<uint8_t>*>(out)->insert(static_cast<std::vector<uint8_t>*>(out)->end(), data, data + size * count);
  return size * count;
}

/// Seconds for the 200, or a negative value on failure.
double bareRun() {
  CURLM* multi = curl_multi_init();
  curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, long(kWidth));
  std::vector<CURL*> handles(kWidth);
  std::vector<std::vector<uint8_t>> bodies(kWidth);
  std::vector<std::string> urls;
  for (int i = 0; i < kPictures; ++i) urls.push_back(pictureURL(i));
  auto start = std::chrono::steady_clock::now();
  int started = 0, finished = 0;
  bool failed = false;
  for (int i = 0; i < kWidth; ++i) {
    handles[i] = curl_easy_init();
    curl_easy_setopt(handles[i], CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(handles[i], CURLOPT_WRITEDATA, &bodies[i]);
    curl_easy_setopt(handles[i], CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handles[i], CURLOPT_PRIVATE, reinterpret_cast<char*>(static_cast<intptr_t>(i)));
    curl_easy_setopt(handles[i], CURLOPT_URL, urls[size_t(started++)].c_str());
    curl_multi_add_handle(multi, handles[i]);
  }
  while (finished < kPictures) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int left = 0;
    bool readded = false;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      CURL* easy = msg->easy_handle;
      char* priv = nullptr;
      curl_easy_getinfo(easy, CURLINFO_PRIVATE, &priv);
      auto i = static_cast<size_t>(reinterpret_cast<intptr_t>(priv));
      auto image = gfx::Image::imageWithData(fd::Data::create(std::move(bodies[i])));
      bodies[i].clear();
      if (msg->data.result != CURLE_OK || !image) failed = true;
      ++finished;
      curl_multi_remove_handle(multi, easy);
      if (started < kPictures) {
        curl_easy_setopt(easy, CURLOPT_URL, urls[size_t(started++)].c_str());
        curl_multi_add_handle(multi, easy);
        readded = true;
      }
    }
    if (!readded && finished < kPictures) curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (CURL* h : handles) curl_easy_cleanup(h);
  curl_multi_cleanup(multi);
  return failed ? -1 : seconds;
}

constexpr uint64_t kCostLimit = 200 * 150 * 50;  // the pixels of 50 thumbnails
int pipelineRuns = 0;
uint64_t lastCost = 0;

double pipelineRun() {
  auto manager = WIWebImageManager::create();
  // A cache of its own every run, so every picture is really fetched.
  auto cache = WIImageCache::create("bench-load", fd::String(tempRoot() + "/load" + std::to_string(pipelineRuns++)));
  cache->setMaxMemoryCost(kCostLimit);
  manager->setImageCache(cache);
  auto downloader = WIWebImageDownloader::sharedDownloader();
  downloader->setMaxConcurrentDownloads(kWidth);
  manager->setImageDownloader(downloader);
  auto start = std::chrono::steady_clock::now();
  int done = 0;
  bool failed = false;
  for (int i = 0; i < kPictures; ++i) {
    manager->downloadImageWithURL(fd::URL::URLWithString(pictureURL(i)), 0, nullptr,
                                  [&](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, bool finished, Ref<fd::URL>) {
                                    if (!finished) return;
                                    ++done;
                                    failed = failed || !image;
                                  });
  }
  pumpUntil([&] { return done == kPictures; });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cache->ioQueue()->sync([] {});  // the disk writes finish outside the measure
  lastCost = cache->memCache()->totalCost();
  std::error_code ec;
  std::filesystem::remove_all(cache->diskCachePath().utf8(), ec);
  return failed ? -1 : seconds;
}

double peakRSSMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

void warmService() {
  static bool warm = [] {
    bareRun();  // the service makes each picture on its first request
    return true;
  }();
  (void)warm;
}

void BM_Bare200Pictures(benchmark::State& state) {
  warmService();
  for (auto _ : state) {
    double s = bareRun();
    if (s < 0) state.SkipWithError("a fetch failed");
    state.SetIterationTime(s);
  }
}

void BM_Pipeline200Pictures(benchmark::State& state) {
  warmService();
  for (auto _ : state) {
    double s = pipelineRun();
    if (s < 0) state.SkipWithError("a load failed");
    state.SetIterationTime(s);
  }
  state.counters["mem_cost"] = double(lastCost);
  state.counters["cost_limit"] = double(kCostLimit);
  state.counters["peak_rss_MB"] = peakRSSMegabytes();
}

// Both in every iteration, back to back in alternating order; the median ratio of the pairs.
void BM_PipelineOverBarePaired(benchmark::State& state) {
  warmService();
  std::vector<double> ratios;
  bool bareFirst = true;
  for (auto _ : state) {
    double b = 0, p = 0;
    if (bareFirst) b = bareRun();
    p = pipelineRun();
    if (!bareFirst) b = bareRun();
    bareFirst = !bareFirst;
    if (b <= 0 || p <= 0) {
      state.SkipWithError("a load failed");
      break;
    }
    ratios.push_back(p / b);
  }
  state.counters["time_vs_bare"] = median(ratios);
  state.counters["mem_cost_within_limit"] = lastCost <= kCostLimit ? 1 : 0;
  state.counters["peak_rss_MB"] = peakRSSMegabytes();
}

}  // namespace

BENCHMARK(BM_MapLookupAndImageSet);
BENCHMARK(BM_BindingMemoryHit);
BENCHMARK(BM_ReadFileAndDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiskCacheQuery)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DiskCacheReadOnCallerThread)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bare200Pictures)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Pipeline200Pictures)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_PipelineOverBarePaired)->Iterations(9)->Unit(benchmark::kMillisecond)->UseRealTime();
