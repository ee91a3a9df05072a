#include "tools/sample-service/service/SampleServer.h"

#include <httplib.h>

#include <chrono>

#include "tools/sample-service/service/Catalog.h"
#include "tools/sample-service/service/ContentService.h"
#include "tools/sample-service/service/MediaMaker.h"
#include "tools/sample-service/service/PictureMaker.h"
#include "tools/sample-service/service/Signing.h"
#include "tools/sample-service/service/WebPages.h"

namespace sample {
namespace {

Parameters parametersOf(const httplib::Request& request) {
  // Query and form fields both land in params; the first value of a repeated key wins.
  Parameters out;
  for (const auto& [key, value] : request.params) out.emplace(key, value);
  return out;
}

std::optional<std::string> header(const httplib::Request& request, const char* name) {
  if (!request.has_header(name)) return std::nullopt;
  return request.get_header_value(name);
}

int64_t unixNow() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

void send(httplib::Response& response, const Answer& answer) {
  response.status = answer.httpStatus;
  response.set_content(answer.body, answer.contentType.c_str());
}

/// The first half of the text: a JSON reader must fail on it.
std::string cutShort(const std::string& body) { return body.substr(0, body.size() / 2); }

}  // namespace

SampleServer::SampleServer(ServiceOptions options) : options_(std::move(options)) {}

SampleServer::~SampleServer() { stop(); }

std::string SampleServer::baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }

bool SampleServer::start(std::string* error) {
  if (isRunning()) {
    if (error) *error = "already running";
    return false;
  }
  auto server = std::make_unique<httplib::Server>();
  // Address reuse only: sharing a port with another running server would hide a clash.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  int port = options_.port;
  if (port == 0) {
    port = server->bind_to_any_port("127.0.0.1");
  } else if (!server->bind_to_port("127.0.0.1", port)) {
    port = -1;
  }
  if (port <= 0) {
    if (error) *error = "cannot listen on 127.0.0.1:" + std::to_string(options_.port);
    return false;
  }
  port_ = port;
  catalog_ = std::make_unique<Catalog>(options_.seed, baseURL());
  content_ = std::make_unique<ContentService>(*catalog_);
  pictures_ = std::make_unique<PictureMaker>(options_.seed);
  media_ = std::make_unique<MediaMaker>();
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  // Short keep-alive, so that stopping never waits long for an idle client.
  server->set_keep_alive_timeout(1);
  auto content = [this](const httplib::Request& q, httplib::Response& r) { serveContent(q, r); };
  server->Post(R"(/api\.php/(.+))", content);
  server->Get(R"(/api\.php/(.+))", content);
  server->Get("/mas/front/appList.jsp", [this](const httplib::Request& q, httplib::Response& r) { serveVideoList(q, r); });
  server->Get(R"(/pictures/(.+))", [this](const httplib::Request& q, httplib::Response& r) { servePicture(q, r); });
  server->Get(R"(/web/(.+))", [this](const httplib::Request& q, httplib::Response& r) { serveWebPage(q, r); });
  server->Get(R"(/media/(.+))", [this](const httplib::Request& q, httplib::Response& r) { serveMedia(q, r); });
  server_ = std::move(server);
  thread_ = std::thread([s = server_.get()] { s->listen_after_bind(); });
  // Stopping before the loop runs would be lost, so wait until it does.
  for (int i = 0; i < 2000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void SampleServer::stop() {
  if (!isRunning()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  server_->stop();
  thread_.join();
  server_.reset();
}

bool SampleServer::pause(int64_t milliseconds) {
  if (milliseconds <= 0) return true;
  std::unique_lock lock(mutex_);
  return !stopped_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

void SampleServer::serveContent(const httplib::Request& request, httplib::Response& response) {
  if (!pause(options_.latencyMilliseconds)) return;
  if (options_.failMode == FailMode::Slow && !pause(options_.slowMilliseconds)) return;
  if (options_.failMode == FailMode::Errors) return send(response, ContentService::failure(500, "服务器繁忙，请稍后再试"));
  auto refusal = checkSignature(header(request, kSignatureHeader), header(request, kTimestampHeader), unixNow(),
                                options_.toleranceSeconds);
  Answer answer = refusal ? ContentService::failure(refusal->status, refusal->info)
                          : content_->answer(request.matches[1].str(), parametersOf(request));
  if (options_.failMode == FailMode::Malformed) answer.body = cutShort(answer.body);
  send(response, answer);
}

void SampleServer::serveVideoList(const httplib::Request& request, httplib::Response& response) {
  if (!pause(options_.latencyMilliseconds)) return;
  if (options_.failMode == FailMode::Slow && !pause(options_.slowMilliseconds)) return;
  if (options_.failMode == FailMode::Errors) {
    return send(response, Answer{500, "text/plain; charset=utf-8", "internal server error\n"});
  }
  auto answer = content_->videoList(parametersOf(request));
  if (options_.failMode == FailMode::Malformed) answer.body = cutShort(answer.body);
  send(response, answer);
}

void SampleServer::servePicture(const httplib::Request& request, httplib::Response& response) {
  if (!pause(options_.latencyMilliseconds)) return;
  auto wanted = parsePicturePath(request.matches[1].str());
  auto bytes = wanted ? pictures_->picture(*wanted) : nullptr;
  if (!bytes) {
    response.status = 404;
    response.set_content("no such picture\n", "text/plain; charset=utf-8");
    return;
  }
  response.set_header("Cache-Control", "max-age=86400");
  response.set_content(reinterpret_cast<const char*>(bytes->data()), bytes->size(), wanted->contentType.c_str());
}

void SampleServer::serveWebPage(const httplib::Request& request, httplib::Response& response) {
  if (!pause(options_.latencyMilliseconds)) return;
  auto html = webPage(*catalog_, request.matches[1].str());
  if (!html) {
    response.status = 404;
    response.set_content("no such page\n", "text/plain; charset=utf-8");
    return;
  }
  response.set_content(*html, "text/html; charset=utf-8");
}

void SampleServer::serveMedia(const httplib::Request& request, httplib::Response& response) {
  if (!pause(options_.latencyMilliseconds)) return;
  auto media = media_->media(request.matches[1].str());
  if (!media) {
    response.status = 404;
    response.set_content("no such clip\n", "text/plain; charset=utf-8");
    return;
  }
  // Byte ranges (for seeking) are answered by the server from the whole body.
  response.set_content(reinterpret_cast<const char*>(media->bytes->data()), media->bytes->size(),
                       media->contentType.c_str());
}

}  // namespace sample
