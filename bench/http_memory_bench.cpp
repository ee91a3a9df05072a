// Peak memory of one large answer through the operation manager: a 50 MB JSON body parsed by
// the JSON response serializer, and the same body kept as bytes by the plain serializer. The
// baseline is the body itself: figures are the process's peak resident size during the load
// above what it held before, as a multiple of the body, and for JSON the size of the parsed
// tree still held afterwards. The server streams the body from a small pattern, so it holds
// no copy of its own.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "net/http/NKHTTPRequestOperationManager.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"

namespace {

constexpr size_t kBodySize = 50u << 20;

/// Serves every request with a JSON array of records of `kBodySize` bytes, made on the fly.
class StreamingServer {
 public:
  StreamingServer() {
    for (int i = 0; pattern_.size() < (64u << 10); ++i)
      pattern_ += "{\"id\":" + std::to_string(100000 + i) + ",\"title\":\"District news item\",\"views\":" +
                  std::to_string(i * 7) + "},";
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("bench server could not bind");
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] {
      for (;;) {
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        std::thread([this, fd] { serve(fd); }).detach();
      }
    });
  }
  ~StreamingServer() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/big.json"; }

 private:
  void serve(int fd) {
    std::string in;
    char buf[4096];
    while (in.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) return (void)::close(fd);
      in.append(buf, static_cast<size_t>(n));
    }
    // "[" + patterns + padding record + "]", exactly kBodySize bytes.
    const std::string last = "{\"id\":0}]";
    size_t middle = kBodySize - 1 - last.size();
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                       std::to_string(kBodySize) + "\r\nConnection: close\r\n\r\n[";
    bool ok = sendAll(fd, head);
    for (size_t sent = 0; ok && sent < middle;) {
      size_t n = std::min(pattern_.size(), middle - sent);
      std::string piece = pattern_.substr(0, n);
      // The cut record is finished with spaces so the document stays well-formed.
      if (n < pattern_.size()) {
        size_t cut = piece.rfind(',');
        for (size_t i = cut + 1; i < piece.size(); ++i) piece[i] = ' ';
      }
      ok = sendAll(fd, piece);
      sent += n;
    }
    if (ok) sendAll(fd, last);
    ::shutdown(fd, SHUT_WR);
    while (::read(fd, buf, sizeof buf) > 0) {
    }
    ::close(fd);
  }
  static bool sendAll(int fd, const std::string& s) {
    const char* p = s.data();
    size_t left = s.size();
    while (left > 0) {
      ssize_t w = ::send(fd, p, left, MSG_NOSIGNAL);
      if (w <= 0) return false;
      p += w;
      left -= static_cast<size_t>(w);
    }
    return true;
  }

  std::string pattern_;
  int listener_ = -1;
  int port_ = 0;
  std::thread acceptor_;
};

StreamingServer& server() {
  static StreamingServer s;
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
      rt::String(server().url().c_str()), nullptr,
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
