// Throughput of dispatch queues against plain thread pools built on a mutex-protected deque:
// a serial queue against one worker, a concurrent queue against one worker per processor.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dispatch/Processors.h"
#include "platform/dispatch/Queue.h"

namespace {

constexpr int64_t kBlocks = 1'000'000;

class DequePool {
 public:
  explicit DequePool(int workers) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
  }
  ~DequePool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    cv_.notify_all();
    for (auto& t : threads_) t.join();
  }
  void post(std::function<void()> task) {
    outstanding_.fetch_add(1, std::memory_order_relaxed);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    cv_.notify_one();
  }
  void waitIdle() {
    std::unique_lock<std::mutex> lock(idleMutex_);
    idleCv_.wait(lock, [this] { return outstanding_.load(std::memory_order_acquire) == 0; });
  }

 private:
  void work() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      if (outstanding_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        std::lock_guard<std::mutex> lock(idleMutex_);
        idleCv_.notify_all();
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
  std::atomic<int64_t> outstanding_{0};
  std::mutex idleMutex_;
  std::condition_variable idleCv_;
};

void finish(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kBlocks);
  state.counters["workers"] = static_cast<double>(state.range(0));
}

void SerialQueue(benchmark::State& state) {
  for (auto _ : state) {
    auto q = dispatch::Queue::createSerial("bench.serial");
    for (int64_t i = 0; i < kBlocks; ++i) q->async([] {});
    q->sync([] {});
  }
  finish(state);
}

void ConcurrentQueue(benchmark::State& state) {
  for (auto _ : state) {
    auto q = dispatch::Queue::createConcurrent("bench.concurrent");
    for (int64_t i = 0; i < kBlocks; ++i) q->async([] {});
    q->syncBarrier([] {});
  }
  finish(state);
}

void DequeThreadPool(benchmark::State& state) {
  DequePool pool(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (int64_t i = 0; i < kBlocks; ++i) pool.post([] {});
    pool.waitIdle();
  }
  finish(state);
}

const int64_t kProcessors = dispatch::activeProcessorCount();

}  // namespace

BENCHMARK(SerialQueue)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DequeThreadPool)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ConcurrentQueue)->Arg(kProcessors)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DequeThreadPool)->Arg(kProcessors)->Unit(benchmark::kMillisecond)->UseRealTime();
