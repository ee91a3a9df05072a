#pragma once
// The sample content service as a real HTTP server on 127.0.0.1: the content service under
// "/api.php/", the video list service at "/mas/front/appList.jsp", the pictures under
// "/pictures/" and the web pages under "/web/". Tests start it in-process on a free port.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/sample-service/service/ServiceOptions.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace sample {

class Catalog;
class ContentService;
class MediaMaker;
class PictureMaker;

class SampleServer {
 public:
  explicit SampleServer(ServiceOptions options);
  ~SampleServer();
  SampleServer(const SampleServer&) = delete;
  SampleServer& operator=(const SampleServer&) = delete;

  /// Binds (port 0: any free port), builds the data set and serves on a thread of its own.
  /// False with `error` set when the port cannot be bound or the server is already running.
  bool start(std::string* error);
  /// Stops serving and waits for the answers under way; pending delays end at once.
  void stop();

  bool isRunning() const { return thread_.joinable(); }
  int port() const { return port_; }
  /// "http://127.0.0.1:port".
  std::string baseURL() const;
  const ServiceOptions& options() const { return options_; }
  /// Valid while running.
  const Catalog& catalog() const { return *catalog_; }

 private:
  void serveContent(const httplib::Request& request, httplib::Response& response);
  void serveVideoList(const httplib::Request& request, httplib::Response& response);
  void servePicture(const httplib::Request& request, httplib::Response& response);
  void serveWebPage(const httplib::Request& request, httplib::Response& response);
  void serveMedia(const httplib::Request& request, httplib::Response& response);
  /// Waits `milliseconds` unless the server stops first; false when it stopped.
  bool pause(int64_t milliseconds);

  ServiceOptions options_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::unique_ptr<Catalog> catalog_;
  std::unique_ptr<ContentService> content_;
  std::unique_ptr<PictureMaker> pictures_;
  std::unique_ptr<MediaMaker> media_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
};

}  // namespace sample
