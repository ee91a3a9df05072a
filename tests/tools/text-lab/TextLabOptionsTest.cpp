// The text lab's command line: both option spellings, and a clear message for each mistake.
#include <gtest/gtest.h>

#include "tools/text-lab/TLLabOptions.h"

using textlab::parseLabOptions;

TEST(TextLabOptions, ReadsBothSpellingsOfEveryOption) {
  std::string error;
  auto spaced = parseLabOptions({"--headless", "--script", "a.txt", "--out", "shots", "--keyboard", "none"}, &error);
  ASSERT_TRUE(spaced) << error;
  EXPECT_TRUE(spaced->headless);
  EXPECT_EQ(spaced->script, "a.txt");
  EXPECT_EQ(spaced->outDir, "shots");
  EXPECT_EQ(spaced->keyboard, "none");
  auto joined = parseLabOptions({"--script=b.txt", "--out=o", "--keyboard=on-screen"}, &error);
  ASSERT_TRUE(joined) << error;
  EXPECT_FALSE(joined->headless);
  EXPECT_EQ(joined->script, "b.txt");
  EXPECT_EQ(joined->outDir, "o");
  EXPECT_EQ(joined->keyboard, "on-screen");
  auto none = parseLabOptions({}, &error);
  ASSERT_TRUE(none);
  EXPECT_FALSE(none->script || none->outDir || none->keyboard || none->headless || none->help);
  EXPECT_TRUE(parseLabOptions({"-h"}, &error)->help);
}

TEST(TextLabOptions, RefusesBadCommandLines) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--fly"}, "unknown option --fly"},
      {{"--out"}, "--out needs a value"},
      {{"--out="}, "--out needs a value"},
      {{"--headless=yes"}, "--headless takes no value"},
      {{"--keyboard", "big"}, "--keyboard takes none or on-screen"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parseLabOptions(c.args, &error)) << c.message;
    EXPECT_EQ(error, c.message);
  }
}
