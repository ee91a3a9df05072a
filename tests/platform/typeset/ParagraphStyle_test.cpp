#include <gtest/gtest.h>

#include "platform/runtime/Exception.h"
#include "platform/typeset/ParagraphStyle.h"

using namespace typeset;

TEST(ParagraphStyle, SettingsRoundTripEverySpecifier) {
  uint8_t align = static_cast<uint8_t>(CTTextAlignment::Center), mode = static_cast<uint8_t>(LineBreakMode::ByTruncatingTail);
  int8_t direction = 1;
  double values[] = {15, 4, 3, 10, 20, -5, 30, 40, 1.5, 6, 7};
  std::vector<Ref<TextTab>> tabs{TextTab::create(TextAlignment::Right, 50)};
  using S = ParagraphStyleSpecifier;
  S doubles[] = {S::LineSpacing, S::ParagraphSpacing, S::FirstLineHeadIndent, S::HeadIndent, S::ParagraphSpacingBefore,
                 S::TailIndent, S::MinimumLineHeight, S::MaximumLineHeight, S::LineHeightMultiple, S::DefaultTabInterval};
  std::vector<ParagraphStyleSetting> settings{{S::Alignment, 1, &align},
                                              {S::LineBreakMode, 1, &mode},
                                              {S::BaseWritingDirection, 1, &direction},
                                              {S::TabStops, sizeof(tabs), &tabs}};
  for (size_t i = 0; i < std::size(doubles); ++i) settings.push_back({doubles[i], sizeof(double), &values[i]});
  auto style = ParagraphStyle::createWithSettings(settings.data(), settings.size());

  EXPECT_EQ(style->alignment(), TextAlignment::Center);
  EXPECT_EQ(style->lineBreakMode(), LineBreakMode::ByTruncatingTail);
  EXPECT_EQ(style->baseWritingDirection(), WritingDirection::RightToLeft);
  EXPECT_EQ(style->lineSpacing(), 15);
  EXPECT_EQ(style->tailIndent(), -5);
  for (size_t i = 0; i < std::size(doubles); ++i) {
    double v = 0;
    EXPECT_TRUE(style->getValueForSpecifier(doubles[i], sizeof v, &v));
    EXPECT_EQ(v, values[i]) << static_cast<int>(doubles[i]);
  }
  uint8_t byte = 0;
  EXPECT_TRUE(style->getValueForSpecifier(S::Alignment, 1, &byte));
  EXPECT_EQ(byte, align);
  EXPECT_FALSE(style->getValueForSpecifier(S::Alignment, 8, &byte));
  std::vector<Ref<TextTab>> back;
  EXPECT_TRUE(style->getValueForSpecifier(S::TabStops, sizeof back, &back));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0]->location(), 50);

  double bad = 1;
  ParagraphStyleSetting wrong{S::Alignment, sizeof bad, &bad};
  EXPECT_THROW(ParagraphStyle::createWithSettings(&wrong, 1), rt::Exception);
}

TEST(ParagraphStyle, AlignmentConversionsAreInverse) {
  for (auto a : {TextAlignment::Left, TextAlignment::Center, TextAlignment::Right, TextAlignment::Justified,
                 TextAlignment::Natural})
    EXPECT_EQ(TextAlignmentFromCTTextAlignment(TextAlignmentToCTTextAlignment(a)), a);
  EXPECT_EQ(TextAlignmentToCTTextAlignment(TextAlignment::Right), CTTextAlignment::Right);
  EXPECT_EQ(static_cast<int>(TextAlignmentToCTTextAlignment(TextAlignment::Center)), 2);
}

TEST(ParagraphStyle, DefaultAndMutableCopies) {
  const auto& def = ParagraphStyle::defaultParagraphStyle();
  EXPECT_EQ(def->alignment(), TextAlignment::Natural);
  EXPECT_EQ(def->lineBreakMode(), LineBreakMode::ByWordWrapping);
  EXPECT_EQ(def->baseWritingDirection(), WritingDirection::Natural);
  auto m = rt::as<MutableParagraphStyle>(def->mutableCopy());
  ASSERT_TRUE(m);
  EXPECT_TRUE(m->isEqual(def.get()));
  m->setLineSpacing(15);
  m->setAlignment(TextAlignment::Center);
  EXPECT_FALSE(m->isEqual(def.get()));
  auto frozen = rt::as<ParagraphStyle>(m->copy());
  EXPECT_TRUE(frozen->isEqual(m.get()));
  EXPECT_FALSE(rt::as<MutableParagraphStyle>(frozen));
  EXPECT_EQ(def->lineSpacing(), 0);
}
