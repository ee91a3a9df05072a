// The channel bar as a whole: its set-up, its height, pages that follow drags and taps with
// the titles blending along, and the editor opening, switching to delete mode and closing.
#include <cmath>

#include "ChannelBarFixture.h"
#include "platform/ui/input/TouchInput.h"

using namespace widgets;
using widgets::testing::ChannelBarTest;

namespace {

const std::vector<rt::String> kTitles{"要闻", "本地", "民生", "文化", "体育"};

bool isWhite(const Ref<gfx::Color>& c) { return c && c->isEqual(gfx::Color::whiteColor()); }

}  // namespace

TEST_F(ChannelBarTest, AfterSetUpOnlyTheBarAndTheMoreButtonShowTheBackground) {
  auto plain = rt::make<CBCursor>();
  EXPECT_TRUE(plain->backgroundColor()->isEqual(gfx::Color::clearColor()));
  EXPECT_TRUE(isWhite(plain->scrollNavBar()->backgroundColor()));
  EXPECT_TRUE(isWhite(plain->sortButton()->backgroundColor()));
  plain->setBackgroundColor(gfx::Color::blueColor());
  EXPECT_TRUE(plain->backgroundColor()->isEqual(gfx::Color::clearColor()));
  EXPECT_TRUE(plain->scrollNavBar()->backgroundColor()->isEqual(gfx::Color::blueColor()));
  EXPECT_TRUE(plain->sortButton()->backgroundColor()->isEqual(gfx::Color::blueColor()));
  // Back to front: pages, editor, bar, more, confirm, caption.
  const auto& order = plain->subviews();
  ASSERT_EQ(order.size(), 6u);
  EXPECT_EQ(order[0], plain->rootScrollView());
  EXPECT_EQ(order[1], plain->sortItmView());
  EXPECT_EQ(order[2], plain->scrollNavBar());
  EXPECT_EQ(order[5], plain->tipsLabel());
  EXPECT_TRUE(plain->sortItmView()->isHidden());
  EXPECT_TRUE(plain->sortButton()->isHidden());
  EXPECT_EQ(plain->confirmButton()->alpha(), 0);
}

TEST_F(ChannelBarTest, TheFirstHeightGrowsTheViewAndLaterOnesOnlyThePages) {
  build(kTitles, false);
  EXPECT_EQ(cursor->frame().size.height, 568);
  EXPECT_EQ(cursor->navBarH(), 64);
  EXPECT_EQ(cursor->rootScrollView()->frame(), gfx::RectMake(0, 64, 375, 504));
  cursor->setRootScrollViewHeight(400);
  cursor->setscrollNavBarFrame(gfx::RectMake(0, 0, 375, 30));  // the pages still start at 64
  cursor->setNeedsLayout();
  cursor->layoutIfNeeded();
  EXPECT_EQ(cursor->frame().size.height, 568);
  EXPECT_EQ(cursor->rootScrollView()->frame(), gfx::RectMake(0, 64, 375, 400));
}

TEST_F(ChannelBarTest, RepeatedTitlesAreRefused) {
  struct Case {
    std::vector<rt::String> titles;
    bool repeated;
  } cases[] = {{{"甲", "乙", "甲"}, true}, {{"甲", "乙"}, false}, {{}, false}};
  for (const auto& c : cases) EXPECT_EQ(CBCursor::checkisHaveSameItem(c.titles), c.repeated);

  build(kTitles, false);
  cursor->setTitles({"要闻", "要闻"});
  EXPECT_EQ(cursor->titles(), kTitles);
  EXPECT_EQ(cursor->scrollNavBar()->itemKeys(), kTitles);
}

