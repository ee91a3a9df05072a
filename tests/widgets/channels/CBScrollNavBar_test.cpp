// The title bar: item sizes, where a tapped title brings the bar, the font and colour blend
// between pages, and what it does with no titles or a page width of zero.
#include <cmath>

#include "../WidgetTestFixture.h"
#include "widgets/channels/CBScrollNavBar.h"

using namespace widgets;
using widgets::testing::WidgetTest;

namespace {

std::vector<rt::String> titles(size_t n) {
  std::vector<rt::String> out;
  for (size_t i = 0; i < n; ++i) out.push_back(rt::String::format("频道%d", static_cast<int>(i)));
  return out;
}

class NavBarTest : public WidgetTest {
 protected:
  Ref<CBScrollNavBar> bar(size_t n, gfx::Rect frame, bool sortButton = false) {
    auto b = rt::make<CBScrollNavBar>();
    b->setFrame(frame);
    b->setIsShowSortButton(sortButton);
    window->addSubview(b);
    b->setItemKeys(titles(n));
    b->layoutIfNeeded();
    return b;
  }
  static double fontSize(const Ref<ui::Button>& b) { return b->titleLabel()->font()->pointSize(); }
};

}  // namespace

TEST_F(NavBarTest, ItemWidthsFillANarrowRowOrStayAt75) {
  struct Case {
    size_t n;
    bool sort;
    double itemW, contentW;
  } cases[] = {{10, false, 75, 750}, {3, false, 80, 225}, {3, true, (240 - 44) / 3.0, 225}};
  for (const auto& c : cases) {
    auto b = bar(c.n, gfx::RectMake(0, 20, 240, 44), c.sort);
    EXPECT_DOUBLE_EQ(b->itemW(), c.itemW) << c.n << c.sort;
    EXPECT_DOUBLE_EQ(b->contentSize().width, c.contentW) << c.n << c.sort;
    gfx::Rect f = b->getItemWithIndex(1)->frame();
    EXPECT_NEAR(f.origin.x, c.itemW, 1e-9) << c.n << c.sort;
    EXPECT_NEAR(f.size.width, c.itemW, 1e-9) << c.n << c.sort;
    EXPECT_EQ(f.size.height, 44) << c.n << c.sort;
    b->removeFromSuperview();
  }
}

TEST_F(NavBarTest, ATappedTitleIsBroughtIntoView) {
  auto b = bar(10, gfx::RectMake(0, 20, 240, 44));
  struct Case {
    int64_t index;
    double offset;
  } cases[] = {{8, 510}, {5, 5 * 75 + 37.5 - 120}, {2, 0}};
  for (const auto& c : cases) {
    b->buttonClick(b->getItemWithIndex(c.index));
    advance(0.5);
    EXPECT_DOUBLE_EQ(b->contentOffset().x, c.offset) << c.index;
    EXPECT_EQ(b->currectItem(), b->getItemWithIndex(c.index));
    EXPECT_TRUE(b->getItemWithIndex(c.index)->isSelected());
  }
}

TEST_F(NavBarTest, FontSizesKeepTheirLimits) {
  auto b = bar(3, gfx::RectMake(0, 0, 240, 44));
  b->setMaxFontSize(10);
  EXPECT_EQ(b->maxFontSize(), 21);
  b->setMaxFontSize(11);
  EXPECT_EQ(b->maxFontSize(), 11);
  b->setMinFontSize(18);
  EXPECT_EQ(fontSize(b->getItemWithIndex(2)), 18);
}

