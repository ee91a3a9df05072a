// 2,000 small JSON GETs against a local kept-alive server: through the operation manager
// (request serializer, operations on the network thread, JSON parsing on the processing
// queue, completion on the main queue) against a bare libcurl multi loop with as many easy
// handles as the manager's queue runs operations at once, parsing every answer too. The
// manager's rate is reported as a fraction of the bare one ("vs_bare").
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
#include "platform/foundation/Dictionary.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/RunLoop.h"

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
    bareRates.push_back(kRequests / seconds);
    state.counters["per_second"] = bareRates.back();
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
    if (!bareRates.empty()) state.counters["vs_bare"] = rate / median(bareRates);
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}

}  // namespace

BENCHMARK(BM_BareCurlMulti)->Iterations(1)->Repetitions(7)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperationManager)->Iterations(1)->Repetitions(7)->Unit(benchmark::kMillisecond)->UseRealTime();
