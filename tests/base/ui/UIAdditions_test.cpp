#include <gtest/gtest.h>

#include <cmath>

#include "base/ui/BlockTargets.h"
#include "base/ui/Layer+DUDer.h"
#include "base/ui/ScrollView+DUDer.h"
#include "base/ui/View+DUDer.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TapGestureRecognizer.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/lists/TableViewCell.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/Window.h"

namespace base {
namespace {

class UIAdditionsTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
};

TEST_F(UIAdditionsTest, VisibleAlphaAndOwningController) {
  auto window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
  window->makeKeyAndVisible();
  auto outer = rt::make<ui::View>(gfx::RectMake(0, 0, 100, 100));
  auto inner = rt::make<ui::View>(gfx::RectMake(10, 10, 50, 50));
  outer->addSubview(inner);
  EXPECT_EQ(visibleAlpha(*inner), 0);  // not in a window
  window->addSubview(outer);
  outer->setAlpha(0.5);
  inner->setAlpha(0.5);
  EXPECT_DOUBLE_EQ(visibleAlpha(*inner), 0.25);
  outer->setHidden(true);
  EXPECT_EQ(visibleAlpha(*inner), 0);
  EXPECT_DOUBLE_EQ(visibleAlpha(*window), 1);

  auto controller = rt::make<ui::ViewController>();
  auto root = controller->view();
  auto child = rt::make<ui::View>(gfx::RectMake(0, 0, 10, 10));
  root->addSubview(child);
  EXPECT_EQ(viewController(*child), controller);
  EXPECT_EQ(viewController(*inner), nullptr);
}

TEST_F(UIAdditionsTest, ConversionsPassThroughBothWindows) {
  auto a = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
  auto b = rt::make<ui::Window>(gfx::RectMake(100, 200, 320, 480));
  auto inA = rt::make<ui::View>(gfx::RectMake(10, 20, 50, 50));
  auto inB = rt::make<ui::View>(gfx::RectMake(5, 5, 50, 50));
  a->addSubview(inA);
  b->addSubview(inB);
  // (1,1) in inA is (11,21) on screen, which is (-89,-179) in b and (-94,-184) in inB.
  auto near = [](gfx::Point p, double x, double y) { return std::abs(p.x - x) < 1e-9 && std::abs(p.y - y) < 1e-9; };
  EXPECT_TRUE(near(convertPointToViewOrWindow(*inA, {1, 1}, inB.get()), -94, -184));
  EXPECT_TRUE(near(convertPointFromViewOrWindow(*inB, {1, 1}, inA.get()), -94, -184));
  gfx::Rect r = convertRectToViewOrWindow(*inA, gfx::RectMake(1, 1, 3, 3), inB.get());
  EXPECT_TRUE(near(r.origin, -94, -184));
  EXPECT_NEAR(r.size.width, 3, 1e-9);
  EXPECT_TRUE(near(convertPointToViewOrWindow(*inA, {1, 1}, nullptr), 11, 21));
}

TEST_F(UIAdditionsTest, LayerFramePartsSnapshotsAndFade) {
  auto layer = rt::make<ui::Layer>();
  layer->setFrame(gfx::RectMake(0, 0, 30, 20));
  setRight(*layer, 100);
  EXPECT_EQ(left(*layer), 70);
  setCenterY(*layer, 50);
  EXPECT_EQ(top(*layer), 40);
  setTransformValue(*layer, "transform.scale", 2);
  EXPECT_DOUBLE_EQ(transformValue(*layer, "transform.scale"), 2);
  setTransformDepth(*layer, -1.0 / 500);
  EXPECT_DOUBLE_EQ(transformDepth(*layer), -1.0 / 500);

  addFadeAnimation(*layer, 0, 0);
  EXPECT_TRUE(layer->animationKeys().empty());
  addFadeAnimation(*layer, 0.3, 2);
  EXPECT_EQ(layer->animationKeys(), std::vector<rt::String>{"durar.fade"});
  removePreviousFadeAnimation(*layer);
  EXPECT_TRUE(layer->animationKeys().empty());

  auto view = rt::make<ui::View>(gfx::RectMake(0, 0, 40, 30));
  view->setBackgroundColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  auto image = snapshotImage(*view);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), gfx::SizeMake(40, 30));
  auto pdf = snapshotPDF(*view);
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->view().substr(0, 5), "%PDF-");
}

