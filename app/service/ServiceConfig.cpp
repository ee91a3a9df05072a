#include "app/service/ServiceConfig.h"

#include <cstdlib>

namespace app {
namespace {

rt::String environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? rt::String(value) : rt::String();
}

}  // namespace

ServiceConfig& ServiceConfig::shared() {
  static ServiceConfig config;
  return config;
}

ServiceConfig::ServiceConfig() {
  rt::String content = environmentValue("KD_CONTENT_HOST");
  rt::String video = environmentValue("KD_VIDEO_HOST");
  rt::String radio = environmentValue("KD_RADIO_URL");
  contentHost_ = normalizedHost(content.isEmpty() ? rt::String(kDefaultHost) : content);
  videoHost_ = normalizedHost(video.isEmpty() ? rt::String(kDefaultHost) : video);
  // The radio page defaults to the one the content host serves.
  radioFollowsContent_ = radio.isEmpty();
  radioURL_ = radioFollowsContent_ ? contentHost_ + "/web/radio.html" : radio;
  rt::String site = environmentValue("KD_WEBSITE_HOST");
  if (!site.isEmpty()) webSiteHost_ = normalizedHost(site);
}

rt::String ServiceConfig::normalizedHost(const rt::String& host) {
  rt::String out = host.trimmed();
  if (!out.isEmpty() && !out.contains("://")) out = rt::String("http://") + out;
  while (out.hasSuffix("/")) out = out.substring(0, out.length() - 1);
  return out;
}

rt::String ServiceConfig::contentHost() const {
  std::lock_guard lock(mutex_);
  return contentHost_;
}

rt::String ServiceConfig::videoHost() const {
  std::lock_guard lock(mutex_);
  return videoHost_;
}

rt::String ServiceConfig::radioURL() const {
  std::lock_guard lock(mutex_);
  return radioURL_;
}

void ServiceConfig::setContentHost(const rt::String& host) {
  rt::String value = normalizedHost(host);
  std::lock_guard lock(mutex_);
  contentHost_ = value;
  if (radioFollowsContent_) radioURL_ = contentHost_ + "/web/radio.html";
}

void ServiceConfig::setVideoHost(const rt::String& host) {
  rt::String value = normalizedHost(host);
  std::lock_guard lock(mutex_);
  videoHost_ = value;
}

void ServiceConfig::setRadioURL(const rt::String& url) {
  rt::String value = url.trimmed();
  std::lock_guard lock(mutex_);
  radioFollowsContent_ = value.isEmpty();
  radioURL_ = radioFollowsContent_ ? contentHost_ + "/web/radio.html" : value;
}

rt::String ServiceConfig::webSiteBaseURL() const {
  std::lock_guard lock(mutex_);
  return (webSiteHost_.isEmpty() ? contentHost_ : webSiteHost_) + "/";
}

void ServiceConfig::setWebSiteHost(const rt::String& host) {
  rt::String value = normalizedHost(host);
  std::lock_guard lock(mutex_);
  webSiteHost_ = value;
}

rt::String ServiceConfig::contentBaseURL() const { return contentHost() + "/api.php/"; }

rt::String ServiceConfig::videoListURL() const { return videoHost() + "/mas/front/appList.jsp"; }

}  // namespace app
