#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/text/StringObject.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedEnv;
using testing::ScopedI18nSettings;

const String kFixture = String(KD_SOURCE_DIR) + "/tests/platform/foundation/fixtures/bundle";

Ref<Bundle> fixture() {
  auto b = Bundle::bundleWithPath(kFixture);
  EXPECT_TRUE(b);
  return b;
}

TEST(BundleTest, OnlyFoldersAreBundles) {
  EXPECT_FALSE(Bundle::bundleWithPath(kFixture + "/missing"));
  EXPECT_FALSE(Bundle::bundleWithPath(kFixture + "/a.png"));
  EXPECT_FALSE(Bundle::bundleWithPath(""));
  auto b = Bundle::bundleWithPath(kFixture + "/");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->bundlePath(), kFixture);
  EXPECT_EQ(b->resourcePath(), kFixture);
  EXPECT_EQ(b->bundleURL()->path(), kFixture);
  EXPECT_TRUE(Bundle::bundleWithURL(URL::fileURLWithPath(kFixture)));
}

TEST(BundleTest, ResourcesByNameAndType) {
  ScopedI18nSettings settings("GMT", "en_US", {"en-US"});
  auto b = fixture();
  struct Case {
    const char* name;
    const char* type;
    const char* directory;
    const char* found;  // relative to the bundle; null when none
  } cases[] = {
      {"a", "png", "", "a.png"},
      {"a", ".png", "", "a.png"},
      {"a.png", "", "", "a.png"},
      {"readme", "", "", "readme"},
      {"readme", "txt", "", "readme.txt"},
      {"e", "txt", "sub", "sub/e.txt"},
      {"info", "png", "PHProgressHUD.bundle", "PHProgressHUD.bundle/info.png"},
      {"PHProgressHUD", "bundle", "", "PHProgressHUD.bundle"},
      {"", "cer", "certs", "certs/backup.cer"},
      {"nope", "png", "", nullptr},
      {"e", "txt", "", nullptr},
      {"flag", "png", "", nullptr},  // only in zh-Hans.lproj
      {"", "", "", nullptr},
  };
  for (const auto& c : cases) {
    auto p = b->pathForResource(c.name, c.type, c.directory);
    if (c.found) {
      EXPECT_EQ(p, kFixture + "/" + c.found) << c.name << "." << c.type;
    } else {
      EXPECT_EQ(p, std::nullopt) << c.name << "." << c.type;
    }
  }
  auto url = b->URLForResource("a", "png");
  ASSERT_TRUE(url);
  EXPECT_TRUE(url->isFileURL());
  EXPECT_EQ(url->path(), kFixture + "/a.png");
  EXPECT_FALSE(b->URLForResource("nope", "png"));

  auto hud = Bundle::bundleWithPath(*b->pathForResource("PHProgressHUD", "bundle"));
  ASSERT_TRUE(hud);
  EXPECT_EQ(hud->pathForResource("success", "png"), kFixture + "/PHProgressHUD.bundle/success.png");
}

TEST(BundleTest, ResourcesOfAType) {
  ScopedI18nSettings settings("GMT", "en_US", {"zh-Hans-CN"});
  auto b = fixture();
  EXPECT_EQ(b->pathsForResourcesOfType("cer", "certs"),
            (std::vector<String>{kFixture + "/certs/backup.cer", kFixture + "/certs/server.cer"}));
  EXPECT_EQ(b->pathsForResourcesOfType("png"),
            (std::vector<String>{kFixture + "/a.png", kFixture + "/b.png", kFixture + "/zh-Hans.lproj/flag.png"}));
  EXPECT_TRUE(b->pathsForResourcesOfType("gif").empty());
  EXPECT_EQ(b->pathForResource("flag", "png"), kFixture + "/zh-Hans.lproj/flag.png");
}

TEST(BundleTest, PreferredLocalizations) {
  auto b = fixture();
  EXPECT_EQ(b->localizations(), (std::vector<String>{"en", "zh-Hans"}));
  struct Case {
    std::vector<String> languages;
    std::vector<String> localizations;
  } cases[] = {
      {{"zh-Hans-CN", "en"}, {"zh-Hans", "en"}},
      {{"zh-CN"}, {"zh-Hans"}},
      {{"en-GB", "zh-Hans"}, {"en", "zh-Hans"}},
      {{"fr-FR"}, {"en"}},
      {{"zh-TW"}, {"en"}},
  };
  for (const auto& c : cases) {
    ScopedI18nSettings settings("GMT", "en_US", c.languages);
    EXPECT_EQ(b->preferredLocalizations(), c.localizations) << c.languages.front();
  }
}

