#include <gtest/gtest.h>

#include "tests/tools/ServiceClient.h"
#include "tools/sample-service/service/ServiceOptions.h"

namespace sampletest {
namespace {

TEST(SampleServiceOptions, ReadsEveryOption) {
  std::string error;
  auto o = sample::parseOptions({"--port", "9001", "--seed", "42", "--tolerance", "0", "--latency-ms", "150",
                                 "--fail-mode", "malformed"},
                                &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->port, 9001);
  EXPECT_EQ(o->seed, 42u);
  EXPECT_EQ(o->toleranceSeconds, 0);
  EXPECT_EQ(o->latencyMilliseconds, 150);
  EXPECT_EQ(o->failMode, sample::FailMode::Malformed);

  auto defaults = sample::parseOptions({}, &error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->toleranceSeconds, 300);
  EXPECT_EQ(defaults->failMode, sample::FailMode::None);
  for (const char* mode : {"none", "errors", "malformed", "slow"}) EXPECT_TRUE(sample::parseFailMode(mode)) << mode;
}

TEST(SampleServiceOptions, RefusesBadInputWithAReason) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port"},          {"--port", "70000"},    {"--port", "-1"},          {"--port", "80x"},
      {"--seed", "abc"},   {"--tolerance", "-5"},  {"--latency-ms", "1e3"},   {"--fail-mode", "sometimes"},
      {"--colour", "red"}, {"9000"},
  };
  for (const auto& args : cases) {
    std::string error;
    EXPECT_FALSE(sample::parseOptions(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

TEST(SampleServiceOptions, StartFailsOnAPortInUse) {
  RunningService first;
  sample::ServiceOptions options;
  options.port = first.server().port();
  sample::SampleServer second(options);
  std::string error;
  EXPECT_FALSE(second.start(&error));
  EXPECT_NE(error.find(std::to_string(options.port)), std::string::npos);
  EXPECT_FALSE(second.isRunning());
}

TEST(SampleServiceOptions, RestartsAfterStop) {
  std::string error;
  sample::ServiceOptions options;
  options.port = 0;
  sample::SampleServer anyPort(options);
  ASSERT_TRUE(anyPort.start(&error)) << error;
  EXPECT_FALSE(anyPort.start(&error));  // already running
  anyPort.stop();
  ASSERT_TRUE(anyPort.start(&error)) << error;
  httplib::Client client("127.0.0.1", anyPort.port());
  auto r = client.Get("/pictures/thumb/a.png");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
}

}  // namespace
}  // namespace sampletest
