// 2,000 GETs of a 2 KB JSON answer from a local kept-alive server: through the operation
// manager (request serializer, operations on the network thread, JSON parsing on the processing
// queue, completion on the main queue) against a bare libcurl multi loop with as many easy
// handles as the manager's queue runs operations at once, parsing every answer too. The
// manager's rate is reported as a fraction of the bare one ("vs_bare"): against the median
// bare run, and in pairs of runs made back to back; each run also reports the client's CPU
// per request (the in-process server's share taken out) and the connections it opened. Then
// answers with 1,000 header fields, and the parse of the 2 KB answer alone.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <simdjson.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "bench/LocalAnswerServer.h"
#include "net/http/NKHTTPRequestOperationManager.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "bench/RatioReporter.h"

namespace {

constexpr int kRequests = 2000;
constexpr int kWidth = 8;
// Every bare run's rate: the manager's runs are compared with their median, since single runs
// on a shared machine vary by a third.
std::vector<double> bareRates;

using bench::median;

// A 2 KB answer like a page of news items.
std::string smallBody() {
  std::string s = "{\"status\":200,\"info\":\"ok\",\"data\":[";
  for (int i = 0; s.size() < 1900; ++i) {
    if (i) s += ",";
    s += "{\"id\":\"" + std::to_string(1000 + i) + "\",\"title\":\"District news item " + std::to_string(i) +
         "\",\"views\":" + std::to_string(37 * i) + ",\"top\":" + (i % 2 ? "true" : "false") + "}";
  }
  return s + "]}";
}

bench::LocalAnswerServer& server() {
  static bench::LocalAnswerServer s(bench::LocalAnswerServer::answerWith(smallBody()));
  return s;
}

// The same small body behind 1,000 header fields.
bench::LocalAnswerServer& headerServer() {
  static bench::LocalAnswerServer s([] {
    std::string extra;
    for (int i = 0; i < 1000; ++i) extra += "X-Field-" + std::to_string(i) + ": value number " + std::to_string(i) + "\r\n";
    return bench::LocalAnswerServer::answerWith(smallBody(), "application/json", extra);
  }());
  return s;
}

/// CPU seconds of the whole process (client and the in-process server).
double processCPU() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

/// Rate, the client's CPU per request, and connections opened, over one run.
struct RunFigures {
  double perSecond = 0;
  double cpuMicros = 0;
  int connections = 0;
};

size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

size_t collectHeader(char* data, size_t size, size_t n, void* out) {
  // The loop a libcurl client writes for itself: one name and value per field line.
  std::string_view line(data, size * n);
  size_t colon = line.find(':');
  if (colon != std::string_view::npos) {
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) value.remove_suffix(1);
    static_cast<std::vector<std::pair<std::string, std::string>>*>(out)->emplace_back(line.substr(0, colon), value);
  }
  return size * n;
}

template <class Run>
RunFigures measure(bench::LocalAnswerServer& srv, int requests, Run&& run) {
  int connections = srv.connections();
  double cpu = processCPU() - srv.cpuSeconds();
  auto start = std::chrono::steady_clock::now();
  bool ok = run();
  double seconds = secondsSince(start);
  RunFigures f;
  if (!ok) return f;
  f.perSecond = requests / seconds;
  f.cpuMicros = (processCPU() - srv.cpuSeconds() - cpu) * 1e6 / requests;
  f.connections = srv.connections() - connections;
  return f;
}

