#include "platform/ui/controllers/TabBarController.h"

#include <gtest/gtest.h>

#include "platform/graphics/Context.h"
#include "platform/runtime/Exception.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/input/TouchInput.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

using namespace ui;
using namespace ui::testing;

namespace {

class Chooser : public TabBarControllerDelegate {
 public:
  std::optional<bool> shouldSelectViewController(TabBarController&, ViewController& vc) override {
    asked.push_back(static_cast<RecordingController&>(vc).name());
    return allow;
  }
  void didSelectViewController(TabBarController&, ViewController& vc) override {
    selected.push_back(static_cast<RecordingController&>(vc).name());
  }
  std::optional<bool> allow;
  std::vector<std::string> asked, selected;
};

class TabBarControllerTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    a = make("A");
    b = make("B");
    c = make("C");
    tabs = rt::make<TabBarController>();
    tabs->setViewControllers({a, b, c});
    chooser = std::make_shared<Chooser>();
    tabs->setDelegate(chooser);
    show(tabs);
  }
  /// Taps the middle of tab `index` on the screen.
  void tapTab(size_t index) {
    window->layoutIfNeeded();  // as before any frame the user sees
    auto button = tabs->tabBar()->buttonAtIndex(index);
    gfx::Rect r = button->convertRectToView(button->bounds(), nullptr);
    TouchInput(window).tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
  }
  Ref<RecordingController> a, b, c;
  Ref<TabBarController> tabs;
  std::shared_ptr<Chooser> chooser;
};

Ref<gfx::Image> solidImage(double white) {
  auto ctx = gfx::Context::createForImage({4, 4}, false, 1);
  ctx->setFillColor(gfx::Color::colorWithWhite(white, 1));
  ctx->fillRect(gfx::RectMake(0, 0, 4, 4));
  return gfx::Image::imageWithCGImage(ctx->makeImage());
}

}  // namespace

