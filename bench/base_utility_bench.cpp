// The additions' utilities against their plain baselines: a thread-safe array under eight
// threads against a std::vector behind one std::mutex, and the file hash of 100 MB with SHA-256
// against the system's sha256sum on the same file. The closing lines give the ratios.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <spawn.h>
#include <thread>
#include <vector>

#include "base/utility/DRFileHash.h"
#include "base/utility/DRThreadSafeArray.h"
#include "platform/foundation/values/Number.h"
#include "bench/RatioReporter.h"

extern char** environ;

namespace {

constexpr int kThreads = 8;
constexpr int kPerThread = 20000;

// Each thread appends and reads back the last element, as a shared work list would.
void BM_ThreadSafeArray(benchmark::State& state) {
  auto item = fd::Number::numberWithInt(1);
  for (auto _ : state) {
    auto array = base::DRThreadSafeArray::create();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        for (int i = 0; i < kPerThread; ++i) {
          array->addObject(item);
          benchmark::DoNotOptimize(array->lastObject());
        }
      });
    for (auto& th : threads) th.join();
  }
}

void BM_VectorBehindMutex(benchmark::State& state) {
  rt::Id item = fd::Number::numberWithInt(1);
  for (auto _ : state) {
    std::vector<rt::Id> array;
    std::mutex lock;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        for (int i = 0; i < kPerThread; ++i) {
          {
            std::lock_guard guard(lock);
            array.push_back(item);
          }
          rt::Id last;
          {
            std::lock_guard guard(lock);
            last = array.back();  // a read hands the object out, as the array's does
          }
          benchmark::DoNotOptimize(last);
        }
      });
    for (auto& th : threads) th.join();
  }
}

const std::string& bigFile() {
  static const std::string path = [] {
    auto p = std::filesystem::temp_directory_path() / "kd-filehash-bench.bin";
    if (!std::filesystem::exists(p) || std::filesystem::file_size(p) != (100u << 20)) {
      std::ofstream out(p, std::ios::binary);
      std::vector<char> chunk(1 << 20);
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + 7);
      for (int i = 0; i < 100; ++i) out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    return p.string();
  }();
  return path;
}

void BM_FileHashSHA256(benchmark::State& state) {
  const std::string& path = bigFile();
  for (auto _ : state) {
    auto h = base::DRFileHash::hashForFile(path, base::DRFileHashTypeSHA256);
    if (!h) state.SkipWithError("hash failed");
    benchmark::DoNotOptimize(h);
  }
}

void BM_Sha256sumCommand(benchmark::State& state) {
  const std::string& path = bigFile();
  for (auto _ : state) {
    pid_t pid;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"sha256sum", path.c_str(), nullptr};
    if (posix_spawnp(&pid, "sha256sum", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
      state.SkipWithError("sha256sum cannot be started");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
  }
}

BENCHMARK(BM_ThreadSafeArray)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VectorBehindMutex)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileHashSHA256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sha256sumCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double array = reporter.realSecondsFor("BM_ThreadSafeArray"), vec = reporter.realSecondsFor("BM_VectorBehindMutex");
  double hash = reporter.realSecondsFor("BM_FileHashSHA256"), sum = reporter.realSecondsFor("BM_Sha256sumCommand");
  if (array > 0 && vec > 0) std::printf("thread-safe array / vector behind a mutex = %.2f\n", array / vec);
  if (hash > 0 && sum > 0) std::printf("file hash SHA-256 / sha256sum = %.2f (100 MiB)\n", hash / sum);
  benchmark::Shutdown();
  return 0;
}