// A libcurl multi loop with kWidth easy handles, kept (with their connections) across runs.
class BareClient {
 public:
  explicit BareClient(bench::LocalAnswerServer& srv = server(), bool headers = false)
      : server_(srv), url_(srv.url()), multi_(curl_multi_init()), handles_(kWidth), bodies_(kWidth), fields_(kWidth) {
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(kWidth));
    for (int i = 0; i < kWidth; ++i) {
      handles_[i] = curl_easy_init();
      curl_easy_setopt(handles_[i], CURLOPT_URL, url_.c_str());
      curl_easy_setopt(handles_[i], CURLOPT_WRITEFUNCTION, &collect);
      curl_easy_setopt(handles_[i], CURLOPT_WRITEDATA, &bodies_[i]);
      if (headers) {
        curl_easy_setopt(handles_[i], CURLOPT_HEADERFUNCTION, &collectHeader);
        curl_easy_setopt(handles_[i], CURLOPT_HEADERDATA, &fields_[i]);
      }
      curl_easy_setopt(handles_[i], CURLOPT_NOSIGNAL, 1L);
      curl_easy_setopt(handles_[i], CURLOPT_PRIVATE, reinterpret_cast<char*>(static_cast<intptr_t>(i)));
    }
  }
  ~BareClient() {
    for (CURL* h : handles_) curl_easy_cleanup(h);
    curl_multi_cleanup(multi_);
  }
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;

  /// `requests` GETs, every answer parsed; zero figures when one failed.
  RunFigures run(int requests = kRequests) {
    return measure(server_, requests, [&] {
      int started = 0, finished = 0;
      bool failed = false;
      for (int i = 0; i < kWidth && started < requests; ++i, ++started) curl_multi_add_handle(multi_, handles_[i]);
      while (finished < requests) {
        int running = 0;
        curl_multi_perform(multi_, &running);
        bool readded = false;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
          if (msg->msg != CURLMSG_DONE) continue;
          CURL* easy = msg->easy_handle;
          char* priv = nullptr;
          curl_easy_getinfo(easy, CURLINFO_PRIVATE, &priv);
          auto i = static_cast<size_t>(reinterpret_cast<intptr_t>(priv));
          simdjson::dom::element doc;
          if (msg->data.result != CURLE_OK || parser_.parse(bodies_[i]).get(doc)) failed = true;
          bodies_[i].clear();
          fields_[i].clear();
          ++finished;
          curl_multi_remove_handle(multi_, easy);
          if (started < requests) {
            curl_multi_add_handle(multi_, easy);
            ++started;
            readded = true;
          }
        }
        // A handle put back needs a turn at once, not after the next socket event.
        if (!readded && finished < requests) curl_multi_poll(multi_, nullptr, 0, 100, nullptr);
      }
      return !failed;
    });
  }

 private:
  bench::LocalAnswerServer& server_;
  std::string url_;
  CURLM* multi_;
  std::vector<CURL*> handles_;
  std::vector<std::string> bodies_;
  std::vector<std::vector<std::pair<std::string, std::string>>> fields_;
  simdjson::dom::parser parser_;
};

// One manager, its queue kWidth wide, kept across runs; completions arrive on this thread's
// main run loop.
class ManagerClient {
 public:
  explicit ManagerClient(bench::LocalAnswerServer& srv = server())
      : server_(srv), url_(srv.url().c_str()), manager_(net::NKHTTPRequestOperationManager::manager()) {
    manager_->operationQueue()->setMaxConcurrentOperationCount(kWidth);
  }

  /// `requests` GETs, every answer parsed; zero figures when one failed.
  RunFigures run(int requests = kRequests) {
    return measure(server_, requests, [&] {
      auto loop = fd::RunLoop::currentRunLoop();
      int done = 0;
      bool failed = false;
      for (int i = 0; i < requests; ++i) {
        manager_->GET(
            url_, nullptr,
            [&](const Ref<net::NKHTTPRequestOperation>&, const rt::Id& object) {
              ++done;
              failed = failed || !rt::as<fd::Dictionary>(object);
            },
            [&](const Ref<net::NKHTTPRequestOperation>&, const Ref<fd::Error>&) {
              ++done;
              failed = true;
            });
      }
      while (done < requests) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
      return !failed;
    });
  }

 private:
  bench::LocalAnswerServer& server_;
  rt::String url_;
  Ref<net::NKHTTPRequestOperationManager> manager_;
};

void report(benchmark::State& state, const RunFigures& f) {
  if (f.perSecond == 0) state.SkipWithError("request failed");
  state.counters["per_second"] = f.perSecond;
  state.counters["cpu_us_per_request"] = f.cpuMicros;
  state.counters["connections"] = f.connections;
}

