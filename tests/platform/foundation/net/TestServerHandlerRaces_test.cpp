// Under ThreadSanitizer, the HTTP server library's suppressions drop only the library's own
// accesses: a race in a route handler (project code the library calls) is still reported.
// The racy server runs in a child process, as the report ends the process.
#include <gtest/gtest.h>
#include <httplib.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <sys/wait.h>

#include "tests/support/TestServer.h"

namespace {

constexpr const char* kChildVariable = "KD_RACY_HANDLER_CHILD";

int hits = 0;  // written by the handler below without a lock, on purpose
std::mutex arrivedMutex;
std::condition_variable arrivedChanged;
int arrived = 0;

void racyHandler(const httplib::Request&, httplib::Response& res) {
  ++hits;
  // Hold each request until the other has come in too, so that the two writes overlap.
  std::unique_lock lock(arrivedMutex);
  ++arrived;
  arrivedChanged.notify_all();
  arrivedChanged.wait_for(lock, std::chrono::seconds(5), [] { return arrived >= 2; });
  res.set_content("ok", "text/plain");
}

// The child's part: two requests at once to a handler that writes a global unguarded.
TEST(TestServerHandlerRaces, RacyHandlerChild) {
  if (!std::getenv(kChildVariable)) GTEST_SKIP() << "runs only as the child of HandlerRacesAreReported";
  testsupport::TestServer server;
  server.route("/race", racyHandler);
  std::array<int, 2> statuses{};
  std::array<std::thread, 2> clients;
  for (size_t i = 0; i < clients.size(); ++i) {
    clients[i] = std::thread([&, i] {
      httplib::Client client("127.0.0.1", server.port());
      auto answer = client.Get("/race");
      statuses[i] = answer ? answer->status : -1;
    });
  }
  for (auto& c : clients) c.join();
  EXPECT_EQ(statuses, (std::array<int, 2>{200, 200}));
  std::printf("racy handler served %d requests unreported\n", hits);
}

TEST(TestServerHandlerRaces, HandlerRacesAreReported) {
#if !defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "only meaningful under ThreadSanitizer";
#else
  // The child runs the one case whatever shard of the program this run is.
  std::string command = "env -u GTEST_SHARD_INDEX -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_STATUS_FILE " +
                        std::string(kChildVariable) + "=1 /proc/" + std::to_string(::getpid()) +
                        "/exe --gtest_filter=TestServerHandlerRaces.RacyHandlerChild 2>&1";
  FILE* child = ::popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  std::string output;
  std::array<char, 4096> buffer;
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), child)) output.append(buffer.data(), n);
  int status = ::pclose(child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << output;
  EXPECT_NE(output.find("ThreadSanitizer: data race"), std::string::npos) << output;
  EXPECT_NE(output.find("racyHandler"), std::string::npos) << output;
#endif
}

}  // namespace
