// The channel editor: its grid, reordering by long-press drags, deleting in delete mode, the
// notifications the title bar follows, and the editor drawn in delete mode.
#include <cmath>

#include "ChannelBarFixture.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/input/TouchInput.h"
#include "widgets/channels/CBItemManager.h"
#include "widgets/channels/CBNotificationNames.h"

using namespace widgets;
using widgets::testing::ChannelBarTest;
using widgets::testing::Heard;

namespace {

const std::vector<rt::String> kABCD{"甲", "乙", "丙", "丁"};
using Keys = std::vector<rt::String>;

class EditorTest : public ChannelBarTest {
 protected:
  void open(const std::vector<rt::String>& titles) {
    build(titles, true);
    listen({CBScrollNavBarUpdateNotification, CBMoveToSelectedItemNotification, CBMoveToTopNotification});
    ui::TouchInput(window).tap(centerOf(cursor->sortButton()));
    advance(2.0);
    editor = cursor->sortItmView();
  }
  gfx::Point buttonCenter(const rt::String& title) { return centerOf(editor->getSortButtonWithTitle(title)); }
  gfx::Rect tile(size_t k) { return editor->positionViews()[k]->frame(); }
  /// A long press on `from`, then a drag to `to`, then the finger lifts.
  /// `steps` 1 jumps straight there; more steps pass over the buttons between, and a last
  /// nudge after the shifts have ended lets the target's place be taken too.
  void pressAndDrag(gfx::Point from, gfx::Point to, int steps = 1) {
    ui::TouchInput input(window);
    auto finger = input.down(from);
    ui::TouchInput::wait(1.1);
    for (int i = 1; i <= steps; ++i) {
      ui::TouchInput::wait(0.05);
      input.move(finger, {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    }
    ui::TouchInput::wait(0.4);
    input.move(finger, {to.x + 1, to.y});
    ui::TouchInput::wait(0.4);
    input.up(finger);
    advance(1.0);
  }
  Ref<CBSortItemView> editor;
};

std::vector<Heard> reorderNotes(const char* shown) {
  return {{CBScrollNavBarUpdateNotification, ""}, {CBMoveToSelectedItemNotification, shown}};
}

}  // namespace

TEST_F(EditorTest, TheGridHasFourColumnsWithEqualGaps) {
  auto grid = rt::make<CBSortItemView>();
  grid->setFrame(gfx::RectMake(0, 0, 320, 500));
  grid->setItemKeys({"一", "二", "三", "四", "五", "六", "七"});
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->getSortButtonWithKeyIndex(0)->frame(), gfx::RectMake(24, 135, 50, 30));
  EXPECT_EQ(grid->getSortButtonWithKeyIndex(1)->frame(), gfx::RectMake(98, 135, 50, 30));
  EXPECT_EQ(grid->getSortButtonWithKeyIndex(4)->frame(), gfx::RectMake(24, 190, 50, 30));
  EXPECT_EQ(grid->positionViews()[6]->frame(), grid->getSortButtonWithKeyIndex(6)->frame());
  EXPECT_EQ(grid->getSortButtonWithKeyIndex(3)->tag(), 3);
}

TEST_F(EditorTest, DraggingAForwardTitleShiftsTheOthersBack) {
  open(kABCD);
  gfx::Rect tile3 = tile(3);
  pressAndDrag(buttonCenter("乙"), buttonCenter("丁"));
  EXPECT_EQ(editor->tmpKeys(), (Keys{"甲", "丙", "丁", "乙"}));
  EXPECT_EQ(editor->getSortButtonWithTitle("丙")->frame(), tile(1));
  EXPECT_EQ(editor->getSortButtonWithTitle("丁")->frame(), tile(2));
  EXPECT_EQ(editor->getSortButtonWithTitle("乙")->frame(), tile3);
  EXPECT_FALSE(editor->getSortButtonWithTitle("乙")->isScareing());
  EXPECT_EQ(heard, reorderNotes("甲"));
  // The bar and the pages take the same order and keep the channel shown selected.
  auto bar = cursor->scrollNavBar();
  EXPECT_EQ(bar->tmpKeys(), (Keys{"甲", "丙", "丁", "乙"}));
  EXPECT_EQ(bar->getItemWithIndex(3)->currentTitle(), rt::String("乙"));
  EXPECT_EQ(bar->currectItem(), bar->getItemWithIndex(0));
  EXPECT_EQ(cursor->rootScrollView()->pageViews()[3], pageViews[1]);
  EXPECT_EQ(editor->itemManager()->titles(), (Keys{"甲", "丙", "丁", "乙"}));
}

TEST_F(EditorTest, DraggingABackTitleShiftsTheOthersOn) {
  open(kABCD);
  pressAndDrag(buttonCenter("丁"), buttonCenter("乙"), 8);  // over 丙 on the way
  EXPECT_EQ(editor->tmpKeys(), (Keys{"甲", "丁", "乙", "丙"}));
  EXPECT_EQ(editor->getSortButtonWithTitle("乙")->frame(), tile(2));
  EXPECT_EQ(editor->getSortButtonWithTitle("丁")->frame(), tile(1));
  EXPECT_EQ(cursor->scrollNavBar()->tmpKeys(), (Keys{"甲", "丁", "乙", "丙"}));
}

TEST_F(EditorTest, APressOnNoButtonDragsNothing) {
  open(kABCD);
  pressAndDrag(buttonCenter("乙"), buttonCenter("丁"));
  heard.clear();
  gfx::Rect dropped = editor->getSortButtonWithTitle("乙")->frame();
  gfx::Point empty = editor->convertPointToView({160, 400}, window.get());
  pressAndDrag(empty, buttonCenter("甲"));
  EXPECT_EQ(editor->getSortButtonWithTitle("乙")->frame(), dropped);
  EXPECT_EQ(editor->tmpKeys(), (Keys{"甲", "丙", "丁", "乙"}));
  EXPECT_TRUE(heard.empty());
}

TEST_F(EditorTest, ALostTouchPutsTheDraggedButtonDown) {
  open(kABCD);
  gfx::Rect home = editor->getSortButtonWithTitle("乙")->frame();
  ui::TouchInput input(window);
  auto finger = input.down(buttonCenter("乙"));
  ui::TouchInput::wait(1.1);
  input.move(finger, {200, 500});
  input.cancel({finger});
  advance(1.0);
  EXPECT_EQ(editor->getSortButtonWithTitle("乙")->frame(), home);
  EXPECT_FALSE(editor->getSortButtonWithTitle("乙")->isScareing());
  EXPECT_EQ(editor->tmpKeys(), kABCD);
}

TEST_F(EditorTest, DeletingClosesTheGapOneButtonAfterAnother) {
  build(kABCD, true);
  ui::TouchInput(window).tap(itemCenter(2));  // show 丙
  advance(0.5);
  listen({CBScrollNavBarUpdateNotification, CBMoveToSelectedItemNotification, CBMoveToTopNotification});
  ui::TouchInput(window).tap(centerOf(cursor->sortButton()));
  advance(2.0);
  editor = cursor->sortItmView();
  EXPECT_EQ(editor->selectButtonTitle(), rt::String("丙"));
  ui::TouchInput(window).tap(centerOf(cursor->confirmButton()));
  gfx::Rect t1 = tile(1), t2 = tile(2), t3 = tile(3);

  ui::TouchInput(window).tap(buttonCenter("乙"));
  EXPECT_EQ(editor->tmpKeys(), (Keys{"甲", "丙", "丁"}));
  EXPECT_EQ(heard, (std::vector<Heard>{{CBScrollNavBarUpdateNotification, "乙"}, {CBMoveToSelectedItemNotification, "丙"}}));
  advance(0.015);
  EXPECT_EQ(editor->getSortButtonWithTitle("丙")->frame(), t2);
  advance(0.01);
  EXPECT_EQ(editor->getSortButtonWithTitle("丙")->frame(), t1);
  EXPECT_EQ(editor->getSortButtonWithTitle("丁")->frame(), t3);
  advance(0.02);
  EXPECT_EQ(editor->getSortButtonWithTitle("丁")->frame(), t2);
  advance(0.5);
  EXPECT_EQ(editor->positionViews().size(), 3u);
  auto bar = cursor->scrollNavBar();
  EXPECT_EQ(bar->tmpKeys(), (Keys{"甲", "丙", "丁"}));
  EXPECT_EQ(bar->currectItem(), bar->getItemWithIndex(1));
  EXPECT_DOUBLE_EQ(cursor->rootScrollView()->contentOffset().x, 375);
  EXPECT_EQ(cursor->rootScrollView()->pageViews().size(), 3u);
  EXPECT_TRUE(pageViews[1]->isHidden());
}

TEST_F(EditorTest, TwoBarsAliveTogetherEachFollowOnlyTheirOwnEditor) {
  // The other bar, like the audio-visual tab's beside the news tab's, shares a title.
  const Keys otherTitles{"甲", "乙", "戊", "己"};
  build(otherTitles, true);
  auto other = cursor;
  auto otherPages = pageViews;
  other->setHidden(true);  // out of the touches' way, still alive and listening
  build(kABCD, true);
  ASSERT_NE(other, cursor);

  ui::TouchInput(window).tap(centerOf(cursor->sortButton()));
  advance(2.0);
  editor = cursor->sortItmView();
  ui::TouchInput(window).tap(centerOf(cursor->confirmButton()));
  ui::TouchInput(window).tap(buttonCenter("乙"));
  advance(1.0);
  EXPECT_EQ(cursor->scrollNavBar()->tmpKeys(), (Keys{"甲", "丙", "丁"}));
  EXPECT_EQ(editor->itemManager()->titles(), (Keys{"甲", "丙", "丁"}));

  // The other bar keeps its titles, its pages and its store.
  auto otherBar = other->scrollNavBar();
  EXPECT_EQ(otherBar->tmpKeys(), otherTitles);
  EXPECT_EQ(other->sortItmView()->itemManager()->titles(), otherTitles);
  EXPECT_NE(other->sortItmView()->itemManager(), editor->itemManager());
  EXPECT_FALSE(otherPages[1]->isHidden()) << "its own page of the same title stays";
  EXPECT_EQ(other->rootScrollView()->pageViews().size(), 4u);
  EXPECT_EQ(otherBar->currectItem(), otherBar->getItemWithIndex(0));
}

TEST_F(EditorTest, DeletingTheChannelShownMovesToTheFirst) {
  open(kABCD);
  ui::TouchInput(window).tap(centerOf(cursor->confirmButton()));
  ui::TouchInput(window).tap(buttonCenter("甲"));
  EXPECT_EQ(heard, (std::vector<Heard>{{CBScrollNavBarUpdateNotification, "甲"}, {CBMoveToTopNotification, "甲"}}));
  EXPECT_EQ(editor->selectButtonTitle(), rt::String("乙"));
  EXPECT_TRUE(editor->getSortButtonWithTitle("乙")->titleColorForState(ui::ControlStateNormal)->isEqual(
      gfx::Color::redColor()));
  advance(0.5);
  EXPECT_EQ(cursor->scrollNavBar()->currectItem(), cursor->scrollNavBar()->getItemWithIndex(0));
  EXPECT_EQ(cursor->scrollNavBar()->getItemWithIndex(0)->currentTitle(), rt::String("乙"));
}

TEST_F(EditorTest, TheLastChannelIsNeverDeleted) {
  open({"甲"});
  ui::TouchInput(window).tap(centerOf(cursor->confirmButton()));
  ui::TouchInput(window).tap(buttonCenter("甲"));
  EXPECT_EQ(editor->tmpKeys(), (Keys{"甲"}));
  EXPECT_TRUE(heard.empty());
}

TEST_F(EditorTest, DeleteModeIgnoresLongPressesAndOrderingModeOnlyWiggles) {
  open(kABCD);
  ui::TouchInput(window).tap(buttonCenter("丙"));
  EXPECT_EQ(editor->tmpKeys(), kABCD);
  advance(0.0125);
  EXPECT_NE(rt::as<fd::Number>(editor->getSortButtonWithTitle("丙")->layer()->presentationLayer()->valueForKeyPath(
                "transform.rotation"))->doubleValue(),
            0);

  ui::TouchInput(window).tap(centerOf(cursor->confirmButton()));
  heard.clear();
  pressAndDrag(buttonCenter("乙"), buttonCenter("丁"));
  EXPECT_EQ(editor->tmpKeys(), kABCD);
  EXPECT_TRUE(heard.empty());
}

TEST_F(EditorTest, DrawnInDeleteModeTheButtonsShowTitlesAndBadges) {
  open(kABCD);
  ui::TouchInput(window).tap(centerOf(cursor->confirmButton()));
  advance(0.5);
  auto shot = shoot("channel-editor-delete-mode");
  ASSERT_TRUE(shot);
  for (const auto& title : kABCD) {
    auto button = editor->getSortButtonWithTitle(title);
    gfx::Rect frame = button->convertRectToView(button->bounds(), window.get());
    uint32_t green = pixelAt(shot, {frame.origin.x + 4, gfx::RectGetMaxY(frame) - 3});
    EXPECT_GT(inkIn(shot, gfx::RectInset(frame, 8, 6), green), 20) << title.utf8();
    // The red badge over the top-left corner.
    int red = 0;
    for (double y = -5; y <= 9; y += 0.5)
      for (double x = -5; x <= 9; x += 0.5) {
        uint32_t p = pixelAt(shot, {frame.origin.x + x, frame.origin.y + y});
        red += ((p >> 16) & 0xff) > 180 && ((p >> 8) & 0xff) < 90 && (p & 0xff) < 90;
      }
    EXPECT_GT(red, 40) << title.utf8();
  }
}
