// Peak memory of one large answer through the operation manager: a 50 MB JSON body parsed by
// the JSON response serializer, and the same body kept as bytes by the plain serializer. The
// baseline is the body itself: figures are the process's peak resident size during the load
// above what it held before, as a multiple of the body, and for JSON the size of the parsed
// tree still held afterwards. The server streams the body from a small pattern, so it holds
// no copy of its own.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "net/http/NKHTTPRequestOperationManager.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "bench/StreamingAnswerServer.h"

namespace {

constexpr size_t kBodySize = 50u << 20;

/// Answers every request with a JSON array of records of `kBodySize` bytes, made on the fly.
void answerRecords(int fd, const std::string&) {
  static const std::string pattern = [] {
    std::string p;
    for (int i = 0; p.size() < (64u << 10); ++i)
      p += "{\"id\":" + std::to_string(100000 + i) + ",\"title\":\"District news item\",\"views\":" +
           std::to_string(i * 7) + "},";
    return p;
  }();
  using bench::StreamingAnswerServer;
  // "[" + patterns + padding record + "]", exactly kBodySize bytes.
  const std::string last = "{\"id\":0}]";
  size_t middle = kBodySize - 1 - last.size();
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                     std::to_string(kBodySize) + "\r\nConnection: close\r\n\r\n[";
  bool ok = StreamingAnswerServer::sendAll(fd, head);
  for (size_t sent = 0; ok && sent < middle;) {
    size_t n = std::min(pattern.size(), middle - sent);
    std::string piece = pattern.substr(0, n);
    // The cut record is finished with spaces so the document stays well-formed.
    if (n < pattern.size()) {
      size_t cut = piece.rfind(',');
      for (size_t i = cut + 1; i < piece.size(); ++i) piece[i] = ' ';
    }
    ok = StreamingAnswerServer::sendAll(fd, piece);
    sent += n;
  }
  if (ok) StreamingAnswerServer::sendAll(fd, last);
}

bench::StreamingAnswerServer& server() {
  static bench::StreamingAnswerServer s(answerRecords);
  return s;
}

/// A line of /proc/self/status in bytes ("VmRSS", "VmHWM").
double statusBytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  size_t keyLength = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, keyLength, key) == 0 && line[keyLength] == ':') return std::stod(line.substr(keyLength + 1)) * 1024;
  return 0;
}

void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

/// One GET through a manager with `serializer`; answers the object the success block got.
rt::Id load(const Ref<net::NKHTTPResponseSerializer>& serializer) {
  auto manager = net::NKHTTPRequestOperationManager::manager();
  manager->setResponseSerializer(serializer);
  rt::Id result;
  bool done = false;
  manager->GET(
      rt::String(server().url("/big.json").c_str()), nullptr,
      [&](const Ref<net::NKHTTPRequestOperation>&, const rt::Id& object) {
        result = object;
        done = true;
      },
      [&](const Ref<net::NKHTTPRequestOperation>&, const Ref<fd::Error>&) { done = true; });
  auto loop = fd::RunLoop::currentRunLoop();
  while (!done) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
  // Let the operation and its queues let go of the body before anything is measured.
  for (int i = 0; i < 20; ++i) loop->runInMode(fd::NSDefaultRunLoopMode, 0.01, true);
  return result;
}

void BM_PeakRSS_50MB_PlainSerializer(benchmark::State& state) {
  server();
  for (auto _ : state) {
    malloc_trim(0);
    double before = statusBytes("VmRSS");
    resetPeak();
    rt::Id object = load(net::NKHTTPResponseSerializer::serializer());
    double peak = statusBytes("VmHWM") - before;
    auto data = rt::as<fd::Data>(object);
    if (!data || data->length() != kBodySize) state.SkipWithError("load failed");
    state.counters["body_MB"] = kBodySize / 1048576.0;
    state.counters["peak_MB"] = peak / 1048576.0;
    state.counters["peak_x_body"] = peak / kBodySize;
  }
}

void BM_PeakRSS_50MB_JSONSerializer(benchmark::State& state) {
  server();
  for (auto _ : state) {
    malloc_trim(0);
    double before = statusBytes("VmRSS");
    resetPeak();
    rt::Id object = load(net::NKJSONResponseSerializer::serializer());
    double peak = statusBytes("VmHWM") - before;
    malloc_trim(0);
    double tree = statusBytes("VmRSS") - before;
    auto array = rt::as<fd::Array>(object);
    if (!array || array->count() == 0) state.SkipWithError("load failed");
    state.counters["body_MB"] = kBodySize / 1048576.0;
    state.counters["peak_MB"] = peak / 1048576.0;
    state.counters["tree_MB"] = tree / 1048576.0;
    state.counters["peak_x_body"] = peak / kBodySize;
    // The goal's measure: the peak less the tree, as a multiple of the body.
    state.counters["peak_less_tree_x_body"] = (peak - tree) / kBodySize;
  }
}

}  // namespace

BENCHMARK(BM_PeakRSS_50MB_PlainSerializer)->Iterations(1)->Repetitions(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeakRSS_50MB_JSONSerializer)->Iterations(1)->Repetitions(2)->Unit(benchmark::kMillisecond)->UseRealTime();