TEST_F(ChannelBarTest, DraggingThePagesBlendsTheTitlesAndSelectsWhereTheSwipeRests) {
  build(kTitles, false);
  auto bar = cursor->scrollNavBar();
  auto pages = cursor->rootScrollView();
  EXPECT_EQ(screen->pages.front(), 0u);
  EXPECT_EQ(fontSize(bar->getItemWithIndex(0)), 21);

  ui::TouchInput input(window);
  auto finger = input.down({300, 300});
  for (int i = 1; i <= 10; ++i) {
    ui::TouchInput::wait(0.05);
    input.move(finger, {300 - 17.0 * i, 300});
  }
  double x = pages->contentOffset().x;
  ASSERT_GT(x, 100);
  ASSERT_LT(x, 375);
  double p = x / 375;
  EXPECT_NEAR(fontSize(bar->getItemWithIndex(0)), 16 + (1 - p) * 5, 1e-9);
  EXPECT_NEAR(fontSize(bar->getItemWithIndex(1)), 16 + p * 5, 1e-9);
  EXPECT_EQ(pages->displayingPageViews().size(), 2u);
  EXPECT_EQ(screen->pages.back(), 1u);

  // The channel bar over its pages, mid-drag: both pages and the titles are drawn.
  auto shot = shoot("channel-bar-mid-drag");
  ASSERT_TRUE(shot);
  uint32_t barBackground = pixelAt(shot, {370, 25});
  for (int64_t i = 0; i < 2; ++i) {
    gfx::Rect title = bar->getItemWithIndex(i)->convertRectToView(bar->getItemWithIndex(i)->bounds(), window.get());
    EXPECT_GT(inkIn(shot, gfx::RectInset(title, 4, 4), barBackground), 30) << i;
  }
  uint32_t page0 = pixelAt(shot, {5, 300}), page1 = pixelAt(shot, {370, 300});
  EXPECT_NE(page0, page1);

  input.up(finger);
  advance(1.0);
  EXPECT_DOUBLE_EQ(pages->contentOffset().x, 375);
  EXPECT_EQ(bar->currectItem(), bar->getItemWithIndex(1));
  EXPECT_EQ(fontSize(bar->getItemWithIndex(1)), 21);
  EXPECT_EQ(fontSize(bar->getItemWithIndex(0)), 16);
}

TEST_F(ChannelBarTest, ATapOnATitleTurnsThePagesToIt) {
  build(kTitles, false);
  ui::TouchInput(window).tap(itemCenter(3));
  advance(0.5);
  EXPECT_DOUBLE_EQ(cursor->rootScrollView()->contentOffset().x, 3 * 375);
  EXPECT_EQ(cursor->scrollNavBar()->currectItem(), cursor->scrollNavBar()->getItemWithIndex(3));
  EXPECT_EQ(screen->pages.back(), 3u);
  EXPECT_EQ(fontSize(cursor->scrollNavBar()->getItemWithIndex(3)), 21);
}

TEST_F(ChannelBarTest, TheEditorOpensSwitchesToDeleteModeAndClosesBack) {
  build(kTitles, true);
  auto bar = cursor->scrollNavBar();
  auto more = cursor->sortButton();
  auto confirm = cursor->confirmButton();
  auto editor = cursor->sortItmView();
  ASSERT_FALSE(more->isHidden());
  ui::TouchInput(window).tap(centerOf(more));
  EXPECT_TRUE(more->isSelected());
  EXPECT_FALSE(more->isEnabled());
  EXPECT_FALSE(editor->isHidden());
  EXPECT_FALSE(bar->isUserInteractionEnabled());
  EXPECT_FALSE(cursor->rootScrollView()->isUserInteractionEnabled());
  EXPECT_EQ(editor->selectButtonTitle(), rt::String("要闻"));
  advance(2.0);
  EXPECT_EQ(editor->frame().origin.y, CBCursor::kEditorOpenY);
  EXPECT_TRUE(more->isEnabled());
  EXPECT_EQ(confirm->alpha(), 1);
  EXPECT_DOUBLE_EQ(cursor->tipsLabel()->frame().origin.x, 37.5);
  for (int64_t i = 0; i < 5; ++i) EXPECT_EQ(bar->getItemWithIndex(i)->frame().origin.y, 88) << i;
  EXPECT_EQ(confirm->currentTitle(), rt::String("排序删除"));

  ui::TouchInput(window).tap(centerOf(confirm));
  EXPECT_TRUE(editor->isScareing());
  EXPECT_EQ(confirm->currentTitle(), rt::String("完成"));
  EXPECT_TRUE(editor->getSortButtonWithTitle("民生")->isScareing());

  // Closing from delete mode leaves delete mode first.
  ui::TouchInput(window).tap(centerOf(more));
  EXPECT_FALSE(editor->isScareing());
  EXPECT_EQ(confirm->currentTitle(), rt::String("排序删除"));
  EXPECT_FALSE(more->isSelected());
  advance(2.0);
  EXPECT_TRUE(editor->isHidden());
  EXPECT_TRUE(confirm->isHidden());
  EXPECT_TRUE(bar->isUserInteractionEnabled());
  EXPECT_EQ(editor->frame().origin.y, 64 * 0.5 - 360);
  for (int64_t i = 0; i < 5; ++i) EXPECT_EQ(bar->getItemWithIndex(i)->frame().origin.y, 0) << i;
}
