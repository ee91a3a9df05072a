// The article font size and the user-defaults class beneath it, with a real defaults file in a
// temporary data folder: the choice is on disk at once, survives a reload of the store, and
// the settings list shows its label when it comes back.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/cells/KDSetCell.h"
#include "app/screens/KDArticeFontSetViewController.h"
#include "app/utilities/UserDefaults.h"
#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/Number.h"
#include "tests/app/SettingsFixture.h"

namespace {

namespace fs = std::filesystem;
using apptest::SettingsTest;
using app::UserDefaults;

/// What the defaults file holds, read by a store of its own.
std::optional<std::string> onDisk(const fs::path& file, const char* key) {
  auto store = fd::UserDefaults::create(file.string());
  if (auto s = store->stringForKey(key)) return s->utf8();
  return std::nullopt;
}

fd::String labelOfRow(app::KDSetViewController& settings, int64_t row) {
  auto& table = *settings.contentView();
  table.layoutIfNeeded();
  auto cell = std::dynamic_pointer_cast<app::KDSetCell>(table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(row, 0)));
  if (!cell) return "(no row)";
  cell->layoutIfNeeded();
  return cell->contentlabel()->text();
}

TEST_F(SettingsTest, UserDefaultsWriteThroughToTheFileAndIgnoreAbsentKeys) {
  fs::path file = home / "defaults.plist";
  EXPECT_EQ(fd::UserDefaults::standardDefaultsPath().utf8(), file.string());
  EXPECT_EQ(UserDefaults::userDefaultsRead("artice_font_str"), nullptr);
  EXPECT_FALSE(UserDefaults::hasObject("artice_font_str"));
  EXPECT_EQ(UserDefaults::userDefaultsRead(""), nullptr);
  UserDefaults::userDefaultsRemove("never-stored");
  UserDefaults::userDefaultsRemove("");
  EXPECT_FALSE(fs::exists(file)) << "nothing to write yet";

  UserDefaults::userDefaultsWrite(fd::StringObject::create("大号"), "artice_font_str");
  UserDefaults::userDefaultsWrite(fd::Number::numberWithInt(7), "count");
  UserDefaults::userDefaultsWrite(fd::StringObject::create("x"), "");
  EXPECT_TRUE(UserDefaults::hasObject("artice_font_str"));
  EXPECT_EQ(UserDefaults::stringRead("artice_font_str").value_or("").utf8(), "大号");
  EXPECT_EQ(UserDefaults::stringRead("count"), std::nullopt) << "a number is not a stored string";
  EXPECT_EQ(onDisk(file, "artice_font_str"), "大号");
  EXPECT_EQ(onDisk(file, ""), std::nullopt);

  // Dropping the in-memory state keeps what is stored.
  UserDefaults::removeAllObjects();
  EXPECT_EQ(UserDefaults::stringRead("artice_font_str").value_or("").utf8(), "大号");

  UserDefaults::userDefaultsRemove("artice_font_str");
  EXPECT_FALSE(UserDefaults::hasObject("artice_font_str"));
  EXPECT_EQ(onDisk(file, "artice_font_str"), std::nullopt);
  EXPECT_TRUE(UserDefaults::hasObject("count"));
}

TEST_F(SettingsTest, EachFontChoiceIsStoredAndTheSettingsRowShowsItsLabel) {
  struct Case {
    int64_t row;
    const char* title;
    const char* css;
    const char* label;
  } cases[] = {{0, "小号字体", "font-size:26px;line-height:1.8", "小号"},
               {1, "标准字体", "font-size:30px;line-height:1.7", "标准"},
               {2, "大号字体", "font-size:32px;line-height:1.6", "大号"},
               {3, "特大号字体", "font-size:36px;line-height:1.6", "特大"}};
  fs::path file = home / "defaults.plist";
  auto settings = openSettings();
  EXPECT_EQ(labelOfRow(*settings, 1).utf8(), "标准") << "before any choice";

  bool shot = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    tapRow(*settings->contentView(), 1);
    pump();
    auto font = std::dynamic_pointer_cast<app::KDArticeFontSetViewController>(top());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->topBar().title->text().utf8(), "正文字号");
    auto& table = *font->contentView();
    ASSERT_EQ(table.numberOfRowsInSection(0), 4);
    table.layoutIfNeeded();
    auto cell = std::dynamic_pointer_cast<app::KDSetCell>(table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(c.row, 0)));
    ASSERT_NE(cell, nullptr);
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->titleLable()->text().utf8(), c.title);
    EXPECT_TRUE(cell->contentlabel()->text().isEmpty());
    if (!shot) {
      shoot("settings-font.png");
      shot = true;
    }

    // The settings list's callback must be told; wrap it to hear the label it is given.
    std::string heard;
    auto original = font->callback();
    font->getFontsizecallback([&heard, original](const fd::String& label) {
      heard = label.utf8();
      original(label);
    });
    tapRow(table, c.row);
    pump();
    EXPECT_EQ(heard, c.label);
    EXPECT_EQ(top(), settings) << "the font screen pops itself";
    EXPECT_EQ(onDisk(file, "artice_font"), c.css);
    EXPECT_EQ(onDisk(file, "artice_font_str"), c.label);
    EXPECT_EQ(labelOfRow(*settings, 1).utf8(), c.label);
  }

  // The choice outlives the store's in-memory state, as it outlives a relaunch.
  fd::UserDefaults::resetStandardUserDefaults();
  settings->contentView()->reloadData();
  EXPECT_EQ(labelOfRow(*settings, 1).utf8(), "特大");
}

}  // namespace
