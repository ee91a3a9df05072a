#pragma once
// Runs the content service client for real: the sample service (or a scripted test server
// for answers the sample service never gives) on a free port of 127.0.0.1, the main loop on a
// virtual clock that starts at the real time, a key window for the progress display, and a
// log of what the display shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch/Clock.h"
#include "platform/ui/view/Window.h"
#include "tests/support/TestServer.h"
#include "tools/sample-service/service/SampleServer.h"

namespace dispatch {
class VirtualClock;
}

namespace apptest {

/// What the client shows when the service cannot be reached or answers nonsense.
inline constexpr const char* kNetworkError = "网络错误,稍后再试!";

class ContentServiceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Starts the sample service and points the client's hosts at it.
  sample::SampleServer& startSampleService(sample::ServiceOptions options = {});
  /// Starts a scripted server and points the client's hosts at it.
  testsupport::TestServer& startScriptedServer();
  /// A scripted JSON answer for "/api.php/" + `endpoint`.
  void script(const std::string& endpoint, const std::string& json,
              const std::string& contentType = "application/json");

  /// Pumps the main loop until the request under way has finished (the network activity
  /// indicator is off again and the main queue has run out); false on time-out.
  bool finishRequest(double seconds = 15);

  /// Texts the progress display was asked to show as errors, in order.
  std::vector<std::string> shownErrors() const { return errors_; }
  /// The diagnostic log lines written so far.
  std::vector<std::string> logLines() const;
  /// How many times the display appeared at all.
  size_t appearances() const { return appearances_; }

  std::shared_ptr<dispatch::VirtualClock> clock;
  Ref<ui::Window> window;
  std::unique_ptr<sample::SampleServer> service;
  std::unique_ptr<testsupport::TestServer> scripted;

 private:
  // User defaults of the test, so no test writes the user's own settings.
  std::filesystem::path defaultsDir_;
  rt::Id token_;
  std::vector<rt::Id> operationTokens_;
  /// Client operations started and finished; a test ends only once they match.
  std::shared_ptr<size_t> started_ = std::make_shared<size_t>(0), finished_ = std::make_shared<size_t>(0);
  std::vector<std::string> errors_;
  size_t appearances_ = 0;
  std::shared_ptr<std::vector<std::string>> log_ = std::make_shared<std::vector<std::string>>();
  std::shared_ptr<std::mutex> logMutex_ = std::make_shared<std::mutex>();
};

}  // namespace apptest
