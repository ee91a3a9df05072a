// 2,000 small JSON GETs against a local kept-alive server: through the operation manager
// (request serializer, operations on the network thread, JSON parsing on the processing
// queue, completion on the main queue) against a bare libcurl multi loop with as many easy
// handles as the manager's queue runs operations at once, parsing every answer too. The
// manager's rate is reported as a fraction of the bare one ("vs_bare"): against the median
// bare run, and in pairs of runs made back to back.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <simdjson.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "net/http/NKHTTPRequestOperationManager.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/RunLoop.h"

namespace {

constexpr int kRequests = 2000;
constexpr int kWidth = 8;
// Every bare run's rate: the manager's runs are compared with their median, since single runs
// on a shared machine vary by a third.
std::vector<double> bareRates;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A kept-alive HTTP/1.1 server with one blocking thread per connection: it answers the moment
// a request is complete, so neither client waits on the server's idle polling and the rates
// compare the clients themselves.
class JSONServer {
 public:
  JSONServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 128) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("bench server could not bind");
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this, one] {
      for (;;) {
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::thread(serve, fd).detach();
      }
    });
  }
  ~JSONServer() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/item"; }

 private:
  static void serve(int fd) {
    static const std::string body = "{\"status\":200,\"info\":\"ok\",\"data\":{\"id\":\"42\",\"title\":\"news\"}}";
    static const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                                      std::to_string(body.size()) + "\r\nConnection: keep-alive\r\n\r\n" + body;
    std::string pending;
    char buf[4096];
    for (;;) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      pending.append(buf, static_cast<size_t>(n));
      // GETs carry no body: every blank line ends one request.
      for (size_t end; (end = pending.find("\r\n\r\n")) != std::string::npos;) {
        pending.erase(0, end + 4);
        if (::write(fd, answer.data(), answer.size()) != static_cast<ssize_t>(answer.size())) {
          ::close(fd);
          return;
        }
      }
    }
    ::close(fd);
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread acceptor_;
};

JSONServer& server() {
  static JSONServer s;
  return s;
}

size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A libcurl multi loop with kWidth easy handles, kept (with their connections) across runs.
class BareClient {
 public:
  BareClient() : url_(server().url()), multi_(curl_multi_init()), handles_(kWidth), bodies_(kWidth) {
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(kWidth));
    for (int i = 0; i < kWidth; ++i) {
      handles_[i] = curl_easy_init();
      curl_easy_setopt(handles_[i], CURLOPT_URL, url_.c_str());
      curl_easy_setopt(handles_[i], CURLOPT_WRITEFUNCTION, &collect);
      curl_easy_setopt(handles_[i], CURLOPT_WRITEDATA, &bodies_[i]);
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

  /// Requests per second over kRequests GETs, or 0 when one failed.
  double run() {
    auto start = std::chrono::steady_clock::now();
    int started = 0, finished = 0;
    bool failed = false;
    for (int i = 0; i < kWidth && started < kRequests; ++i, ++started) curl_multi_add_handle(multi_, handles_[i]);
    while (finished < kRequests) {
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
        ++finished;
        curl_multi_remove_handle(multi_, easy);
        if (started < kRequests) {
          curl_multi_add_handle(multi_, easy);
          ++started;
          readded = true;
        }
      }
      // A handle put back needs a turn at once, not after the next socket event.
      if (!readded && finished < kRequests) curl_multi_poll(multi_, nullptr, 0, 100, nullptr);
    }
    return failed ? 0 : kRequests / secondsSince(start);
  }

 private:
  std::string url_;
  CURLM* multi_;
  std::vector<CURL*> handles_;
  std::vector<std::string> bodies_;
  simdjson::dom::parser parser_;
};

// One manager, its queue kWidth wide, kept across runs; completions arrive on this thread's
// main run loop.
class ManagerClient {
 public:
  ManagerClient() : url_(server().url().c_str()), manager_(net::NKHTTPRequestOperationManager::manager()) {
    manager_->operationQueue()->setMaxConcurrentOperationCount(kWidth);
  }

  /// Requests per second over kRequests GETs, or 0 when one failed.
  double run() {
    auto loop = fd::RunLoop::currentRunLoop();
    auto start = std::chrono::steady_clock::now();
    int done = 0;
    bool failed = false;
    for (int i = 0; i < kRequests; ++i) {
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
    while (done < kRequests) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
    return failed ? 0 : kRequests / secondsSince(start);
  }

 private:
  rt::String url_;
  Ref<net::NKHTTPRequestOperationManager> manager_;
};

void BM_BareCurlMulti(benchmark::State& state) {
  BareClient client;
  for (auto _ : state) {
    double rate = client.run();
    if (rate == 0) state.SkipWithError("request failed");
    bareRates.push_back(rate);
    state.counters["per_second"] = rate;
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void BM_OperationManager(benchmark::State& state) {
  ManagerClient client;
  for (auto _ : state) {
    double rate = client.run();
    if (rate == 0) state.SkipWithError("request failed");
    state.counters["per_second"] = rate;
    if (!bareRates.empty()) state.counters["vs_bare"] = rate / median(bareRates);
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
    double b = 0, m = 0;
    if (bareFirst) b = bare.run();
    m = manager.run();
    if (!bareFirst) b = bare.run();
    bareFirst = !bareFirst;
    if (b == 0 || m == 0) {
      state.SkipWithError("request failed");
      break;
    }
    ratios.push_back(m / b);
  }
  state.counters["vs_bare"] = median(ratios);
  state.counters["pairs"] = static_cast<double>(ratios.size());
}

}  // namespace

BENCHMARK(BM_BareCurlMulti)->Iterations(1)->Repetitions(7)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperationManager)->Iterations(1)->Repetitions(7)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ManagerOverBarePaired)->Iterations(9)->Unit(benchmark::kMillisecond)->UseRealTime();
