#include <gtest/gtest.h>

#include <functional>

#include "text/model/ParagraphStyle+DRText.h"

using namespace text;
using namespace typeset;
using Specifier = typeset::ParagraphStyleSpecifier;

namespace {

// Every field of the style, each set to a value away from the default, with its check.
struct FieldCase {
  const char* name;
  std::function<void(MutableParagraphStyle&)> set;
  std::function<bool(const ParagraphStyle&)> holds;
};

const std::vector<FieldCase>& fieldCases() {
  static const std::vector<FieldCase> cases = {
      {"lineSpacing", [](auto& s) { s.setLineSpacing(3.25); }, [](auto& s) { return s.lineSpacing() == 3.25; }},
      {"paragraphSpacing", [](auto& s) { s.setParagraphSpacing(7.5); },
       [](auto& s) { return s.paragraphSpacing() == 7.5; }},
      {"alignment", [](auto& s) { s.setAlignment(TextAlignment::Right); },
       [](auto& s) { return s.alignment() == TextAlignment::Right; }},
      {"firstLineHeadIndent", [](auto& s) { s.setFirstLineHeadIndent(12.5); },
       [](auto& s) { return s.firstLineHeadIndent() == 12.5; }},
      {"headIndent", [](auto& s) { s.setHeadIndent(4.75); }, [](auto& s) { return s.headIndent() == 4.75; }},
      {"tailIndent", [](auto& s) { s.setTailIndent(-9.5); }, [](auto& s) { return s.tailIndent() == -9.5; }},
      {"lineBreakMode", [](auto& s) { s.setLineBreakMode(LineBreakMode::ByTruncatingMiddle); },
       [](auto& s) { return s.lineBreakMode() == LineBreakMode::ByTruncatingMiddle; }},
      {"minimumLineHeight", [](auto& s) { s.setMinimumLineHeight(18); },
       [](auto& s) { return s.minimumLineHeight() == 18; }},
      {"maximumLineHeight", [](auto& s) { s.setMaximumLineHeight(30.5); },
       [](auto& s) { return s.maximumLineHeight() == 30.5; }},
      {"baseWritingDirection", [](auto& s) { s.setBaseWritingDirection(WritingDirection::RightToLeft); },
       [](auto& s) { return s.baseWritingDirection() == WritingDirection::RightToLeft; }},
      {"lineHeightMultiple", [](auto& s) { s.setLineHeightMultiple(1.375); },
       [](auto& s) { return s.lineHeightMultiple() == 1.375; }},
      {"paragraphSpacingBefore", [](auto& s) { s.setParagraphSpacingBefore(2.125); },
       [](auto& s) { return s.paragraphSpacingBefore() == 2.125; }},
      {"tabStops",
       [](auto& s) { s.setTabStops({TextTab::create(TextAlignment::Center, 33), TextTab::create(TextAlignment::Right, 80)}); },
       [](auto& s) {
         return s.tabStops().size() == 2 && s.tabStops()[0]->alignment() == TextAlignment::Center &&
                s.tabStops()[0]->location() == 33 && s.tabStops()[1]->alignment() == TextAlignment::Right &&
                s.tabStops()[1]->location() == 80;
       }},
      {"defaultTabInterval", [](auto& s) { s.setDefaultTabInterval(36); },
       [](auto& s) { return s.defaultTabInterval() == 36; }},
  };
  return cases;
}

}  // namespace

TEST(ParagraphStyleDRText, EverySpecifierGoesBothWays) {
  for (const auto& c : fieldCases()) {
    auto style = rt::as<MutableParagraphStyle>(ParagraphStyle::defaultParagraphStyle()->mutableCopy());
    ASSERT_FALSE(c.holds(*style)) << c.name << " is already the default";
    c.set(*style);
    auto ct = CTStyle(*style);
    ASSERT_TRUE(ct) << c.name;
    EXPECT_TRUE(c.holds(*ct)) << c.name << " lost on the way to the typesetter";
    auto back = styleWithCTStyle(ct);
    ASSERT_TRUE(back) << c.name;
    EXPECT_TRUE(c.holds(*back)) << c.name << " lost on the way back";
    EXPECT_TRUE(back->isEqual(style.get())) << c.name;
  }
}

TEST(ParagraphStyleDRText, AllFieldsTogetherRoundTrip) {
  auto style = MutableParagraphStyle::create();
  for (const auto& c : fieldCases()) c.set(*style);
  auto back = styleWithCTStyle(CTStyle(*style));
  ASSERT_TRUE(back);
  for (const auto& c : fieldCases()) EXPECT_TRUE(c.holds(*back)) << c.name;
}

TEST(ParagraphStyleDRText, SettingsInTableOrderWithTabsOnlyWhenPresent) {
  const Specifier order[] = {Specifier::LineSpacing,       Specifier::ParagraphSpacing,
                             Specifier::Alignment,         Specifier::FirstLineHeadIndent,
                             Specifier::HeadIndent,        Specifier::TailIndent,
                             Specifier::LineBreakMode,     Specifier::MinimumLineHeight,
                             Specifier::MaximumLineHeight, Specifier::BaseWritingDirection,
                             Specifier::LineHeightMultiple, Specifier::ParagraphSpacingBefore,
                             Specifier::TabStops,          Specifier::DefaultTabInterval};
  auto style = MutableParagraphStyle::create();
  style->setTabStops({});
  auto noTabs = paragraphSettings(*style);
  ASSERT_EQ(noTabs->settings.size(), 13u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(noTabs->settings[i].specifier, order[i]) << i;
  EXPECT_EQ(noTabs->settings[12].specifier, Specifier::DefaultTabInterval);

  style->addTabStop(TextTab::create(TextAlignment::Left, 10));
  auto withTabs = paragraphSettings(*style);
  ASSERT_EQ(withTabs->settings.size(), 14u);
  for (size_t i = 0; i < 14; ++i) EXPECT_EQ(withTabs->settings[i].specifier, order[i]) << i;
}

TEST(ParagraphStyleDRText, OnlyAlignmentGivesTheDefaultButForAlignment) {
  EXPECT_FALSE(styleWithCTStyle(nullptr));
  uint8_t centre = static_cast<uint8_t>(CTTextAlignment::Center);
  ParagraphStyleSetting setting{Specifier::Alignment, sizeof centre, &centre};
  auto ct = ParagraphStyle::createWithSettings(&setting, 1);
  auto style = styleWithCTStyle(ct);
  ASSERT_TRUE(style);
  EXPECT_EQ(style->alignment(), TextAlignment::Center);
  auto expected = rt::as<MutableParagraphStyle>(ParagraphStyle::defaultParagraphStyle()->mutableCopy());
  expected->setAlignment(TextAlignment::Center);
  EXPECT_TRUE(style->isEqual(expected.get()));  // the default tab stops stay
}
