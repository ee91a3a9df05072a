#pragma once
// Where the application's remote services live: the content service host, the video list
// service host, the radio page and the web site that old picture addresses point into. Read
// once from the environment (KD_CONTENT_HOST, KD_VIDEO_HOST, KD_RADIO_URL, KD_WEBSITE_HOST);
// the app runner and tests may override them with the setters.
// Unset values point at the bundled sample service on its default port.
#include <mutex>

#include "platform/runtime/String.h"

namespace app {

class ServiceConfig {
 public:
  /// The sample service's address when nothing else is configured.
  static constexpr const char* kDefaultHost = "http://127.0.0.1:8080";

  static ServiceConfig& shared();

  /// "http://host:port", without a trailing slash.
  rt::String contentHost() const;
  rt::String videoHost() const;
  rt::String radioURL() const;
  /// A host given without a scheme is taken as plain HTTP; trailing slashes are dropped.
  void setContentHost(const rt::String& host);
  void setVideoHost(const rt::String& host);
  /// An empty address hands the radio page back to the content host, which it then follows.
  void setRadioURL(const rt::String& url);
  /// "http://host/": where pictures stored under "/Uploads/Guanwang/" are served from. Until
  /// one is set it is the content host's.
  rt::String webSiteBaseURL() const;
  void setWebSiteHost(const rt::String& host);

  /// The content service's base: the content host followed by "/api.php/".
  rt::String contentBaseURL() const;
  /// The video list service's address on the video host.
  rt::String videoListURL() const;

  /// Normalises a host setting as the setters do.
  static rt::String normalizedHost(const rt::String& host);

 private:
  ServiceConfig();
  mutable std::mutex mutex_;
  rt::String contentHost_;
  rt::String videoHost_;
  rt::String radioURL_;
  // Until a radio page is named, it is the content host's and moves with it.
  bool radioFollowsContent_ = true;
  rt::String webSiteHost_;  // empty: the content host
};

}  // namespace app
