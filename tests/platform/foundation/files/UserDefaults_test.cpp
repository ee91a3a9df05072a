#include <gtest/gtest.h>

#include <fstream>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/files/UserDefaults.h"
#include "tests/platform/foundation/files/FileManagerTestSupport.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

using UserDefaultsTest = TempFolderTest;

TEST_F(UserDefaultsTest, ValuesSurviveANewStoreOnTheSameFile) {
  String file = path("prefs/defaults.plist");
  auto when = Date::dateWithTimeIntervalSince1970(1700000000.0);
  {
    auto d = UserDefaults::create(file);
    d->setObject(StringObject::create("Songti"), "artice_font_str");
    d->setObject(when, "KMRefreshHeaderLastUpdatedTimeKey");
    d->setInteger(3, "artice_font");
    d->setObject(Array::create({StringObject::create("a"), StringObject::create("b")}), "list");
  }
  auto data = dataWithContentsOfFile(file);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->view().substr(0, 8), "bplist00");
  auto d = UserDefaults::create(file);
  EXPECT_EQ(d->stringForKey("artice_font_str"), String("Songti"));
  auto date = rt::as<Date>(d->objectForKey("KMRefreshHeaderLastUpdatedTimeKey"));
  ASSERT_TRUE(date);
  // Property-list dates keep whole seconds.
  EXPECT_DOUBLE_EQ(date->timeIntervalSince1970(), 1700000000.0);
  EXPECT_EQ(d->integerForKey("artice_font"), 3);
  ASSERT_TRUE(d->stringArrayForKey("list"));
  EXPECT_EQ(d->stringArrayForKey("list")->count(), 2u);

  d->removeObjectForKey("artice_font");
  d->setObject(nullptr, "artice_font_str");
  auto again = UserDefaults::create(file);
  EXPECT_EQ(again->objectForKey("artice_font"), nullptr);
  EXPECT_EQ(again->objectForKey("artice_font_str"), nullptr);
  EXPECT_TRUE(again->objectForKey("list"));
}

TEST_F(UserDefaultsTest, TypedGettersConvertAsThePlatformDoes) {
  auto d = UserDefaults::create(path("defaults.plist"));
  struct Case { const char* label; Id value; std::optional<String> asString; int64_t asInteger; bool asBool; double asDouble; };
  const Case cases[] = {
      {"YES", StringObject::create("YES"), String("YES"), 0, true, 0},
      {"1", StringObject::create("1"), String("1"), 1, true, 1},
      {"no", StringObject::create("no"), String("no"), 0, false, 0},
      {"42.5", StringObject::create("42.5"), String("42.5"), 42, true, 42.5},
      {"7", Number::numberWithInt(7), String("7"), 7, true, 7},
      {"2.5", Number::numberWithDouble(2.5), String("2.5"), 2, true, 2.5},
      {"false", Number::numberWithBool(false), String("0"), 0, false, 0},
      {"array", Array::create({Number::numberWithInt(1)}), std::nullopt, 0, false, 0},
      {"missing", nullptr, std::nullopt, 0, false, 0},
  };
  for (auto& c : cases) {
    d->setObject(c.value, "k");
    EXPECT_EQ(d->stringForKey("k"), c.asString) << c.label;
    EXPECT_EQ(d->integerForKey("k"), c.asInteger) << c.label;
    EXPECT_EQ(d->boolForKey("k"), c.asBool) << c.label;
    EXPECT_DOUBLE_EQ(d->doubleForKey("k"), c.asDouble) << c.label;
    EXPECT_FLOAT_EQ(d->floatForKey("k"), float(c.asDouble)) << c.label;
  }
  d->setObject(Data::create("xyz"), "bytes");
  ASSERT_TRUE(d->dataForKey("bytes"));
  EXPECT_EQ(d->dataForKey("bytes")->view(), "xyz");
  EXPECT_EQ(d->arrayForKey("bytes"), nullptr);
  EXPECT_EQ(d->dictionaryForKey("bytes"), nullptr);
}

TEST_F(UserDefaultsTest, RegisteredDefaultsSitUnderStoredValuesAndAreNeverWritten) {
  String file = path("defaults.plist");
  auto d = UserDefaults::create(file);
  d->registerDefaults(Dictionary::withStrings({{"volume", Number::numberWithInt(5)}, {"name", StringObject::create("x")}}));
  EXPECT_EQ(d->integerForKey("volume"), 5);
  d->setInteger(9, "volume");
  EXPECT_EQ(d->integerForKey("volume"), 9);
  EXPECT_EQ(d->dictionaryRepresentation()->count(), 2u);
  d->removeObjectForKey("volume");
  EXPECT_EQ(d->integerForKey("volume"), 5);
  d->setBool(true, "flag");
  auto reopened = UserDefaults::create(file);
  EXPECT_EQ(reopened->objectForKey("volume"), nullptr);
  EXPECT_EQ(reopened->objectForKey("name"), nullptr);
  EXPECT_TRUE(reopened->boolForKey("flag"));
}

TEST_F(UserDefaultsTest, StoredValuesAreCopiesAndNonPropertyListValuesRaise) {
  auto d = UserDefaults::create(path("defaults.plist"));
  auto text = MutableStringObject::create("before");
  d->setObject(text, "text");
  text->setString("after");
  EXPECT_EQ(d->stringForKey("text"), String("before"));
  EXPECT_THROW(d->setObject(rt::make<LoopTestTarget>(), "bad"), rt::Exception);
  EXPECT_EQ(d->objectForKey("bad"), nullptr);
}

TEST_F(UserDefaultsTest, ACorruptFileReadsAsEmptyAndIsReplaced) {
  String file = path("defaults.plist");
  std::ofstream(file.utf8()) << "not a property list";
  auto d = UserDefaults::create(file);
  EXPECT_EQ(d->dictionaryRepresentation()->count(), 0u);
  d->setDouble(1.25, "scale");
  EXPECT_DOUBLE_EQ(UserDefaults::create(file)->doubleForKey("scale"), 1.25);
}

TEST_F(UserDefaultsTest, TheStandardStoreFollowsTheEnvironmentAndResetDropsOnlyMemory) {
  setEnv("KD_DEFAULTS_PATH", path("standard/defaults.plist"));
  UserDefaults::resetStandardUserDefaults();
  auto first = UserDefaults::standardUserDefaults();
  EXPECT_EQ(first->path(), String(path("standard/defaults.plist")));
  EXPECT_EQ(UserDefaults::standardUserDefaults(), first);
  first->setObject(StringObject::create("kept"), "value");
  first->registerDefaults(Dictionary::withStrings({{"registered", Number::numberWithInt(1)}}));
  UserDefaults::resetStandardUserDefaults();
  auto second = UserDefaults::standardUserDefaults();
  EXPECT_NE(second, first);
  EXPECT_EQ(second->stringForKey("value"), String("kept"));
  EXPECT_EQ(second->objectForKey("registered"), nullptr);
  EXPECT_TRUE(second->synchronize());
  UserDefaults::resetStandardUserDefaults();

  unsetEnv("KD_DEFAULTS_PATH");
  setEnv("KD_HOME_OVERRIDE", root_);
  setEnv("KD_APP_NAME", "district");
  EXPECT_EQ(UserDefaults::standardDefaultsPath(), String(path(".config/district/defaults.plist")));
}

}  // namespace
}  // namespace fd::testing