TEST_F(TabBarControllerTest, TabBarIs49PointsAlongTheBottom) {
  auto bar = tabs->tabBar();
  EXPECT_EQ(bar->frame(), gfx::RectMake(0, 667 - 49, 375, 49));
  EXPECT_EQ(bar->items().size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(bar->buttonAtIndex(i)->frame(), gfx::RectMake(125.0 * i, 0, 125, 49));
  EXPECT_EQ(tabs->selectedIndex(), 0);
  EXPECT_EQ(a->tabBarController(), tabs);
  EXPECT_EQ(a->view()->frame(), tabs->view()->bounds());
  EXPECT_EQ(a->bottomLayoutGuideLength(), 49);
  bar->setHidden(true);
  EXPECT_EQ(a->bottomLayoutGuideLength(), 0);
}

TEST_F(TabBarControllerTest, ATapSwitchesTabsAfterAskingTheDelegate) {
  tapTab(1);
  EXPECT_EQ(tabs->selectedIndex(), 1);
  EXPECT_EQ(tabs->selectedViewController(), b);
  EXPECT_EQ(take(), (Log{"B.load", "A.willDisappear", "B.willAppear", "A.didDisappear", "B.didAppear"}));
  EXPECT_EQ(chooser->asked, (std::vector<std::string>{"B"}));
  EXPECT_EQ(chooser->selected, (std::vector<std::string>{"B"}));
  EXPECT_EQ(a->view()->superview(), nullptr);
  EXPECT_EQ(b->view()->superview(), tabs->view());
  EXPECT_TRUE(tabs->tabBar()->buttonAtIndex(1)->isSelected());
  EXPECT_FALSE(tabs->tabBar()->buttonAtIndex(0)->isSelected());

  chooser->allow = false;
  tapTab(2);
  EXPECT_EQ(tabs->selectedIndex(), 1);
  EXPECT_EQ(take(), Log{});
  EXPECT_EQ(chooser->selected.size(), 1u);
}

TEST_F(TabBarControllerTest, SelectionInCodeStaysQuietAndChecksItsArgument) {
  tabs->setSelectedIndex(2);
  EXPECT_EQ(take(), (Log{"C.load", "A.willDisappear", "C.willAppear", "A.didDisappear", "C.didAppear"}));
  EXPECT_TRUE(chooser->asked.empty());
  tabs->setSelectedIndex(7);
  tabs->setSelectedIndex(-1);
  EXPECT_EQ(tabs->selectedIndex(), 2);
  EXPECT_THROW(tabs->setSelectedViewController(make("X")), rt::Exception);
  // Replacing the tabs keeps the selected controller selected.
  tabs->setViewControllers({c, a});
  EXPECT_EQ(tabs->selectedIndex(), 0);
  EXPECT_EQ(b->parentViewController(), nullptr);
  EXPECT_EQ(take(), Log{});
}

TEST_F(TabBarControllerTest, ItemsShowTheirImagesAndPerStateTitleAttributes) {
  auto normalFont = typeset::Font::systemFontOfSize(14);
  auto red = gfx::Color::colorWithRed(200 / 255.0, 20 / 255.0, 0, 1);
  auto black = gfx::Color::colorWithRed(50 / 255.0, 50 / 255.0, 50 / 255.0, 1);
  TabBarItem::appearance()->setTitleTextAttributes(
      fd::Dictionary::withStrings({{rt::String(typeset::FontAttributeName), normalFont},
                                   {rt::String(typeset::ForegroundColorAttributeName), black}}),
      ControlStateNormal);
  TabBarItem::appearance()->setTitleTextAttributes(
      fd::Dictionary::withStrings({{rt::String(typeset::ForegroundColorAttributeName), red}}), ControlStateSelected);
  auto plain = solidImage(0), chosen = solidImage(1);
  a->tabBarItem()->setTitle(rt::String("资讯"));
  a->tabBarItem()->setImage(plain->imageWithRenderingMode(gfx::ImageRenderingMode::AlwaysOriginal));
  a->tabBarItem()->setSelectedImage(chosen);
  b->tabBarItem()->setTitle(rt::String("视听"));
  b->tabBarItem()->setImage(plain);
  tabs->view()->layoutIfNeeded();

  auto parts = [&](size_t i) {
    auto& subs = tabs->tabBar()->buttonAtIndex(i)->subviews();
    return std::make_pair(rt::as<ImageView>(subs.at(0)), rt::as<Label>(subs.at(1)));
  };
  auto [imageA, labelA] = parts(0);
  auto [imageB, labelB] = parts(1);
  EXPECT_EQ(imageA->image(), chosen);  // selected
  EXPECT_EQ(imageB->image(), plain);
  EXPECT_EQ(labelA->text(), rt::String("资讯"));
  EXPECT_TRUE(labelA->textColor()->isEqual(red.get()));
  EXPECT_TRUE(labelB->textColor()->isEqual(black.get()));
  EXPECT_EQ(labelB->font()->pointSize(), 14);
  EXPECT_EQ(labelA->font()->pointSize(), 14);  // a selected colour alone keeps the normal font

  tapTab(1);
  EXPECT_EQ(imageA->image()->renderingMode(), gfx::ImageRenderingMode::AlwaysOriginal);
  EXPECT_TRUE(labelA->textColor()->isEqual(black.get()));
  EXPECT_TRUE(labelB->textColor()->isEqual(red.get()));
  // An item's own attributes win over the proxy's.
  b->tabBarItem()->setTitleTextAttributes(
      fd::Dictionary::withStrings({{rt::String(typeset::ForegroundColorAttributeName), gfx::Color::blueColor()}}),
      ControlStateSelected);
  EXPECT_TRUE(labelB->textColor()->isEqual(gfx::Color::blueColor().get()));
}

TEST_F(TabBarControllerTest, NavigationInsideATabKeepsTheTabBarAndItsGuides) {
  auto root = make("R"), pushed = make("P");
  auto nav = rt::make<NavigationController>(root);
  pushed->setEdgesForExtendedLayout(RectEdgeNone);
  tabs->setViewControllers({nav, b});
  EXPECT_EQ(take(), (Log{"A.willDisappear", "A.didDisappear", "R.load", "R.willAppear", "R.didAppear"}));
  EXPECT_EQ(root->tabBarController(), tabs);
  EXPECT_EQ(root->topLayoutGuideLength(), 64);
  EXPECT_EQ(root->bottomLayoutGuideLength(), 49);
  nav->pushViewController(pushed, false);
  EXPECT_EQ(take(), (Log{"P.load", "R.willDisappear", "P.willAppear", "R.didDisappear", "P.didAppear"}));
  EXPECT_EQ(pushed->view()->frame(), gfx::RectMake(0, 64, 375, 667 - 64 - 49));
  EXPECT_EQ(pushed->bottomLayoutGuideLength(), 0);
  tapTab(1);
  EXPECT_EQ(take(), (Log{"B.load", "P.willDisappear", "B.willAppear", "P.didDisappear", "B.didAppear"}));
}