/// Places its only subview in its right half when laid out.
class SplitView : public ui::View {
  RT_CLASS(SplitView, ui::View)
 public:
  using ui::View::init;
  void layoutSubviews() override {
    if (!subviews().empty()) subviews().front()->setFrame(gfx::RectMake(20, 0, 20, 30));
  }
};
RT_IMPLEMENT(SplitView) {}

TEST_F(UIAdditionsTest, HierarchySnapshotShowsTheLaidOutViewWithEitherFlag) {
  auto view = rt::make<SplitView>(gfx::RectMake(0, 0, 40, 30));
  view->setBackgroundColor(gfx::Color::whiteColor());
  auto red = rt::make<ui::View>(gfx::RectMake(0, 0, 20, 30));
  red->setBackgroundColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  view->addSubview(red);
  // The pixel at (x, 15) in points, at the image's scale.
  auto pixel = [](const Ref<gfx::Image>& image, double x) {
    return image->CGImage()->pixel(static_cast<size_t>(x * image->scale()), static_cast<size_t>(15 * image->scale()));
  };
  // Every render here does the pending layout first, so the flag does not change the picture:
  // both forms show the laid-out view.
  for (bool afterUpdates : {true, false}) {
    SCOPED_TRACE(afterUpdates);
    view->setNeedsLayout();
    red->setFrame(gfx::RectMake(0, 0, 20, 30));
    auto image = snapshotImageAfterScreenUpdates(*view, afterUpdates);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), gfx::SizeMake(40, 30));
    EXPECT_EQ(pixel(image, 10), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(image, 30), 0xFFFF0000u);
    EXPECT_EQ(red->frame().origin.x, 20);
  }
}

/// Rows of one section from a list of titles.
class Titles : public ui::TableViewDataSource {
 public:
  std::vector<std::string> rows{"a", "b", "c"};
  int64_t tableViewNumberOfRowsInSection(ui::TableView&, int64_t) override { return static_cast<int64_t>(rows.size()); }
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView&, const Ref<fd::IndexPath>& path) override {
    auto cell = rt::make<ui::TableViewCell>(ui::TableViewCellStyle::Default, rt::String("row"));
    cell->textLabel()->setText(rt::String(rows.at(path->row())));
    return cell;
  }
};

TEST_F(UIAdditionsTest, RowCallsByIndexPathAndByRow) {
  auto table = rt::make<ui::TableView>(gfx::RectMake(0, 0, 320, 480));
  auto titles = std::make_shared<Titles>();
  table->setDataSource(titles);
  table->layoutIfNeeded();
  auto titleAt = [&](uint64_t row) {
    table->layoutIfNeeded();
    auto cell = table->cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(row, 0));
    return cell ? cell->textLabel()->text().utf8() : std::string("(none)");
  };
  ASSERT_EQ(titleAt(1), "b");

  titles->rows.insert(titles->rows.begin() + 1, "new");
  insertRowAtIndexPath(*table, fd::IndexPath::indexPathForRow(1, 0), ui::TableViewRowAnimation::None);
  EXPECT_EQ(table->numberOfRowsInSection(0), 4);
  EXPECT_EQ(titleAt(1), "new");
  EXPECT_EQ(titleAt(3), "c");

  titles->rows[0] = "changed";
  reloadRowAtIndexPath(*table, fd::IndexPath::indexPathForRow(0, 0), ui::TableViewRowAnimation::None);
  EXPECT_EQ(titleAt(0), "changed");

  titles->rows.erase(titles->rows.begin() + 2);
  deleteRowAtIndexPath(*table, fd::IndexPath::indexPathForRow(2, 0), ui::TableViewRowAnimation::None);
  EXPECT_EQ(table->numberOfRowsInSection(0), 3);
  EXPECT_EQ(titleAt(2), "c");

  // The row-and-section forms go through the same calls.
  titles->rows.push_back("d");
  insertRow(*table, 3, 0, ui::TableViewRowAnimation::None);
  EXPECT_EQ(titleAt(3), "d");
  titles->rows.erase(titles->rows.begin());
  deleteRow(*table, 0, 0, ui::TableViewRowAnimation::None);
  EXPECT_EQ(table->numberOfRowsInSection(0), 3);
  EXPECT_EQ(titleAt(0), "new");
}

