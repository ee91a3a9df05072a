// 2,000 small JSON GETs against a local kept-alive server: through the operation manager
// (request serializer, operations on the network thread, JSON parsing on the processing
// queue, completion on the main queue) against a bare libcurl multi loop with as many easy
// handles as the manager's queue runs operations at once, parsing every answer too. The
// manager's rate is reported as a fraction of the bare one ("vs_bare").
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>
#include <simdjson.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "net/http/NKHTTPRequestOperationManager.h"
#include "platform/foundation/Dictionary.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/RunLoop.h"

namespace {

constexpr int kRequests = 2000;
constexpr int kWidth = 8;
double bareRate = 0;

class JSONServer {
 public:
  JSONServer() {
    server_.set_keep_alive_max_count(1000000);
    server_.set_keep_alive_timeout(10);
    server_.set_tcp_nodelay(true);
    // Every kept-alive connection holds a worker; leave room for both clients' connections.
    server_.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server_.Get("/item", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("{\"status\":200,\"info\":\"ok\",\"data\":{\"id\":\"42\",\"title\":\"news\"}}", "application/json");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("bench server could not bind");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~JSONServer() {
    server_.stop();
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/item"; }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

JSONServer& server() {
  static JSONServer s;
  return s;
}

size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

void BM_BareCurlMulti(benchmark::State& state) {
  std::string url = server().url();
  CURLM* multi = curl_multi_init();
  curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(kWidth));
  std::vector<CURL*> handles(kWidth);
  std::vector<std::string> bodies(kWidth);
  simdjson::dom::parser parser;
  for (int i = 0; i < kWidth; ++i) {
    handles[i] = curl_easy_init();
    curl_easy_setopt(handles[i], CURLOPT_URL, url.c_str());
    curl_easy_setopt(handles[i], CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(handles[i], CURLOPT_WRITEDATA, &bodies[i]);
    curl_easy_setopt(handles[i], CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handles[i], CURLOPT_PRIVATE, reinterpret_cast<char*>(static_cast<intptr_t>(i)));
  }
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    int started = 0, finished = 0;
    for (int i = 0; i < kWidth && started < kRequests; ++i, ++started) curl_multi_add_handle(multi, handles[i]);
    while (finished < kRequests) {
      int running = 0;
      curl_multi_perform(multi, &running);
      bool readded = false;
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        CURL* easy = msg->easy_handle;
        char* priv = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &priv);
        auto i = static_cast<size_t>(reinterpret_cast<intptr_t>(priv));
        simdjson::dom::element doc;
        if (msg->data.result != CURLE_OK || parser.parse(bodies[i]).get(doc)) state.SkipWithError("request failed");
        bodies[i].clear();
        ++finished;
        curl_multi_remove_handle(multi, easy);
        if (started < kRequests) {
          curl_multi_add_handle(multi, easy);
          ++started;
          readded = true;
        }
      }
      // A handle put back needs a turn at once, not after the next socket event.
      if (!readded && finished < kRequests) curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bareRate = kRequests / seconds;
    state.counters["per_second"] = bareRate;
  }
  for (CURL* h : handles) curl_easy_cleanup(h);
  curl_multi_cleanup(multi);
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void BM_OperationManager(benchmark::State& state) {
  rt::String url(server().url().c_str());
  auto loop = fd::RunLoop::currentRunLoop();
  auto manager = net::NKHTTPRequestOperationManager::manager();
  manager->operationQueue()->setMaxConcurrentOperationCount(kWidth);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    int done = 0;
    bool failed = false;
    for (int i = 0; i < kRequests; ++i) {
      manager->GET(
          url, nullptr,
          [&](const Ref<net::NKHTTPRequestOperation>&, const rt::Id& object) {
            ++done;
            failed = failed || !rt::as<fd::Dictionary>(object);
          },
          [&](const Ref<net::NKHTTPRequestOperation>&, const Ref<fd::Error>&) {
            ++done;
            failed = true;
          });
    }
    while (done < kRequests) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
    if (failed) state.SkipWithError("request failed");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double rate = kRequests / seconds;
    state.counters["per_second"] = rate;
    if (bareRate > 0) state.counters["vs_bare"] = rate / bareRate;
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

}  // namespace

BENCHMARK(BM_BareCurlMulti)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperationManager)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
