// Peak memory of a 100 MB download through a URL connection whose delegate keeps nothing, so
// that what is measured is the connection's own share: the bytes in flight to the delegate and
// any copy kept for the shared URL cache (here one of the default size, 4 MB in memory and
// 20 MB on disk). The answer comes with its length announced, in chunks of unknown total, and
// announced but marked "no-store". Each download runs in a fresh process of this program, so
// that memory freed by one load but kept by the allocator hides nothing of the next; the figure
// is that process's maximum resident size (getrusage) above its size when the load began. The
// server sends from a small pattern and holds no copy of its own.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/values/Data.h"
#include "bench/StreamingAnswerServer.h"

namespace {

constexpr size_t kBodySize = 100u << 20;

/// Answers "/length", "/chunked" and "/no-store" with `kBodySize` bytes made on the fly.
void answerPattern(int fd, const std::string& request) {
  static const std::string pattern(64u << 10, 'p');
  using bench::StreamingAnswerServer;
  const bool chunked = request.find("GET /chunked ") == 0;
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
  if (request.find("GET /no-store ") == 0) head += "Cache-Control: no-store\r\n";
  head += chunked ? "Transfer-Encoding: chunked\r\n\r\n" : "Content-Length: " + std::to_string(kBodySize) + "\r\n\r\n";
  bool ok = StreamingAnswerServer::sendAll(fd, head);
  char size[32];
  for (size_t sent = 0; ok && sent < kBodySize;) {
    size_t n = std::min(pattern.size(), kBodySize - sent);
    if (chunked) {
      int k = std::snprintf(size, sizeof size, "%zx\r\n", n);
      ok = StreamingAnswerServer::sendAll(fd, std::string_view(size, static_cast<size_t>(k)));
    }
    ok = ok && StreamingAnswerServer::sendAll(fd, std::string_view(pattern.data(), n)) &&
         (!chunked || StreamingAnswerServer::sendAll(fd, "\r\n"));
    sent += n;
  }
  if (ok && chunked) StreamingAnswerServer::sendAll(fd, "0\r\n\r\n");
}

bench::StreamingAnswerServer& server() {
  static bench::StreamingAnswerServer s(answerPattern);
  return s;
}

/// Counts the body and lets it go.
class Counter : public fd::URLConnectionDelegate {
  RT_CLASS(Counter, fd::URLConnectionDelegate)
 public:
  size_t bytes = 0;
  bool done = false;
  bool failed = false;
  void didReceiveData(const Ref<fd::URLConnection>&, const Ref<fd::Data>& d) override { bytes += d->length(); }
  void connectionDidFinishLoading(const Ref<fd::URLConnection>&) override { done = true; }
  void didFailWithError(const Ref<fd::URLConnection>&, const Ref<fd::Error>&) override { done = failed = true; }
};

RT_IMPLEMENT(Counter) {
  using D = fd::URLConnectionDelegate;
  D::implement(c.cls(), {D::kDidReceiveData, D::kDidFinishLoading, D::kDidFailWithError});
}

/// A line of /proc/self/status in kilobytes ("VmRSS").
long statusKilobytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  size_t keyLength = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, keyLength, key) == 0 && line[keyLength] == ':') return std::stol(line.substr(keyLength + 1));
  return 0;
}

/// The child's part: one download through a connection, with the shared URL cache at its
/// default size in a folder of its own. Prints its resident size before the load (kB) and the
/// bytes the delegate heard.
int downloadOnce(const std::string& url) {
  auto folder = std::filesystem::temp_directory_path() / ("url-connection-memory-bench-" + std::to_string(::getpid()));
  fd::URLCache::setSharedURLCache(fd::URLCache::create(4 << 20, 20 << 20, fd::String(folder.c_str())));
  auto counter = rt::make<Counter>();
  auto request = fd::URLRequest::requestWithURL(fd::URL::URLWithString(fd::String(url.c_str())));
  auto connection = fd::URLConnection::create(request, counter, false);
  auto loop = fd::RunLoop::currentRunLoop();
  connection->scheduleInRunLoop(loop, fd::NSDefaultRunLoopMode);
  long before = statusKilobytes("VmRSS");
  connection->start();
  while (!counter->done) loop->runInMode(fd::NSDefaultRunLoopMode, 1.0, true);
  std::filesystem::remove_all(folder);
  std::printf("%ld %zu\n", before, counter->failed ? 0 : counter->bytes);
  return 0;
}

/// Runs one download in a fresh process of this program; answers its peak above its size when
/// the load began, in MB, or -1 when the download failed.
double peakOfDownloadMB(const std::string& url) {
  int out[2];
  if (::pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<char*> argv{self.data(), const_cast<char*>("--download"), const_cast<char*>(url.c_str()), nullptr};
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; spawned == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  long before = 0;
  size_t bytes = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::sscanf(text.c_str(), "%ld %zu", &before, &bytes) != 2 ||
      bytes != kBodySize)
    return -1;
  return (usage.ru_maxrss - before) / 1024.0;  // ru_maxrss is in kilobytes
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--download") == 0) return downloadOnce(argv[2]);
  constexpr int kRuns = 5;
  std::printf("100 MB through a URL connection: peak resident size above the start of the load, MB, %d runs\n", kRuns);
  std::printf("%-18s %8s %8s %8s\n", "answer", "median", "min", "max");
  for (const char* path : {"/length", "/chunked", "/no-store"}) {
    std::vector<double> peaks;
    for (int i = 0; i < kRuns; ++i) {
      double peak = peakOfDownloadMB(server().url(path));
      if (peak < 0) {
        std::fprintf(stderr, "download of %s failed\n", path);
        return 1;
      }
      peaks.push_back(peak);
    }
    std::sort(peaks.begin(), peaks.end());
    std::printf("%-18s %8.1f %8.1f %8.1f\n", path + 1, peaks[kRuns / 2], peaks.front(), peaks.back());
  }
  return 0;
}
