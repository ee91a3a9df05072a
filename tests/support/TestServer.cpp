#include "tests/support/TestServer.h"

#include <httplib.h>
#include <openssl/ssl.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>

namespace testsupport {
namespace {

std::string gzipCompress(const std::string& in) {
  z_stream zs{};
  deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, in.size()) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

Reply Reply::text(std::string body, int status) {
  Reply r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

Reply Reply::redirect(const std::string& location, int status) {
  Reply r;
  r.status = status;
  r.headers.emplace_back("Location", location);
  return r;
}

std::optional<std::string> CapturedRequest::header(const std::string& name) const {
  for (auto& [k, v] : headers)
    if (equalNoCase(k, name)) return v;
  return std::nullopt;
}

TestServer::TestServer() { start(); }

TestServer::TestServer(std::shared_ptr<const TestIdentity> identity) : identity_(std::move(identity)) { start(); }

void TestServer::start() {
  if (identity_) {
    auto id = identity_;
    server_ = std::make_unique<httplib::SSLServer>([id](SSL_CTX& ctx) {
      SSL_CTX_use_certificate(&ctx, id->certificate());
      for (auto i = id->issuer(); i; i = i->issuer()) {
        X509_up_ref(i->certificate());
        SSL_CTX_add_extra_chain_cert(&ctx, i->certificate());
      }
      SSL_CTX_use_PrivateKey(&ctx, id->key());
      return true;
    });
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  server_->set_keep_alive_max_count(1000000);
  server_->set_keep_alive_timeout(1);
  server_->set_tcp_nodelay(true);
  server_->set_payload_max_length(size_t{1} << 32);
  auto handler = [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); };
  const char* all = ".*";
  server_->Get(all, handler);
  server_->Post(all, handler);
  server_->Put(all, handler);
  server_->Patch(all, handler);
  server_->Delete(all, handler);
  server_->Options(all, handler);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("test server could not bind");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // Stopping before the accept loop runs would leave it running for good.
  for (int i = 0; i < 2000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer() {
  releaseStalls();
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string TestServer::url(const std::string& path) const { return urlWithHost("127.0.0.1", path); }

std::string TestServer::urlWithHost(const std::string& host, const std::string& path) const {
  return std::string(isSecure() ? "https://" : "http://") + host + ":" + std::to_string(port_) + path;
}

void TestServer::route(const std::string& path, Reply reply) {
  route(path, [this, reply = std::move(reply)](const httplib::Request&, httplib::Response& res) { answer(reply, res); });
}

void TestServer::route(const std::string& path, Handler handler) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(handler);
}

std::vector<CapturedRequest> TestServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

size_t TestServer::requestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

size_t TestServer::connectionCount() const {
  std::lock_guard lock(mutex_);
  std::set<int> ports;
  for (auto& r : requests_) ports.insert(r.remotePort);
  return ports.size();
}

bool TestServer::waitForRequests(size_t count, double seconds) const {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return requests_.size() >= count; });
}

void TestServer::releaseStalls() {
  std::lock_guard lock(mutex_);
  released_ = true;
  cv_.notify_all();
}

bool TestServer::sleepUnlessReleased(double seconds) {
  std::unique_lock lock(mutex_);
  return !cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return released_; });
}

void TestServer::serve(const httplib::Request& req, httplib::Response& res) {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    CapturedRequest c;
    c.method = req.method;
    c.path = req.path;
    c.target = req.target;
    for (auto& [k, v] : req.headers) {
      // The server adds these itself; they were not on the wire.
      if (k == "REMOTE_ADDR" || k == "REMOTE_PORT" || k == "LOCAL_ADDR" || k == "LOCAL_PORT") continue;
      c.headers.emplace_back(k, v);
    }
    c.body = req.body;
    c.remotePort = req.remote_port;
    requests_.push_back(std::move(c));
    cv_.notify_all();
    auto it = routes_.find(req.path);
    if (it != routes_.end()) handler = it->second;
  }
  if (!keepAlive_) res.set_header("Connection", "close");
  if (!handler) {
    res.status = 404;
    res.set_content("not found", "text/plain");
    return;
  }
  handler(req, res);
}

void TestServer::answer(const Reply& reply, httplib::Response& res) {
  if (reply.delayBeforeHeaders > 0) sleepUnlessReleased(reply.delayBeforeHeaders);
  res.status = reply.status;
  for (auto& [k, v] : reply.headers) res.set_header(k, v);
  auto body = std::make_shared<std::string>(reply.gzip ? gzipCompress(reply.body) : reply.body);
  if (reply.gzip) res.set_header("Content-Encoding", "gzip");
  bool scripted = reply.chunked || reply.stallAfter || reply.resetAfter || reply.delayBetweenChunks > 0 ||
                  !reply.sendContentLength;
  if (!scripted) {
    if (!body->empty() || reply.status != 304) res.set_content(*body, reply.contentType);
    return;
  }
  auto provider = [this, reply, body](size_t offset, httplib::DataSink& sink) {
    if (reply.resetAfter && offset >= *reply.resetAfter) return false;
    if (reply.stallAfter && offset >= *reply.stallAfter) {
      while (sleepUnlessReleased(0.05) && sink.is_writable()) {
      }
      return false;
    }
    if (offset >= body->size()) {
      if (reply.chunked || !reply.sendContentLength) sink.done();
      return true;
    }
    if (offset > 0 && reply.delayBetweenChunks > 0 && !sleepUnlessReleased(reply.delayBetweenChunks)) return false;
    size_t end = std::min(body->size(), offset + std::max<size_t>(reply.chunkSize, 1));
    if (reply.resetAfter) end = std::min(end, std::max(*reply.resetAfter, offset + 1));
    if (reply.stallAfter) end = std::min(end, std::max(*reply.stallAfter, offset + 1));
    return sink.write(body->data() + offset, end - offset);
  };
  if (reply.chunked || !reply.sendContentLength) {
    if (!reply.chunked) res.set_header("Connection", "close");
    if (reply.chunked) {
      res.set_chunked_content_provider(reply.contentType, provider);
    } else {
      res.set_content_provider(reply.contentType, provider);
    }
  } else {
    res.set_content_provider(body->size(), reply.contentType,
                             [provider](size_t offset, size_t, httplib::DataSink& sink) { return provider(offset, sink); });
  }
}

}  // namespace testsupport
