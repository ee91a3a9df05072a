#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/foundation/text/Transliteration.h"

namespace fd {
namespace {

TEST(TransformTest, ToASCII) {
  const String kTransform = "Any-Latin; Latin-ASCII; [:^ASCII:] Remove";
  struct Case {
    String in;
    const char* out;
  } cases[] = {
      {u"\u4e2d\u6587", "zhong wen"},
      {u"Caf\u00e9", "Cafe"},
      {u"\u041f\u0440\u0438\u0432\u0435\u0442", "Privet"},
      {u"x\U0001F600y", "xy"},
      {"plain", "plain"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(applyTransform(c.in, kTransform), String(c.out)) << c.in;
}

TEST(TransformTest, ReverseAndInvalid) {
  auto hexed = applyTransform("a", "Any-Hex");
  ASSERT_TRUE(hexed);
  EXPECT_EQ(*hexed, "\\u0061");
  EXPECT_EQ(applyTransform(*hexed, "Any-Hex", true), String("a"));
  EXPECT_EQ(applyTransform("a", "No-Such-Transform"), std::nullopt);
  EXPECT_EQ(applyTransform("a", "No-Such-Transform"), std::nullopt);  // remembered failures stay failures
}

TEST(TransformTest, SeveralThreadsShareOneTransform) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        if (applyTransform(u"\u4e2d", "Any-Latin; Latin-ASCII") != String("zhong")) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace fd