void BM_BareCurlMulti(benchmark::State& state) {
  BareClient client;
  for (auto _ : state) {
    RunFigures f = client.run();
    report(state, f);
    bareRates.push_back(f.perSecond);
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void BM_OperationManager(benchmark::State& state) {
  ManagerClient client;
  for (auto _ : state) {
    RunFigures f = client.run();
    report(state, f);
    if (!bareRates.empty()) state.counters["vs_bare"] = f.perSecond / median(bareRates);
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

// Both clients in every iteration, one right after the other, the order alternating: each
// manager run is compared with a bare run of the same moment, since this machine's speed
// drifts between runs seconds apart. Reports the median of the per-pair ratios.
void BM_ManagerOverBarePaired(benchmark::State& state) {
  BareClient bare;
  ManagerClient manager;
  std::vector<double> ratios;
  bool bareFirst = true;
  for (auto _ : state) {
    RunFigures b, m;
    if (bareFirst) b = bare.run();
    m = manager.run();
    if (!bareFirst) b = bare.run();
    bareFirst = !bareFirst;
    if (b.perSecond == 0 || m.perSecond == 0) {
      state.SkipWithError("request failed");
      break;
    }
    ratios.push_back(m.perSecond / b.perSecond);
  }
  state.counters["vs_bare"] = median(ratios);
  state.counters["pairs"] = static_cast<double>(ratios.size());
}

// Answers with 1,000 header fields: the manager builds a response with its header table from
// them; the bare loop collects them in its header callback.
constexpr int kHeaderRequests = 200;

void BM_Headers1000_BareCurlCallback(benchmark::State& state) {
  BareClient client(headerServer(), true);
  for (auto _ : state) {
    RunFigures f = client.run(kHeaderRequests);
    report(state, f);
    state.counters["us_per_request"] = 1e6 / f.perSecond;
  }
}

void BM_Headers1000_OperationManager(benchmark::State& state) {
  ManagerClient client(headerServer());
  for (auto _ : state) {
    RunFigures f = client.run(kHeaderRequests);
    report(state, f);
    state.counters["us_per_request"] = 1e6 / f.perSecond;
  }
}

// Parsing the 2 KB answer alone: the JSON response serializer against simdjson building a
// plain tree of its own (strings copied, numbers and flags as values).
struct PlainNode {
  std::variant<std::nullptr_t, bool, int64_t, double, std::string, std::vector<PlainNode>,
               std::vector<std::pair<std::string, PlainNode>>>
      value;
};

PlainNode plainTree(simdjson::dom::element e) {
  using T = simdjson::dom::element_type;
  switch (e.type()) {
    case T::ARRAY: {
      std::vector<PlainNode> items;
      for (auto child : e.get_array()) items.push_back(plainTree(child));
      return {std::move(items)};
    }
    case T::OBJECT: {
      std::vector<std::pair<std::string, PlainNode>> fields;
      for (auto field : e.get_object()) fields.emplace_back(std::string(field.key), plainTree(field.value));
      return {std::move(fields)};
    }
    case T::STRING: return {std::string(std::string_view(e.get_string()))};
    case T::INT64: return {int64_t(e.get_int64())};
    case T::UINT64: return {static_cast<int64_t>(uint64_t(e.get_uint64()))};
    case T::DOUBLE: return {double(e.get_double())};
    case T::BOOL: return {bool(e.get_bool())};
    case T::NULL_VALUE: return {nullptr};
  }
  return {nullptr};
}

void BM_ParseSmall_SimdjsonPlainTree(benchmark::State& state) {
  simdjson::padded_string body(smallBody());
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element root;
    if (parser.parse(body).get(root)) state.SkipWithError("parse failed");
    PlainNode tree = plainTree(root);
    benchmark::DoNotOptimize(tree);
  }
}

void BM_ParseSmall_JSONResponseSerializer(benchmark::State& state) {
  std::string text = smallBody();
  auto data = fd::Data::create(text);
  auto response = fd::HTTPURLResponse::create(fd::URL::URLWithString(rt::String(server().url().c_str())), 200,
                                              rt::String("HTTP/1.1"),
                                              {{rt::String("Content-Type"), rt::String("application/json")}});
  auto serializer = net::NKJSONResponseSerializer::serializer();
  for (auto _ : state) {
    Ref<fd::Error> error;
    rt::Id object = serializer->responseObjectForResponse(response, data, &error);
    if (!object) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(object);
  }
}

}  // namespace

BENCHMARK(BM_BareCurlMulti)->Iterations(1)->Repetitions(7)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperationManager)->Iterations(1)->Repetitions(7)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManagerOverBarePaired)->Iterations(9)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Headers1000_BareCurlCallback)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Headers1000_OperationManager)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseSmall_SimdjsonPlainTree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseSmall_JSONResponseSerializer)->Unit(benchmark::kMicrosecond);
