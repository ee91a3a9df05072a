#include <gtest/gtest.h>

#include "app/categories/Color+Category.h"
#include "app/categories/View+Category.h"
#include "app/categories/View+Extension.h"
#include "app/utilities/QPUitools.h"
#include "platform/foundation/time/TimeZone.h"

namespace {

struct RGBA {
  double r, g, b, a;
};

RGBA rgba(const Ref<gfx::Color>& c) {
  RGBA out{};
  EXPECT_TRUE(c->getRed(&out.r, &out.g, &out.b, &out.a));
  return out;
}

TEST(UICategories, HexColourAcceptsSixDigitsWithPrefixesCaseAndBlanks) {
  for (const char* text : {"#FF8000", "0XFF8000", "0x#ff8000", " \n ff8000 \n", "#ff8000"}) {
    RGBA c = rgba(app::colorWithHexString(text, 0.5));
    EXPECT_NEAR(c.r, 1, 1e-6) << text;
    EXPECT_NEAR(c.g, 128 / 255.0, 1e-6) << text;
    EXPECT_NEAR(c.b, 0, 1e-6) << text;
    EXPECT_NEAR(c.a, 0.5, 1e-6) << text;
  }
}

TEST(UICategories, HexColourOfAnyOtherLengthIsClearAndABadPairCountsAsZero) {
  for (const char* text : {"#FFF", "FF800", "#FF8000AA", "", "0X#FF80"}) EXPECT_NEAR(rgba(app::colorWithHexString(text, 1)).a, 0, 1e-9) << text;
  RGBA c = rgba(app::colorWithHexString("ZZ8000", 1));
  EXPECT_EQ(c.r, 0);
  EXPECT_NEAR(c.g, 128 / 255.0, 1e-6);
}

TEST(UICategories, PaletteHoldsTheApplicationColours) {
  RGBA select = rgba(app::customSelectColor());
  EXPECT_NEAR(select.r * 255, 200, 1e-3);
  EXPECT_NEAR(select.g * 255, 20, 1e-3);
  EXPECT_NEAR(select.b * 255, 0, 1e-3);
  RGBA black = rgba(app::customTextBlackColor());
  EXPECT_NEAR(black.g * 255, 50, 1e-3);
  EXPECT_NEAR(rgba(app::customLineGreyColor()).b * 255, 230, 1e-3);
}

TEST(UICategories, FrameSettersKeepTheOtherCoordinates) {
  auto v = rt::make<ui::View>(gfx::Rect{{10, 20}, {30, 40}});
  app::setWidth(*v, 100);
  EXPECT_EQ(v->frame(), (gfx::Rect{{10, 20}, {100, 40}}));
  app::setY(*v, 5);
  EXPECT_EQ(v->frame(), (gfx::Rect{{10, 5}, {100, 40}}));
  app::setCenterX(*v, 0);
  EXPECT_EQ(v->frame(), (gfx::Rect{{-50, 5}, {100, 40}}));
  app::setSize(*v, {2, 3});
  EXPECT_EQ(app::x(*v), -50);
  EXPECT_EQ(app::height(*v), 3);
}

TEST(UICategories, ViewControllerIsTheOwnerAlongTheChainOrNull) {
  auto loose = rt::make<ui::View>();
  EXPECT_EQ(app::viewController(*loose), nullptr);
  auto vc = rt::make<ui::ViewController>();
  auto child = rt::make<ui::View>();
  vc->view()->addSubview(child);
  EXPECT_EQ(app::viewController(*child), vc);
  app::removeAllSubviews(*vc->view());
  EXPECT_TRUE(vc->view()->subviews().empty());
}

TEST(QPUitools, HexStringToColourIsBlackForAnythingButSixDigits) {
  for (const char* text : {"ff8800", "FF8800", "#ff8800", "0Xff8800", "0X#FF8800", "  ff8800\n"}) {
    RGBA c = rgba(app::QPUitools::hexStringToColor(text));
    EXPECT_NEAR(c.r * 255, 255, 1e-3) << text;
    EXPECT_NEAR(c.g * 255, 136, 1e-3) << text;
    EXPECT_NEAR(c.b * 255, 0, 1e-3) << text;
  }
  for (const char* text : {"ff88", "#ff880"}) {
    RGBA c = rgba(app::QPUitools::hexStringToColor(text));
    EXPECT_EQ(c.r + c.g + c.b, 0) << text;
    EXPECT_EQ(c.a, 1) << text;
  }
}

TEST(QPUitools, GreatCircleDistance) {
  EXPECT_NEAR(app::QPUitools::distanceBetweenOrderBy(30.5, 30.5, 120.1, 120.1), 0, 1e-9);
  EXPECT_NEAR(app::QPUitools::distanceBetweenOrderBy(0, 0, 0, 180), 20015.1, 0.5);
}

TEST(QPUitools, DatesAndTimestamps) {
  auto previous = fd::TimeZone::defaultTimeZone();
  fd::TimeZone::setDefaultTimeZone(fd::TimeZone::timeZoneWithName("UTC"));
  EXPECT_EQ(app::QPUitools::getDataStr("57600").utf8(), "1970年01月02日");
  EXPECT_EQ(app::QPUitools::DateTransForString("57600").utf8(), "1970年01月01日");
  auto date = app::QPUitools::getDateWith("2020-02-29");
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(app::QPUitools::getDateCuoWith("2020-02-29").utf8(), "1582934400");
  EXPECT_EQ(app::QPUitools::getDateWith("29.02.2020"), nullptr);
  EXPECT_EQ(app::QPUitools::getDateCuoWith("not a date").utf8(), "0");
  EXPECT_FALSE(app::QPUitools::eqDateWithFirstDate(date, date));
  EXPECT_TRUE(app::QPUitools::eqDateWithFirstDate(app::QPUitools::getDateWith("2020-03-01"), date));
  fd::TimeZone::setDefaultTimeZone(previous);
}

TEST(QPUitools, ParsesJSONOrAnswersNull) {
  auto parsed = app::QPUitools::parseJSONStringToNSDictionary(R"({"a": [1, "x"]})");
  ASSERT_NE(parsed, nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<fd::Dictionary>(parsed), nullptr);
  EXPECT_EQ(app::QPUitools::parseJSONStringToNSDictionary("{\"a\": "), nullptr);
}

TEST(QPUitools, FactoriesAddToTheSuperviewWithTheirStyle) {
  auto parent = rt::make<ui::View>();
  auto title = app::QPUitools::createTitleLabelForSupeView(*parent);
  auto content = app::QPUitools::createContentLabelWithSupeView(*parent, 2);
  auto line = app::QPUitools::createLineViewForSupeView(*parent);
  ASSERT_EQ(parent->subviews().size(), 3u);
  EXPECT_EQ(title->superview(), parent);
  EXPECT_DOUBLE_EQ(title->font()->pointSize(), 16);
  EXPECT_DOUBLE_EQ(content->font()->pointSize(), 13);
  EXPECT_EQ(content->numberOfLines(), 2);
  EXPECT_NEAR(rgba(line->backgroundColor()).r * 255, 230, 1e-3);
}

}  // namespace

