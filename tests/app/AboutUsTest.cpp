// The about page: the service's text with the version line after a blank line, centred with a
// line spacing of 15, scrolling when long; a refusal or a failure leaves only the icon.
#include <gtest/gtest.h>

#include "app/screens/KDAboutUsViewController.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/ParagraphStyle.h"
#include "tests/app/SettingsFixture.h"
#include "tools/sample-service/service/Catalog.h"

namespace {

using apptest::SettingsTest;

class AboutUsTest : public SettingsTest {
 protected:
  Ref<app::KDAboutUsViewController> openAbout() {
    auto settings = openSettings();
    auto about = rt::make<app::KDAboutUsViewController>();
    nav->pushViewController(about, false);
    pump();
    EXPECT_TRUE(finishRequest(30));
    pump();
    return about;
  }
};

TEST_F(AboutUsTest, ShowsTheServiceTextThenTheVersionCentredUnderTheIcon) {
  const auto& catalog = startSampleService().catalog();
  auto about = openAbout();
  EXPECT_EQ(about->topBar().title->text().utf8(), "关于我们");
  // The title runs from 50 points in on the left to 40 points in on the right, its centre
  // 10 points below the bar's.
  EXPECT_EQ(about->topBar().title->frame(), (gfx::Rect{{50, 64 / 2 + 10 - 15}, {375 - 90, 30}}));
  auto label = about->content();
  EXPECT_EQ(label->text().utf8(), catalog.about() + " \n\n 版本:V1.24");
  auto text = label->attributedText();
  ASSERT_NE(text, nullptr);
  typeset::Range range{0, 0};
  auto attributes = text->attributesAtIndex(0, &range);
  ASSERT_NE(attributes, nullptr);
  auto style = rt::as<typeset::ParagraphStyle>(attributes->objectForKey(typeset::ParagraphStyleAttributeName));
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(range.length, text->length()) << "one style over the whole text";
  EXPECT_EQ(style->lineSpacing(), 15);
  EXPECT_EQ(style->alignment(), typeset::TextAlignment::Center);
  EXPECT_EQ(label->numberOfLines(), 0);

  auto& scroll = *about->contentView();
  EXPECT_EQ(scroll.frame(), (gfx::Rect{{0, 64}, {375, 667 - 64}}));
  auto icon = about->iconView()->frame();
  ASSERT_NE(about->iconView()->image(), nullptr);
  EXPECT_EQ(icon.origin.y, 20);
  EXPECT_DOUBLE_EQ(icon.origin.x + icon.size.width / 2, 375 / 2.0);
  EXPECT_EQ(label->frame().origin.y, icon.origin.y + icon.size.height + 10);
  EXPECT_EQ(label->frame().origin.x, 10);
  EXPECT_EQ(label->frame().size.width, 375 - 20);
  EXPECT_GT(label->frame().size.height, 3 * 14) << "the text wraps onto several lines";
  EXPECT_TRUE(shownErrors().empty());
  shoot("about.png");
}

TEST_F(AboutUsTest, ALongTextScrollsAndKeepsTheVersionLineLast) {
  startScriptedServer();
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "禾岚区融媒体中心出品，欢迎您提出宝贵意见。";
  script("App/about_us", R"({"status":200,"info":"ok","data":")" + long_text + R"("})");
  auto about = openAbout();
  auto& scroll = *about->contentView();
  auto label = about->content()->frame();
  EXPECT_GT(scroll.contentSize().height, scroll.bounds().size.height);
  EXPECT_DOUBLE_EQ(scroll.contentSize().height, label.origin.y + label.size.height + 10);
  EXPECT_TRUE(about->content()->text().hasSuffix(" \n\n 版本:V1.24"));
  EXPECT_TRUE(about->content()->text().hasPrefix(fd::String(long_text)));
  shoot("about-long.png");
}

TEST_F(AboutUsTest, ARefusalOrAFailureLeavesOnlyTheIcon) {
  startScriptedServer();
  for (const char* answer : {R"({"status":500,"info":"维护中","data":null})", "not json"}) {
    SCOPED_TRACE(answer);
    script("App/about_us", answer);
    auto about = openAbout();
    EXPECT_TRUE(about->content()->text().isEmpty());
    EXPECT_NE(about->iconView()->image(), nullptr);
    window->setRootViewController(nullptr);
  }
  // The unparsable answer is a transport failure the client reports itself.
  EXPECT_EQ(shownErrors().size(), 1u);
}

TEST(AboutText, AnswerWithoutATextShowsTheVersionLineAlone) {
  EXPECT_EQ(app::KDAboutUsViewController::aboutText(nullptr).utf8(), " \n\n 版本:V1.24");
}

}  // namespace