TEST_F(UIAdditionsTest, ScrollingPastTheEdgesIsNotClamped) {
  auto scroll = rt::make<ui::ScrollView>(gfx::RectMake(0, 0, 100, 200));
  scroll->setContentSize({100, 150});
  scroll->setContentInset({10, 0, 20, 0});
  scrollToBottom(*scroll, false);
  EXPECT_EQ(scroll->contentOffset().y, -30);
  scrollToTop(*scroll, false);
  EXPECT_EQ(scroll->contentOffset().y, -10);
}

TEST_F(UIAdditionsTest, ControlBlocksByEvent) {
  auto button = rt::make<ui::Button>(gfx::RectMake(0, 0, 50, 50));
  std::vector<std::string> log;
  addBlockForControlEvents(*button, ui::ControlEventTouchUpInside, [&](const rt::Id&) { log.push_back("a"); });
  addBlockForControlEvents(*button, ui::ControlEventTouchUpInside | ui::ControlEventTouchDown,
                           [&](const rt::Id&) { log.push_back("b"); });
  button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));

  log.clear();
  removeAllBlocksForControlEvents(*button, ui::ControlEventTouchDown);
  button->sendActionsForControlEvents(ui::ControlEventTouchDown);
  EXPECT_TRUE(log.empty());
  button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(log.size(), 2u);

  log.clear();
  setBlockForControlEvents(*button, ui::ControlEventValueChanged, [&](const rt::Id&) { log.push_back("only"); });
  EXPECT_EQ(blockTargetCount(*button), 1u);
  button->sendActionsForControlEvents(ui::ControlEventTouchUpInside | ui::ControlEventValueChanged);
  EXPECT_EQ(log, std::vector<std::string>{"only"});

  // A plain pair replaces the block's registration but the block target stays listed.
  log.clear();
  auto other = rt::make<ui::Button>(gfx::RectMake(0, 0, 1, 1));
  setTargetAction(*button, other, rt::Selector::named("description"), ui::ControlEventValueChanged);
  button->sendActionsForControlEvents(ui::ControlEventValueChanged);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(blockTargetCount(*button), 1u);
  removeAllTargets(*button);
  EXPECT_EQ(blockTargetCount(*button), 0u);
  EXPECT_TRUE(button->allTargets().empty());
}

TEST_F(UIAdditionsTest, BarButtonAndGestureBlocks) {
  auto item = rt::make<ui::BarButtonItem>();
  int first = 0, second = 0;
  setActionBlock(*item, [&](const rt::Id&) { ++first; });
  setActionBlock(*item, [&](const rt::Id&) { ++second; });
  item->sendAction();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  EXPECT_TRUE(actionBlock(*item));

  auto window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
  window->makeKeyAndVisible();
  auto view = rt::make<ui::View>(gfx::RectMake(0, 0, 100, 100));
  window->addSubview(view);
  auto tap = rt::make<ui::TapGestureRecognizer>();
  view->addGestureRecognizer(tap);
  int a = 0, b = 0;
  addActionBlock(*tap, [&](const rt::Id& sender) {
    EXPECT_EQ(sender, tap);
    ++a;
  });
  addActionBlock(*tap, [&](const rt::Id&) { ++b; });
  ui::TouchInput(window).tap({50, 50});
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 1);
  removeAllActionBlocks(*tap);
  ui::TouchInput(window).tap({50, 50});
  EXPECT_EQ(a, 1);
}

}  // namespace
}  // namespace base
