// Nothing committed is lost: a child process writes records and reports each one done; the
// test kills it with SIGKILL at random moments, many times, and then every reported record must
// read back intact, and no record may ever read back damaged.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>

#include "cache/DRKVStorage.h"
#include "tests/cache/CacheFixtures.h"

extern char** environ;

namespace cache {
namespace {

constexpr int kReportFd = 3;

// The value a key must hold: its length and bytes follow from the key, across the inline
// threshold and well above it.
std::string expectedValue(const std::string& key) {
  size_t h = std::hash<std::string>{}(key);
  std::string v(50 + h % 60000, '\0');
  for (size_t j = 0; j < v.size(); ++j) v[j] = static_cast<char>((h >> (j % 8)) + j * 31);
  return v;
}

TEST(DRKVStorageKill, Child) {
  const char* dir = std::getenv("KD_KV_KILL_DIR");
  const char* round = std::getenv("KD_KV_KILL_ROUND");
  if (!dir || !round) GTEST_SKIP() << "runs only as the child of the kill test";
  auto kv = DRKVStorage::storageWithPath(dir, DRKVFilesAndDatabase);
  ASSERT_TRUE(kv);
  for (int i = 0;; ++i) {
    std::string key = std::string("r") + round + "-" + std::to_string(i % 400);
    std::string value = expectedValue(key);
    bool file = value.size() > 20480;
    if (kv->saveItem(key, fd::Data::create(value), file ? rt::String(key + ".bin") : rt::String(), nullptr)) {
      std::string line = "ok " + key + "\n";
      if (::write(kReportFd, line.data(), line.size()) < 0) return;
    }
  }
}

class DRKVStorageKillTest : public cachetest::TempFolderTest {};

TEST_F(DRKVStorageKillTest, EveryReportedWriteSurvivesSigkill) {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = 0;
  std::mt19937 random(12345);
  std::set<std::string> done;
  for (int round = 0; round < 15; ++round) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end may sit on the report descriptor's number: close it before the dup.
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], kReportFd);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back("KD_KV_KILL_DIR=" + dir.string());
    env.push_back("KD_KV_KILL_ROUND=" + std::to_string(round % 3));  // later rounds overwrite earlier keys
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string filter = "--gtest_filter=DRKVStorageKill.Child";
    char* argv[] = {self, filter.data(), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, self, &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);

    // Once it is writing, let it go on for a random while, then kill it wherever it is.
    std::string pending;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    char buffer[4096];
    auto started = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> deadline;
    while (!deadline || std::chrono::steady_clock::now() < *deadline) {
      ssize_t got = ::read(fds[0], buffer, sizeof buffer);
      if (got > 0) {
        pending.append(buffer, static_cast<size_t>(got));
        if (!deadline) deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20 + random() % 280);
      } else {
        if (std::chrono::steady_clock::now() - started > std::chrono::seconds(20)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ssize_t got;
    while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0) pending.append(buffer, static_cast<size_t>(got));
    ::close(fds[0]);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended by itself in round " << round;
    // Only whole report lines count.
    size_t start = 0;
    for (size_t nl; (nl = pending.find('\n', start)) != std::string::npos; start = nl + 1)
      done.insert(pending.substr(start + 3, nl - start - 3));
  }
  ASSERT_GT(done.size(), 50u) << "the child reported too few writes to mean anything";

  auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  ASSERT_TRUE(kv);
  for (const std::string& key : done) {
    auto value = kv->getItemValueForKey(rt::String(key));
    ASSERT_TRUE(value) << key;
    EXPECT_EQ(value->view(), expectedValue(key)) << key;
  }
  // Whatever else is there is whole too.
  for (int r = 0; r < 3; ++r)
    for (int i = 0; i < 400; ++i) {
      std::string key = "r" + std::to_string(r) + "-" + std::to_string(i);
      if (auto value = kv->getItemValueForKey(rt::String(key))) {
        EXPECT_EQ(value->view(), expectedValue(key)) << key;
      }
    }
}

}  // namespace
}  // namespace cache
