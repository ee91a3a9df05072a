// Multipart bodies on the wire: streamed through the platform's URL loading to a real server,
// failing uploads, and spooling a body to a file.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "net/http/NKMultipartBodyStream.h"
#include "net/http/NKNetworkingErrors.h"
#include "net/http/NKStreamingMultipartFormData.h"
#include "net/http/NKURLRequestSerialization.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URL.h"
#include "tests/support/ConnectionRecorder.h"

using namespace net;
using fd::String;

namespace {

namespace fs = std::filesystem;

struct TempFile {
  fs::path path;
  explicit TempFile(const std::string& name)
      : path(fs::temp_directory_path() / ("nk-upload-" + std::to_string(::getpid()) + "-" + name)) {}
  ~TempFile() { fs::remove(path); }
  std::string read() const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

std::string patterned(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i * 131 + i / 7) & 0xFF);
  return s;
}

// Every byte of a fresh copy of the body stream.
std::string bodyOf(const Ref<fd::URLRequest>& request) {
  auto stream = rt::as<fd::InputStream>(request->HTTPBodyStream()->copy());
  stream->open();
  std::string out;
  uint8_t buffer[8192];
  int64_t n;
  while ((n = stream->read(buffer, sizeof buffer)) > 0) out.append(reinterpret_cast<char*>(buffer), size_t(n));
  return out;
}

// A plain socket server on 127.0.0.1 that keeps each request's bytes exactly as they came (the
// HTTP test server parses multipart bodies into parts and keeps no raw body). It reads the
// head and Content-Length bytes of body, then answers "ok" and closes; only requests that
// arrived whole are kept.
class RawServer {
 public:
  RawServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "cannot listen";
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~RawServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    if (thread_.joinable()) thread_.join();
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::vector<std::string> heads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return heads_;
  }
  std::vector<std::string> bodies() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bodies_;
  }

 private:
  void serve() {
    while (!stopping_) {
      int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) return;
      std::string data;
      char buffer[65536];
      size_t headEnd = std::string::npos;
      size_t contentLength = 0;
      for (;;) {
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, size_t(n));
        if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
          std::string head = data.substr(0, headEnd);
          for (auto& ch : head) ch = char(std::tolower(static_cast<unsigned char>(ch)));
          auto at = head.find("\r\ncontent-length:");
          if (at != std::string::npos) contentLength = std::stoul(head.substr(at + 17));
        }
        if (headEnd != std::string::npos && data.size() >= headEnd + 4 + contentLength) break;
      }
      if (headEnd != std::string::npos && data.size() >= headEnd + 4 + contentLength) {
        std::lock_guard<std::mutex> lock(mutex_);
        heads_.push_back(data.substr(0, headEnd));
        bodies_.push_back(data.substr(headEnd + 4));
      }
      const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
      ::send(client, reply, sizeof reply - 1, MSG_NOSIGNAL);
      ::close(client);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> heads_;
  std::vector<std::string> bodies_;
};

Ref<testsupport::ConnectionRecorder> load(const Ref<fd::URLRequest>& request) {
  auto recorder = rt::make<testsupport::ConnectionRecorder>();
  auto connection = fd::URLConnection::create(request, recorder, false);
  EXPECT_TRUE(connection);
  connection->scheduleInRunLoop(fd::RunLoop::currentRunLoop(), fd::NSDefaultRunLoopMode);
  connection->start();
  // The main run loop must keep running: parts change phase on the main thread.
  EXPECT_TRUE(testsupport::runLoopUntil([&] { return recorder->done; }, 20));
  return recorder;
}

}  // namespace

