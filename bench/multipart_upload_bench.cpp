// Peak resident memory of a large multipart upload: a file part (200 MB unless given) is
// streamed through the form serializer's body stream and the platform's URL loading to a
// server in another process (tools' upload-sink) that reads and discards the body. The body
// is never assembled in memory, so the client's peak should stay far below the file's size.
//
//   multipart_upload_bench [megabytes] [path-to-upload-sink]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "net/http/NKURLRequestSerialization.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLResponse.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr double kLimitMB = 40;

double peakRSSMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

struct Sink {
  pid_t pid = -1;
  int port = -1;
};

// Starts the sink and reads the port it prints.
Sink startSink(const std::string& program) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  Sink sink;
  std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
  int rc = ::posix_spawn(&sink.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (rc != 0) {
    ::close(pipeFds[0]);
    sink.pid = -1;
    return sink;
  }
  std::string line;
  char c;
  while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(pipeFds[0]);
  sink.port = line.empty() ? -1 : std::atoi(line.c_str());
  return sink;
}

void stopSink(const Sink& sink) {
  if (sink.pid <= 0) return;
  ::kill(sink.pid, SIGTERM);
  int status = 0;
  ::waitpid(sink.pid, &status, 0);
}

std::string defaultSinkPath() {
  fs::path self = fs::read_symlink("/proc/self/exe");
  return (self.parent_path().parent_path() / "tools" / "upload-sink").string();
}

bool writeFile(const fs::path& path, size_t megabytes) {
  std::vector<char> block(1 << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = char((i * 131) & 0xFF);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = true;
  for (size_t i = 0; i < megabytes && ok; ++i) ok = std::fwrite(block.data(), 1, block.size(), f) == block.size();
  return std::fclose(f) == 0 && ok;
}

class UploadRecorder : public fd::URLConnectionDelegate {
  RT_CLASS(UploadRecorder, fd::URLConnectionDelegate)
 public:
  bool done = false;
  Ref<fd::Error> error;
  long status = 0;
  std::string body;
  int64_t sent = 0;

  void didReceiveResponse(const Ref<fd::URLConnection>&, const Ref<fd::URLResponse>& response) override {
    if (auto http = rt::as<fd::HTTPURLResponse>(response)) status = long(http->statusCode());
  }
  void didReceiveData(const Ref<fd::URLConnection>&, const Ref<fd::Data>& data) override { body.append(data->view()); }
  void didSendBodyData(const Ref<fd::URLConnection>&, int64_t, int64_t total, int64_t) override { sent = total; }
  void connectionDidFinishLoading(const Ref<fd::URLConnection>&) override { done = true; }
  void didFailWithError(const Ref<fd::URLConnection>&, const Ref<fd::Error>& e) override {
    error = e;
    done = true;
  }
};

using D = fd::URLConnectionDelegate;
RT_IMPLEMENT(UploadRecorder) {
  D::implement(c.cls(), {D::kDidReceiveResponse, D::kDidReceiveData, D::kDidSendBodyData, D::kDidFinishLoading,
                         D::kDidFailWithError});
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? size_t(std::strtoul(argv[1], nullptr, 10)) : 200;
  std::string sinkPath = argc > 2 ? argv[2] : defaultSinkPath();

  Sink sink = startSink(sinkPath);
  if (sink.port <= 0) {
    std::fprintf(stderr, "cannot start the upload sink at %s\n", sinkPath.c_str());
    stopSink(sink);
    return 2;
  }
  fs::path file = fs::temp_directory_path() / ("multipart-upload-bench-" + std::to_string(::getpid()) + ".bin");
  if (!writeFile(file, megabytes)) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    stopSink(sink);
    return 2;
  }
  double before = peakRSSMegabytes();

  auto serializer = net::NKHTTPRequestSerializer::serializer();
  std::string url = "http://127.0.0.1:" + std::to_string(sink.port) + "/upload";
  Ref<fd::Error> error;
  auto request = serializer->multipartFormRequestWithMethod(
      "POST", fd::String(url), nullptr,
      [&](const Ref<net::NKMultipartFormData>& form) {
        form->appendPartWithFileURL(fd::URL::fileURLWithPath(fd::String(file.string())), "file", &error);
      },
      &error);
  if (!request || error) {
    std::fprintf(stderr, "cannot build the request: %s\n", error ? error->description().utf8().c_str() : "?");
    stopSink(sink);
    fs::remove(file);
    return 2;
  }
  std::string contentLength = request->valueForHTTPHeaderField("Content-Length").value_or("?").utf8();

  auto recorder = rt::make<UploadRecorder>();
  auto start = std::chrono::steady_clock::now();
  auto connection = fd::URLConnection::create(request, recorder, false);
  connection->scheduleInRunLoop(fd::RunLoop::currentRunLoop(), fd::NSDefaultRunLoopMode);
  connection->start();
  // The main run loop keeps running: body parts change phase on the main thread.
  auto loop = fd::RunLoop::currentRunLoop();
  while (!recorder->done) loop->runInMode(fd::NSDefaultRunLoopMode, 0.05, true);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double peak = peakRSSMegabytes();

  stopSink(sink);
  fs::remove(file);

  std::printf("file part:            %zu MB\n", megabytes);
  std::printf("Content-Length:       %s bytes\n", contentLength.c_str());
  std::printf("server received:      %s bytes (status %ld)\n", recorder->body.c_str(), recorder->status);
  std::printf("upload time:          %.2f s (%.1f MB/s)\n", seconds, double(megabytes) / seconds);
  std::printf("peak RSS before send: %.1f MB\n", before);
  std::printf("peak RSS of client:   %.1f MB (limit %.0f MB)\n", peak, kLimitMB);
  if (recorder->error) {
    std::printf("upload failed: %s\n", recorder->error->description().utf8().c_str());
    return 1;
  }
  bool complete = recorder->status == 200 && recorder->body == contentLength;
  std::printf("%s\n", complete && peak < kLimitMB ? "PASS" : "FAIL");
  return complete && peak < kLimitMB ? 0 : 1;
}
