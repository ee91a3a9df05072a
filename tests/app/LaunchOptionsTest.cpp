#include <gtest/gtest.h>

#include <cstdlib>

#include "app/launch/KDLaunchOptions.h"
#include "app/service/ServiceConfig.h"

namespace {

using app::parseLaunchOptions;

TEST(LaunchOptions, BothSpellingsOfAValueAndTheFlags) {
  std::string error;
  auto o = parseLaunchOptions({"--content-host=http://127.0.0.1:9", "--out", "/tmp/x", "--headless", "--verbose",
                               "--data-dir=/tmp/d", "--script", "s.txt"},
                              &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(*o->contentHost, "http://127.0.0.1:9");
  EXPECT_EQ(*o->outDir, "/tmp/x");
  EXPECT_EQ(*o->dataDir, "/tmp/d");
  EXPECT_EQ(*o->script, "s.txt");
  EXPECT_TRUE(o->headless);
  EXPECT_TRUE(o->verbose);
}

TEST(LaunchOptions, BadCommandLinesAreRefusedWithAClearMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--colour"}, "unknown option --colour"},
      {{"--content-host"}, "--content-host needs a value"},
      {{"--out="}, "--out needs a value"},
      {{"--headless=yes"}, "--headless takes no value"},
      {{"--content-host", "ftp://h"}, "--content-host: not an http(s) URL: ftp://h"},
      {{"--video-host=127.0.0.1:80"}, "--video-host: not an http(s) URL: 127.0.0.1:80"},
      {{"--radio-url", "http://"}, "--radio-url: not an http(s) URL: http://"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parseLaunchOptions(c.args, &error)) << c.args[0];
    EXPECT_EQ(error, c.message);
  }
}

TEST(LaunchOptions, HostsFromTheEnvironmentAreHeldToTheSameRuleUnlessTheCommandLineNamesOne) {
  struct Case {
    const char* variable;
    const char* value;
    std::vector<std::string> args;
    std::string message;  // empty: accepted
  } cases[] = {
      {"KD_CONTENT_HOST", "ftp://h", {}, "KD_CONTENT_HOST: not an http(s) URL: ftp://h"},
      {"KD_VIDEO_HOST", "127.0.0.1:80", {"--headless"}, "KD_VIDEO_HOST: not an http(s) URL: 127.0.0.1:80"},
      {"KD_RADIO_URL", "file:///etc/passwd", {}, "KD_RADIO_URL: not an http(s) URL: file:///etc/passwd"},
      {"KD_CONTENT_HOST", "ftp://h", {"--content-host=http://127.0.0.1:9"}, ""},
      {"KD_CONTENT_HOST", "https://127.0.0.1:8443", {}, ""},
      {"KD_WEBSITE_HOST", "javascript:x", {}, "KD_WEBSITE_HOST: not an http(s) URL: javascript:x"},
      {"KD_WEBSITE_HOST", "http://127.0.0.1:8081", {}, ""},
      {"KD_VIDEO_HOST", "", {}, ""},  // empty is unset
  };
  for (const auto& c : cases) {
    setenv(c.variable, c.value, 1);
    std::string error;
    auto o = parseLaunchOptions(c.args, &error);
    unsetenv(c.variable);
    EXPECT_EQ(o.has_value(), c.message.empty()) << c.variable << "=" << c.value;
    EXPECT_EQ(error, c.message);
  }
}

TEST(LaunchOptions, TheRadioPageFollowsTheContentHostUntilItIsNamed) {
  auto& config = app::ServiceConfig::shared();
  const rt::String content = config.contentHost();
  config.setRadioURL("");
  config.setContentHost("http://127.0.0.1:7001");
  EXPECT_EQ(config.radioURL().utf8(), "http://127.0.0.1:7001/web/radio.html");
  config.setRadioURL("http://127.0.0.1:7002/r.html");
  config.setContentHost("http://127.0.0.1:7003");
  EXPECT_EQ(config.radioURL().utf8(), "http://127.0.0.1:7002/r.html");
  config.setRadioURL(" ");  // unnamed again: back to the content host's page
  config.setContentHost(content);
  EXPECT_EQ(config.radioURL(), content + "/web/radio.html");
}

}  // namespace
