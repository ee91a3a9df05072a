#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <cctype>
#include <cstdio>
#include <thread>

#include "platform/foundation/Log.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

// True when `text` has the shape of `pattern`, where "#" stands for one decimal digit and
// "*" for one or more; every other character stands for itself.
bool hasShape(const std::string& text, const std::string& pattern) {
  size_t t = 0;
  for (char p : pattern) {
    if (p == '#' || p == '*') {
      if (t >= text.size() || !std::isdigit(static_cast<unsigned char>(text[t]))) return false;
      ++t;
      while (p == '*' && t < text.size() && std::isdigit(static_cast<unsigned char>(text[t]))) ++t;
    } else if (t >= text.size() || text[t++] != p) {
      return false;
    }
  }
  return t == text.size();
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogSink([this](const String& m) { lines.push_back(m); });
  }
  void TearDown() override { setLogSink(nullptr); }
  std::vector<String> lines;
};

TEST_F(LogTest, SinkReceivesTheExactMessage) {
  log("plain");
  NSLog("%s(%d): %@", "-[DRKVStorage _dbOpen]", 42, String("open failed"));
  NSLog("%s line:%d ", "reload", 7);
  NSLog("jsonValueDecoded error:%@", nullptr);
  EXPECT_EQ(lines, (std::vector<String>{"plain", "-[DRKVStorage _dbOpen](42): open failed", "reload line:7 ",
                                        "jsonValueDecoded error:(null)"}));
}

TEST_F(LogTest, MessagesFromManyThreadsArriveWhole) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 100; ++i) NSLog("thread %d message %d", t, i);
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_EQ(lines.size(), 800u);
  std::vector<int> perThread(8, 0);
  for (const auto& l : lines) {
    ASSERT_TRUE(hasShape(l.utf8(), "thread # message *")) << l;
    int t = 0, i = 0;
    std::sscanf(l.utf8().c_str(), "thread %d message %d", &t, &i);
    ASSERT_LT(t, 8);
    EXPECT_EQ(i, perThread[t]++);  // each thread's messages in its own order
  }
}

TEST_F(LogTest, SinkMayReplaceItselfWhileRunning) {
  std::vector<String> second;
  setLogSink([&](const String& m) {
    lines.push_back(m);
    setLogSink([&](const String& n) { second.push_back(n); });
  });
  log("one");
  log("two");
  EXPECT_EQ(lines, (std::vector<String>{"one"}));
  EXPECT_EQ(second, (std::vector<String>{"two"}));
}

TEST(LogDefaultTest, WritesALineWithDateProcessAndThreadToStandardError) {
  testing::ScopedI18nSettings settings("Asia/Shanghai", "en_US");
  setLogSink(nullptr);
  ::testing::internal::CaptureStderr();
  log(String(u"hello \u4e16\u754c"));
  std::string out = ::testing::internal::GetCapturedStderr();
  std::string name = std::filesystem::read_symlink("/proc/self/exe").filename().string();
  EXPECT_TRUE(hasShape(out, "####-##-## ##:##:##.###+0800 " + name + "[" + std::to_string(getpid()) +
                               ":*] hello \xe4\xb8\x96\xe7\x95\x8c\n"))
      << out;
}

}  // namespace
}  // namespace fd
