// JSON GETs of a 2 KB answer from a local kept-alive server, always 8 in flight: through the
// session manager (data tasks, parsing on its processing queue, completion on the main queue)
// and through the operation manager (operations on the network thread, the same parsing and
// completion). Each iteration runs both back to back, the order alternating, and reports the
// median of the session manager's rate over the operation manager's ("session_vs_operation").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "bench/LocalAnswerServer.h"
#include "net/http/NKHTTPRequestOperationManager.h"
#include "net/http/NKHTTPSessionManager.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/values/Dictionary.h"
#include "bench/RatioReporter.h"

#undef DELETE

namespace {

constexpr int kRequests = 1000;
constexpr int kInFlight = 8;

std::string smallBody() {
  std::string s = "{\"status\":200,\"info\":\"ok\",\"data\":[";
  for (int i = 0; s.size() < 1900; ++i) {
    if (i) s += ",";
    s += "{\"id\":\"" + std::to_string(1000 + i) + "\",\"title\":\"District news item " + std::to_string(i) +
         "\",\"views\":" + std::to_string(37 * i) + "}";
  }
  return s + "]}";
}

bench::LocalAnswerServer& server() {
  static bench::LocalAnswerServer s(bench::LocalAnswerServer::answerWith(smallBody()));
  return s;
}

/// Runs `requests` GETs, `kInFlight` at a time, each started by `start(done)`; answers the
/// rate per second, or 0 when one failed.
double run(const std::function<void(std::function<void(bool ok)>)>& start, int requests = kRequests) {
  auto loop = fd::RunLoop::currentRunLoop();
  int started = 0, finished = 0;
  bool failed = false;
  std::function<void(bool)> done;
  done = [&](bool ok) {
    ++finished;
    failed = failed || !ok;
    if (started < requests) {
      ++started;
      start(done);
    }
  };
  auto t0 = std::chrono::steady_clock::now();
  for (; started < kInFlight && started < requests;) {
    ++started;
    start(done);
  }
  while (finished < requests) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return failed ? 0 : requests / seconds;
}

class SessionClient {
 public:
  SessionClient() : manager_(net::NKHTTPSessionManager::manager()), url_(server().url().c_str()) {}
  double run() {
    return ::run([this](std::function<void(bool)> done) {
      manager_->GET(
          url_, nullptr,
          [done](const Ref<fd::URLSessionDataTask>&, const rt::Id& object) { done(rt::as<fd::Dictionary>(object) != nullptr); },
          [done](const Ref<fd::URLSessionDataTask>&, const Ref<fd::Error>&) { done(false); });
    });
  }

 private:
  Ref<net::NKHTTPSessionManager> manager_;
  rt::String url_;
};

class OperationClient {
 public:
  OperationClient() : manager_(net::NKHTTPRequestOperationManager::manager()), url_(server().url().c_str()) {
    manager_->operationQueue()->setMaxConcurrentOperationCount(kInFlight);
  }
  double run() {
    return ::run([this](std::function<void(bool)> done) {
      manager_->GET(
          url_, nullptr,
          [done](const Ref<net::NKHTTPRequestOperation>&, const rt::Id& object) {
            done(rt::as<fd::Dictionary>(object) != nullptr);
          },
          [done](const Ref<net::NKHTTPRequestOperation>&, const Ref<fd::Error>&) { done(false); });
    });
  }

 private:
  Ref<net::NKHTTPRequestOperationManager> manager_;
  rt::String url_;
};

using bench::median;

void BM_SessionManagerGETs(benchmark::State& state) {
  SessionClient client;
  for (auto _ : state) {
    double r = client.run();
    if (r == 0) state.SkipWithError("request failed");
    state.counters["per_second"] = r;
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void BM_OperationManagerGETs(benchmark::State& state) {
  OperationClient client;
  for (auto _ : state) {
    double r = client.run();
    if (r == 0) state.SkipWithError("request failed");
    state.counters["per_second"] = r;
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void BM_SessionOverOperationPaired(benchmark::State& state) {
  SessionClient session;
  OperationClient operation;
  std::vector<double> ratios;
  bool sessionFirst = true;
  for (auto _ : state) {
    double s = 0, o = 0;
    if (sessionFirst) s = session.run();
    o = operation.run();
    if (!sessionFirst) s = session.run();
    sessionFirst = !sessionFirst;
    if (s == 0 || o == 0) {
      state.SkipWithError("request failed");
      break;
    }
    ratios.push_back(s / o);
  }
  state.counters["session_vs_operation"] = median(ratios);
  state.counters["pairs"] = static_cast<double>(ratios.size());
}

}  // namespace

BENCHMARK(BM_OperationManagerGETs)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SessionManagerGETs)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SessionOverOperationPaired)->Unit(benchmark::kMillisecond)->Iterations(10);
