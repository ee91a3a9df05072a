#include "platform/foundation/net/URLLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "tests/support/TestServer.h"

using namespace fd;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

// Runs jobs on the shared loader and waits for their ends.
struct Jobs {
  std::mutex mutex;
  std::condition_variable cv;
  int done = 0;
  std::set<std::thread::id> responseThreads;

  std::shared_ptr<URLLoadJob> make(const std::string& url) {
    auto job = std::make_shared<URLLoadJob>();
    job->url = url;
    job->onResponse = [this](long, const std::string&, const URLLoadJob::Headers&) {
      std::lock_guard lock(mutex);
      responseThreads.insert(std::this_thread::get_id());
    };
    job->onComplete = [this](int code, const std::string&) {
      EXPECT_EQ(code, 0);
      std::lock_guard lock(mutex);
      ++done;
      cv.notify_all();
    };
    return job;
  }
  bool waitFor(int count) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(10), [&] { return done >= count; });
  }
};

TEST(URLLoader, OneTransferAtATimeKeepsToOneKeptAliveConnection) {
  TestServer server;
  server.setKeepAlive(true);
  server.route("/a", Reply::text("a"));
  Jobs jobs;
  for (int i = 1; i <= 4; ++i) {
    URLLoader::shared().start(jobs.make(server.url("/a")));
    ASSERT_TRUE(jobs.waitFor(i));
  }
  EXPECT_EQ(server.connectionCount(), 1u);
  EXPECT_EQ(jobs.responseThreads.size(), 1u);
}

TEST(URLLoader, TransfersAtTheSameTimeAreSpreadOverLoaderThreads) {
  TestServer server;
  server.setKeepAlive(true);
  Reply slow = Reply::text("slow");
  slow.delayBeforeHeaders = 0.3;  // all four are under way at once
  server.route("/slow", slow);
  Jobs jobs;
  for (int i = 0; i < 4; ++i) URLLoader::shared().start(jobs.make(server.url("/slow")));
  ASSERT_TRUE(jobs.waitFor(4));
  EXPECT_GE(jobs.responseThreads.size(), 2u);
}

}  // namespace
