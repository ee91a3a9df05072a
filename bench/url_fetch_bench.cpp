// Fetching 2,000 small answers from a local server one at a time over one kept-alive
// connection: through URLConnection (loader thread, run-loop delivery) against a bare loop on
// one reused libcurl easy handle. The connection benchmark reports its rate as a fraction of
// the bare one ("vs_bare").
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLConnection.h"

namespace {

constexpr int kRequests = 2000;
double bareRate = 0;

class SmallServer {
 public:
  SmallServer() {
    server_.set_keep_alive_max_count(1000000);
    server_.set_keep_alive_timeout(10);
    server_.set_tcp_nodelay(true);
    server_.Get("/small", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("{\"ok\":true,\"n\":42}", "application/octet-stream");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("bench server could not bind");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~SmallServer() {
    server_.stop();
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/small"; }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

SmallServer& server() {
  static SmallServer s;
  return s;
}

size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

void BM_BareCurlEasyLoop(benchmark::State& state) {
  std::string url = server().url();
  CURL* easy = curl_easy_init();
  std::string body;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRequests; ++i) {
      body.clear();
      if (curl_easy_perform(easy) != CURLE_OK || body.empty()) state.SkipWithError("request failed");
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bareRate = kRequests / seconds;
  }
  curl_easy_cleanup(easy);
  state.SetItemsProcessed(state.iterations() * kRequests);
}

class CountingDelegate : public fd::URLConnectionDelegate {
  RT_CLASS(CountingDelegate, fd::URLConnectionDelegate)
 public:
  size_t bytes = 0;
  bool done = false, failed = false;
  void didReceiveData(const Ref<fd::URLConnection>&, const Ref<fd::Data>& d) override { bytes += d->length(); }
  void connectionDidFinishLoading(const Ref<fd::URLConnection>&) override { done = true; }
  void didFailWithError(const Ref<fd::URLConnection>&, const Ref<fd::Error>&) override { done = failed = true; }
};

RT_IMPLEMENT(CountingDelegate) {
  using D = fd::URLConnectionDelegate;
  D::implement(c.cls(), {D::kDidReceiveData, D::kDidFinishLoading, D::kDidFailWithError});
}

void BM_URLConnection(benchmark::State& state) {
  auto url = fd::URL::URLWithString(rt::String(server().url().c_str()));
  auto loop = fd::RunLoop::currentRunLoop();
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRequests; ++i) {
      auto delegate = rt::make<CountingDelegate>();
      auto connection = fd::URLConnection::create(fd::URLRequest::requestWithURL(url), delegate);
      while (!delegate->done) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
      if (delegate->failed || delegate->bytes == 0) state.SkipWithError("request failed");
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double rate = kRequests / seconds;
    state.counters["per_second"] = rate;
    if (bareRate > 0) state.counters["vs_bare"] = rate / bareRate;
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

}  // namespace

BENCHMARK(BM_BareCurlEasyLoop)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_URLConnection)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
