#include <gtest/gtest.h>

#include "app/service/ServiceConfig.h"

namespace {

TEST(ServiceConfig, HostsAreNormalisedToSchemeHostAndPort) {
  const std::pair<const char*, const char*> cases[] = {
      {"127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"http://news.example.cn/", "http://news.example.cn"},
      {" https://news.example.cn:8443// ", "https://news.example.cn:8443"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(app::ServiceConfig::normalizedHost(in), rt::String(out)) << in;
}

TEST(ServiceConfig, AddressesFollowTheConfiguredHosts) {
  auto& config = app::ServiceConfig::shared();
  auto content = config.contentHost();
  auto video = config.videoHost();
  config.setContentHost("127.0.0.1:9001");
  config.setVideoHost("http://127.0.0.1:9002/");
  config.setRadioURL("http://127.0.0.1:9003/radio.html");
  EXPECT_EQ(config.contentBaseURL(), rt::String("http://127.0.0.1:9001/api.php/"));
  EXPECT_EQ(config.videoListURL(), rt::String("http://127.0.0.1:9002/mas/front/appList.jsp"));
  EXPECT_EQ(config.radioURL(), rt::String("http://127.0.0.1:9003/radio.html"));
  config.setContentHost(content);
  config.setVideoHost(video);
  config.setRadioURL("");
  EXPECT_EQ(config.radioURL(), content + "/web/radio.html");  // follows the content host again
}

}  // namespace
