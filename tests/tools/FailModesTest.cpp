#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/foundation/serialization/JSONSerialization.h"
#include "tests/tools/ServiceClient.h"

namespace sampletest {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

sample::ServiceOptions failing(sample::FailMode mode) {
  sample::ServiceOptions o;
  o.failMode = mode;
  o.slowMilliseconds = 1500;
  return o;
}

TEST(SampleServiceFailModes, ErrorsComeAsFailureEnvelopesAndServerErrors) {
  RunningService service(failing(sample::FailMode::Errors));
  auto answer = service.envelope("App/channel_list");
  EXPECT_NE(integerAt(answer, "status"), 200);
  EXPECT_FALSE(stringAt(answer, "info").empty());
  auto video = service.client().Get("/mas/front/appList.jsp?id=1&pageNo=1");
  ASSERT_TRUE(video);
  EXPECT_EQ(video->status, 500);
  // Pictures keep working, so that only the services fail.
  EXPECT_EQ(service.client().Get("/pictures/thumb/a.png")->status, 200);
}

TEST(SampleServiceFailModes, MalformedAnswersAreNotJSON) {
  RunningService service(failing(sample::FailMode::Malformed));
  auto content = service.post("App/article_list", {{"trs_id", "11623"}});
  auto video = service.client().Get("/mas/front/appList.jsp?id=1&pageNo=1");
  for (const auto* result : {&content, &video}) {
    ASSERT_TRUE(*result);
    EXPECT_EQ((*result)->status, 200);
    EXPECT_FALSE((*result)->body.empty());
    Ref<fd::Error> error;
    EXPECT_FALSE(fd::JSONSerialization::JSONObjectWithBytes((*result)->body, 0, &error));
    EXPECT_TRUE(error);
  }
}

TEST(SampleServiceFailModes, SlowAnswersOutlastAClientTimeOut) {
  RunningService service(failing(sample::FailMode::Slow));
  auto start = Clock::now();
  auto impatient = service.client(0.3).Get("/mas/front/appList.jsp?id=1&pageNo=1");
  EXPECT_FALSE(impatient);
  EXPECT_LT(secondsSince(start), 1.4);
  start = Clock::now();
  auto patient = service.client(5).Get("/mas/front/appList.jsp?id=1&pageNo=1");
  ASSERT_TRUE(patient);
  EXPECT_EQ(patient->status, 200);
  EXPECT_GE(secondsSince(start), 1.4);
}

TEST(SampleServiceFailModes, StoppingEndsPendingDelays) {
  auto options = failing(sample::FailMode::Slow);
  options.slowMilliseconds = 60000;
  RunningService service(options);
  std::thread waiting([&] { service.client(70).Post("/api.php/App/loading", httplib::Headers{}, httplib::Params{}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto start = Clock::now();
  service.server().stop();
  EXPECT_LT(secondsSince(start), 5.0);
  waiting.join();
  EXPECT_FALSE(service.server().isRunning());
}

TEST(SampleServiceFailModes, LatencyDelaysEveryAnswer) {
  sample::ServiceOptions options;
  options.latencyMilliseconds = 250;
  RunningService service(options);
  for (const char* path : {"/pictures/thumb/a.png", "/mas/front/appList.jsp?id=8"}) {
    auto start = Clock::now();
    auto r = service.client().Get(path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_GE(secondsSince(start), 0.25) << path;
  }
  auto start = Clock::now();
  EXPECT_EQ(integerAt(service.envelope("App/about_us"), "status"), 200);
  EXPECT_GE(secondsSince(start), 0.25);
}

}  // namespace
}  // namespace sampletest