TEST(MultipartUpload, ServerReceivesTheExactBodyAndLength) {
  TempFile file("big.bin");
  const std::string content = patterned(3 * 1024 * 1024 + 17);
  std::ofstream(file.path, std::ios::binary) << content;

  RawServer server;
  auto serializer = NKHTTPRequestSerializer::serializer();
  serializer->setValueForHTTPHeaderField(String("abc"), "X-Sign");
  Ref<fd::Error> error;
  auto request = serializer->multipartFormRequestWithMethod(
      "POST", String(server.url("/upload")), fd::Dictionary::withStrings({{"title", fd::Data::create("t")}}),
      [&](const Ref<NKMultipartFormData>& form) {
        EXPECT_TRUE(form->appendPartWithFileURL(fd::URL::fileURLWithPath(String(file.path.string())), "file",
                                                "big.bin", "application/octet-stream", nullptr));
        form->appendPartWithFormData(fd::Data::create("after"), "note");
      },
      &error);
  ASSERT_TRUE(request) << (error ? error->description().utf8() : "");
  const std::string expected = bodyOf(request);
  ASSERT_GT(expected.size(), content.size());
  ASSERT_NE(expected.find(content), std::string::npos);

  auto recorder = load(request);
  ASSERT_FALSE(recorder->error) << recorder->error->description().utf8();
  EXPECT_EQ(recorder->body, "ok");
  auto heads = server.heads();
  auto bodies = server.bodies();
  ASSERT_EQ(heads.size(), 1u);
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(heads[0].rfind("POST /upload HTTP/1.1\r\n", 0), 0u) << heads[0];
  for (const std::string& line :
       {"Content-Length: " + std::to_string(expected.size()),
        "Content-Type: " + request->valueForHTTPHeaderField("Content-Type")->utf8(), std::string("X-Sign: abc")}) {
    EXPECT_NE((heads[0] + "\r\n").find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << heads[0];
  }
  EXPECT_EQ(bodies[0].size(), expected.size());
  EXPECT_TRUE(bodies[0] == expected);
  EXPECT_EQ(recorder->bytesSent, int64_t(expected.size()));
}

TEST(MultipartUpload, AStreamShorterThanDeclaredFailsTheUpload) {
  RawServer server;
  auto request = NKHTTPRequestSerializer::serializer()->multipartFormRequestWithMethod(
      "POST", String(server.url("/upload")), nullptr, [](const Ref<NKMultipartFormData>& form) {
        form->appendPartWithInputStream(fd::InputStream::inputStreamWithData(fd::Data::create(std::string(1000, 'a'))),
                                        "s", "s.bin", 5000, "application/octet-stream");
      });
  ASSERT_TRUE(request);
  auto recorder = load(request);
  EXPECT_TRUE(recorder->error);
  // The server may have seen the start; it never sees a complete body.
  EXPECT_TRUE(server.bodies().empty());
}

TEST(MultipartUpload, SpoolsTheBodyToAFile) {
  TempFile out("spooled.bin");
  const std::string content = patterned(200 * 1024 + 3);
  auto serializer = NKHTTPRequestSerializer::serializer();
  auto request = serializer->multipartFormRequestWithMethod(
      "POST", "http://a.test/upload", fd::Dictionary::withStrings({{"a", fd::Data::create("1")}}),
      [&](const Ref<NKMultipartFormData>& form) {
        form->appendPartWithFileData(fd::Data::create(content), "f", "f.bin", "application/octet-stream");
      });
  const std::string expected = bodyOf(request);

  bool called = false;
  bool onMain = false;
  Ref<fd::Error> error;
  auto plain = serializer->requestWithMultipartFormRequest(
      request, fd::URL::fileURLWithPath(String(out.path.string())), [&](const Ref<fd::Error>& e) {
        called = true;
        onMain = dispatch::isMainThread();
        error = e;
      });
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->HTTPBodyStream());
  EXPECT_EQ(plain->valueForHTTPHeaderField("Content-Type"), request->valueForHTTPHeaderField("Content-Type"));
  EXPECT_EQ(plain->URL()->absoluteString(), request->URL()->absoluteString());
  ASSERT_TRUE(testsupport::runLoopUntil([&] { return called; }, 10));
  EXPECT_TRUE(onMain);
  EXPECT_FALSE(error);
  EXPECT_TRUE(out.read() == expected);
  EXPECT_EQ(out.read().size(), expected.size());
}

TEST(MultipartUpload, SpoolingReportsTheFirstError) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  struct Case {
    std::function<void(const Ref<NKMultipartFormData>&)> fill;
    std::string destination;
  };
  const Case cases[] = {
      {[](const Ref<NKMultipartFormData>& form) {
         form->appendPartWithFileData(fd::Data::create("x"), "f", "f", "text/plain");
       },
       "/nonexistent-dir-nk/out.bin"},
      {[](const Ref<NKMultipartFormData>& form) {
         form->appendPartWithInputStream(fd::InputStream::inputStreamWithData(fd::Data::create("abc")), "s", "s", 9,
                                         "text/plain");
       },
       (fs::temp_directory_path() / ("nk-spool-short-" + std::to_string(::getpid()))).string()},
  };
  for (const auto& c : cases) {
    auto request = serializer->multipartFormRequestWithMethod("POST", "http://a.test/u", nullptr, c.fill);
    bool called = false;
    Ref<fd::Error> error;
    serializer->requestWithMultipartFormRequest(request, fd::URL::fileURLWithPath(String(c.destination)),
                                                [&](const Ref<fd::Error>& e) {
                                                  called = true;
                                                  error = e;
                                                });
    ASSERT_TRUE(testsupport::runLoopUntil([&] { return called; }, 10)) << c.destination;
    EXPECT_TRUE(error) << c.destination;
    fs::remove(c.destination);
  }
}