#include "app/categories/Image+Category.h"
#include "app/categories/ImageView+Category.h"
#include "app/categories/Label+Category.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageContext.h"

namespace {

// A w x h image: red left half, blue right half.
Ref<gfx::Image> halves(double w, double h) {
  gfx::beginImageContextWithOptions({w, h}, true, 1);
  auto c = gfx::currentContext();
  c->setFillColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  c->fillRect({{0, 0}, {w / 2, h}});
  c->setFillColor(gfx::Color::colorWithRed(0, 0, 1, 1));
  c->fillRect({{w / 2, 0}, {w / 2, h}});
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

TEST(UICategories, AspectFitScalingCentresAndStretchFills) {
  auto image = halves(200, 100);
  // The same argument to both: the name alone says which scaling is done.
  auto fit = app::aspectFitToSize(image, gfx::Size{100, 100});
  ASSERT_NE(fit, nullptr);
  auto bitmap = fit->CGImage();
  EXPECT_EQ(bitmap->width(), 100u);
  EXPECT_EQ(bitmap->pixel(50, 10) >> 24, 0u);   // above the fitted picture: transparent
  EXPECT_EQ(bitmap->pixel(10, 50) & 0xffffff, 0xff0000u);
  EXPECT_EQ(bitmap->pixel(90, 50) & 0xffffff, 0x0000ffu);
  auto stretched = app::stretchToSize(image, gfx::Size{40, 40})->CGImage();
  EXPECT_EQ(stretched->pixel(5, 2) & 0xffffff, 0xff0000u);
  EXPECT_EQ(stretched->pixel(20, 0) >> 24, 0xffu) << "a stretch leaves no transparent band";
  EXPECT_EQ(stretched->pixel(35, 38) & 0xffffff, 0x0000ffu);
}

TEST(UICategories, FillingAnImageViewCutsTheCentredPartOfTheCoveringScale) {
  // A wide picture in a square view keeps its middle: half red, half blue.
  auto view = rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {50, 50}});
  app::SetImageForSelf(*view, halves(300, 100));
  ASSERT_NE(view->image(), nullptr);
  auto bitmap = view->image()->CGImage();
  EXPECT_EQ(bitmap->width(), 50u);
  EXPECT_EQ(bitmap->height(), 50u);
  EXPECT_EQ(bitmap->pixel(5, 25) & 0xffffff, 0xff0000u);
  EXPECT_EQ(bitmap->pixel(45, 25) & 0xffffff, 0x0000ffu);
}

TEST(UICategories, LabelTextHeightGrowsWithWrappedLines) {
  auto label = rt::make<ui::Label>();
  label->setText("禾岚新闻");
  double one = app::boundingRectWithSize(*label, {1000, 1000}, 16);
  label->setText("禾岚新闻禾岚新闻禾岚新闻禾岚新闻禾岚新闻禾岚新闻");
  double many = app::boundingRectWithSize(*label, {100, 1000}, 16);
  EXPECT_GT(one, 10);
  EXPECT_GT(many, one * 3);
}

}  // namespace