TEST(BundleTest, LocalizedStrings) {
  auto b = fixture();
  struct Case {
    std::vector<String> languages;
    const char* key;
    const char* value;
    const char* table;
    String expected;
  } cases[] = {
      {{"zh-Hans-CN"}, "Dismiss", "", "NKNetworking", u"\u5173\u95ed"},
      {{"zh-Hans-CN"}, "%@ Error: %ld", "", "NKNetworking", u"%1$@ \u9519\u8bef\uff1a%2$ld"},
      {{"zh-Hans-CN"}, "Only in English", "", "NKNetworking", "English only"},
      {{"zh-Hans-CN"}, "Only in Base", "", "", "From Base"},
      {{"zh-Hans-CN"}, "Hello", "", "", "Hello"},
      {{"fr"}, "Dismiss", "", "NKNetworking", "Dismiss"},
      {{"fr"}, "Missing", "", "NKNetworking", "Missing"},
      {{"fr"}, "Missing", "Fallback", "NKNetworking", "Fallback"},
      {{"fr"}, "Dismiss", "", "NoSuchTable", "Dismiss"},
  };
  for (const auto& c : cases) {
    ScopedI18nSettings settings("GMT", "en_US", c.languages);
    EXPECT_EQ(b->localizedStringForKey(c.key, c.value, c.table), c.expected) << c.key << " in " << c.table;
  }
}

TEST(BundleTest, BuiltInInformation) {
  auto b = fixture();
  String executable = String(std::filesystem::read_symlink("/proc/self/exe").filename().string());
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleExecutable")), executable);
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleName")), executable);
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleShortVersionString")), String("1.0"));
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleVersion")), String("1"));
  EXPECT_EQ(b->bundleIdentifier(), "com.kestrum." + executable);
  EXPECT_FALSE(b->objectForInfoDictionaryKey("NoSuchKey"));
  EXPECT_EQ(b->infoDictionary()->count(), 5u);
}

TEST(BundleTest, InfoPropertyListOverridesBuiltInValues) {
  auto b = Bundle::bundleWithPath(String(KD_SOURCE_DIR) + "/tests/platform/foundation/fixtures/appbundle");
  ASSERT_TRUE(b);
  String executable = String(std::filesystem::read_symlink("/proc/self/exe").filename().string());
  EXPECT_EQ(b->bundleIdentifier(), "org.kestrel.fixture");
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleShortVersionString")), String("2.3"));
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleVersion")), String("1"));
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("CFBundleExecutable")), executable);
  EXPECT_EQ(stringValue(b->objectForInfoDictionaryKey("KDTestKey")), String("value"));
  EXPECT_EQ(b->developmentLocalization(), "zh-Hans");
  ScopedI18nSettings settings("GMT", "en_US", {"fr"});
  // No French: the development localization serves, and tables may be property lists.
  EXPECT_EQ(b->preferredLocalizations(), (std::vector<String>{"zh-Hans"}));
  EXPECT_EQ(b->localizedStringForKey("Greeting", "", "Table"), String(u"\u4f60\u597d"));
  Locale::setPreferredLanguages({"en"});
  EXPECT_EQ(b->localizedStringForKey("Greeting", "", "Table"), "Hello from a property list");
}

TEST(BundleTest, MainBundle) {
  {
    ScopedEnv env("KD_BUNDLE_PATH", nullptr);
    // Wherever the build folder is, the program finds the source tree's resources through it.
    std::filesystem::path found = Bundle::mainBundlePathFromEnvironment().utf8();
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::equivalent(found, KD_SOURCE_DIR "/resources", ec)) << found;
  }
  {
    ScopedEnv env("KD_BUNDLE_PATH", kFixture.utf8().c_str());
    Bundle::setMainBundle(nullptr);
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), kFixture);
    EXPECT_EQ(Bundle::mainBundle().get(), Bundle::mainBundle().get());
    EXPECT_EQ(Bundle::bundleForClass(Bundle::classObject()).get(), Bundle::mainBundle().get());
    ScopedI18nSettings settings("GMT", "en_US", {"zh-Hans"});
    EXPECT_EQ(localizedString("Error", "NKNetworking"), String(u"\u9519\u8bef"));
    EXPECT_EQ(localizedString("Unknown", "NKNetworking"), "Unknown");
  }
  auto other = fixture();
  Bundle::setMainBundle(other);
  EXPECT_EQ(Bundle::mainBundle().get(), other.get());
  Bundle::setMainBundle(nullptr);
}

}  // namespace
}  // namespace fd