TEST_F(NavBarTest, HalfwayBetweenPagesBothTitlesAreHalfway) {
  auto b = bar(3, gfx::RectMake(0, 0, 240, 44));
  b->setMinFontSize(16);
  b->setMaxFontSize(21);
  b->setTitleNormalColor(gfx::Color::colorWithRed(0, 0, 0, 1));
  b->setTitleSelectedColor(gfx::Color::colorWithRed(1, 0, 0.5, 1));
  b->changeButtonFontWithOffset(160, 320);
  EXPECT_DOUBLE_EQ(fontSize(b->getItemWithIndex(0)), 18.5);
  EXPECT_DOUBLE_EQ(fontSize(b->getItemWithIndex(1)), 18.5);
  auto color = b->getItemWithIndex(1)->titleColorForState(ui::ControlStateNormal);
  double r = 0, g = 0, bl = 0, a = 0;
  ASSERT_TRUE(color->getRed(&r, &g, &bl, &a));
  EXPECT_NEAR(r, 0.5, 1e-9);
  EXPECT_NEAR(bl, 0.25, 1e-9);

  // A quarter of the way: the front title is nearer the largest size; the titles left behind
  // go back to the smallest.
  b->changeButtonFontWithOffset(320 + 80, 320);
  EXPECT_DOUBLE_EQ(fontSize(b->getItemWithIndex(1)), 16 + 0.75 * 5);
  EXPECT_DOUBLE_EQ(fontSize(b->getItemWithIndex(2)), 16 + 0.25 * 5);
  EXPECT_DOUBLE_EQ(fontSize(b->getItemWithIndex(0)), 16);
  EXPECT_EQ(b->currctIndex(), 1);
}

TEST_F(NavBarTest, ABounceBeforeTheFirstPageNeverGrowsATitlePastTheLargestSize) {
  auto b = bar(3, gfx::RectMake(0, 0, 240, 44));
  b->setMinFontSize(16);
  b->setMaxFontSize(21);
  b->changeButtonFontWithOffset(-100, 320);
  EXPECT_DOUBLE_EQ(fontSize(b->getItemWithIndex(0)), 21);
  b->changeButtonFontWithOffset(3 * 320 + 50, 320);  // past the last page
  EXPECT_EQ(b->currctIndex(), 2);
}

TEST_F(NavBarTest, NoTitlesOrNoWidthChangeNothing) {
  auto empty = bar(0, gfx::RectMake(0, 0, 240, 44));
  EXPECT_TRUE(empty->itemsDic().empty());
  EXPECT_EQ(empty->itemW(), 0);
  empty->changeButtonFontWithOffset(100, 320);
  EXPECT_FALSE(empty->firstButton());

  auto b = bar(3, gfx::RectMake(0, 0, 240, 44));
  double before = fontSize(b->getItemWithIndex(1));
  b->changeButtonFontWithOffset(160, 0);
  EXPECT_EQ(fontSize(b->getItemWithIndex(1)), before);
}

TEST_F(NavBarTest, LaterTitlesOnlyReorderTheFirstButtons) {
  auto b = bar(3, gfx::RectMake(0, 0, 240, 44));
  auto first = b->itemsDic();
  b->setItemKeys({"频道2", "频道0", "新的"});
  b->layoutButtons();
  EXPECT_EQ(b->itemsDic().size(), 3u);
  EXPECT_EQ(b->itemsDic().count("新的"), 0u);
  EXPECT_EQ(b->getItemWithIndex(0), first.at("频道2"));
  EXPECT_EQ(b->getItemWithIndex(0)->frame().origin.x, 0);
  EXPECT_EQ(first.at("频道0")->tag(), 1);
  EXPECT_FALSE(b->getItemWithIndex(2));
}

TEST(ColorRGBATest, ComponentsComeFromRGBAndGreyColoursOnly) {
  struct Case {
    Ref<gfx::Color> color;
    RGBA expected;
  } cases[] = {{gfx::Color::colorWithRed(0.1, 0.2, 0.3, 0.4), {0.1, 0.2, 0.3, 0.4}},
               {gfx::Color::colorWithWhite(0.5, 0.8), {0.5, 0.5, 0.5, 0.8}},
               {gfx::Color::colorWithCMYK(0.1, 0.2, 0.3, 0.4, 1), {0, 0, 0, 0}},
               {nullptr, {0, 0, 0, 0}}};
  for (const auto& c : cases) {
    RGBA got = ColorRGBAComponents(c.color);
    EXPECT_DOUBLE_EQ(got.red, c.expected.red);
    EXPECT_DOUBLE_EQ(got.green, c.expected.green);
    EXPECT_DOUBLE_EQ(got.blue, c.expected.blue);
    EXPECT_DOUBLE_EQ(got.alpha, c.expected.alpha);
  }
}
