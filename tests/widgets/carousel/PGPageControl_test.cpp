// The dotted page control: sizes and dot places, picture dots, single-page hiding, touches on
// dots and off them, the abstract dot, and the frame accessors.
#include <gtest/gtest.h>

#include "../WidgetTestFixture.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/ImageContext.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/input/TouchInput.h"
#include "widgets/carousel/PGAnimatedDotView.h"
#include "widgets/carousel/PGDotView.h"
#include "widgets/carousel/PGPageControl.h"
#include "widgets/carousel/View+WIExtension.h"

using namespace widgets;
using widgets::testing::WidgetTest;

namespace {

class Picks : public PGPageControlDelegate {
 public:
  std::vector<int64_t> pages;
  void PGPageControlDidSelectPageAtIndex(PGPageControl&, int64_t index) override { pages.push_back(index); }
};

Ref<gfx::Image> square(double side) {
  gfx::beginImageContextWithOptions({side, side}, false, 1);
  gfx::currentContext()->setFillColor(gfx::Color::blackColor());
  gfx::currentContext()->fillRect(gfx::RectMake(0, 0, side, side));
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

// A dot class that does not answer the change of state.
class MuteDot : public ui::View {
  RT_CLASS(MuteDot, ui::View)
};
RT_IMPLEMENT(MuteDot) {}

}  // namespace

TEST(PGPageControlTest, FiveDefaultDotsNeed72By8AndFitAroundTheCentre) {
  auto pc = rt::make<PGPageControl>(gfx::RectMake(100, 100, 200, 40));
  pc->setNumberOfPages(5);
  EXPECT_EQ(pc->dotSize(), (gfx::Size{8, 8}));
  EXPECT_EQ(pc->sizeForNumberOfPages(5), (gfx::Size{72, 8}));
  EXPECT_EQ(pc->dots().size(), 5u);
  EXPECT_TRUE(rt::as<PGAnimatedDotView>(pc->dots()[0]));
  pc->sizeToFit();
  EXPECT_EQ(pc->frame(), gfx::RectMake(164, 116, 72, 8));
  // No pages need no room.
  EXPECT_EQ(pc->sizeForNumberOfPages(0).width, 0);
}

TEST(PGPageControlTest, DotsAreCentredInTheControl) {
  auto pc = rt::make<PGPageControl>(gfx::RectMake(0, 0, 100, 20));
  pc->setNumberOfPages(3);
  ASSERT_EQ(pc->dots().size(), 3u);
  // The current dot is drawn grown, so its place is read from its centre.
  double xs[] = {30, 46, 62};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(pc->dots()[i]->center(), (gfx::Point{xs[i] + 4, 10})) << i;
    EXPECT_EQ(pc->dots()[i]->bounds().size, (gfx::Size{8, 8})) << i;
  }
}

TEST_F(WidgetTest, TheCurrentDotFillsAndGrows) {
  auto pc = rt::make<PGPageControl>(gfx::RectMake(0, 0, 100, 20));
  window->addSubview(pc);
  pc->setDotColor(gfx::Color::redColor());
  pc->setNumberOfPages(3);
  advance(1.5);
  auto first = rt::as<PGAnimatedDotView>(pc->dots()[0]);
  EXPECT_TRUE(first->backgroundColor()->isEqual(gfx::Color::redColor()));
  EXPECT_EQ(first->transform().a, PGAnimatedDotView::kActiveScale);
  pc->setCurrentPage(2);
  advance(1.5);
  EXPECT_TRUE(first->backgroundColor()->isEqual(gfx::Color::clearColor()));
  EXPECT_EQ(first->transform().a, 1);
  EXPECT_EQ(pc->dots()[2]->transform().a, PGAnimatedDotView::kActiveScale);
  // The same page again changes no dot.
  pc->dots()[2]->setTransform(gfx::AffineTransformIdentity);
  pc->setCurrentPage(2);
  EXPECT_EQ(pc->dots()[2]->transform().a, 1);
}

TEST(PGPageControlTest, PictureDotsTakeThePictureSize) {
  auto pc = rt::make<PGPageControl>(gfx::RectMake(0, 0, 100, 20));
  auto normal = square(6), current = square(6);
  pc->setDotImage(normal);
  pc->setCurrentDotImage(current);
  pc->setNumberOfPages(3);
  pc->setCurrentPage(1);
  EXPECT_FALSE(pc->dotViewClass());
  EXPECT_EQ(pc->dotSize(), (gfx::Size{6, 6}));
  auto dot1 = rt::as<ui::ImageView>(pc->dots()[1]);
  ASSERT_TRUE(dot1);
  EXPECT_EQ(dot1->image(), current);
  EXPECT_EQ(rt::as<ui::ImageView>(pc->dots()[0])->image(), normal);
}

TEST(PGPageControlTest, OnePageHidesOnlyWhenAsked) {
  auto pc = rt::make<PGPageControl>();
  pc->setNumberOfPages(1);
  EXPECT_FALSE(pc->isHidden());
  pc->setHidesForSinglePage(true);
  pc->resetDotViews();
  EXPECT_TRUE(pc->isHidden());
  pc->setDotViewClass<PGDotView>();
  pc->setNumberOfPages(2);
  EXPECT_FALSE(pc->isHidden());
  EXPECT_TRUE(pc->dots()[0]->backgroundColor()->isEqual(gfx::Color::whiteColor()));
  EXPECT_TRUE(pc->dots()[1]->backgroundColor()->isEqual(gfx::Color::clearColor()));
}

TEST_F(WidgetTest, ATouchOnADotNamesItsPageAndATouchBesideThemNothing) {
  auto pc = rt::make<PGPageControl>(gfx::RectMake(50, 300, 200, 40));
  window->addSubview(pc);
  auto picks = std::make_shared<Picks>();
  pc->setDelegate(picks);
  pc->setNumberOfPages(4);
  gfx::Rect third = pc->dots()[2]->frame();
  ui::TouchInput(window).tap({50 + gfx::RectGetMidX(third), 300 + gfx::RectGetMidY(third)});
  ui::TouchInput(window).tap({55, 305});  // the control's own background
  EXPECT_EQ(picks->pages, (std::vector<int64_t>{2}));
  EXPECT_EQ(pc->currentPage(), 0);
}

TEST_F(WidgetTest, ADelegateThatGoesFirstIsNoLongerTold) {
  auto pc = rt::make<PGPageControl>(gfx::RectMake(50, 300, 200, 40));
  window->addSubview(pc);
  pc->setNumberOfPages(4);
  gfx::Rect second = pc->dots()[1]->frame();
  {
    auto picks = std::make_shared<Picks>();
    pc->setDelegate(picks);
    EXPECT_EQ(pc->delegate(), picks);
  }
  EXPECT_EQ(pc->delegate(), nullptr) << "the control does not keep its delegate alive";
  // A touch after the delegate is gone reaches no freed object (the sanitizer would tell).
  ui::TouchInput(window).tap({50 + gfx::RectGetMidX(second), 300 + gfx::RectGetMidY(second)});
  EXPECT_EQ(pc->currentPage(), 0);
}

TEST(PGPageControlTest, DotsThatCannotChangeStateAreReportedInTheLog) {
  std::vector<std::string> lines;
  fd::setLogSink([&](const rt::String& m) { lines.push_back(m.utf8()); });
  auto pc = rt::make<PGPageControl>();
  pc->setDotViewClass<MuteDot>();
  pc->setNumberOfPages(2);
  fd::setLogSink(nullptr);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(),
            "Custom view : MuteDot must implement an 'changeActivityState' method or you can subclass "
            "PGAbstractDotView to help you.");
}

TEST(PGPageControlTest, TheAbstractDotRaisesAndConcreteDotsCanBeMadePlainly) {
  try {
    rt::make<PGAbstractDotView>();
    ADD_FAILURE() << "no exception";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), rt::String("NSInternalInconsistencyException"));
    EXPECT_EQ(e.reason(), rt::String("You must override init in PGAbstractDotView"));
  }
  auto base = rt::make<PGAbstractDotView>(gfx::RectMake(0, 0, 8, 8));
  EXPECT_THROW(base->changeActivityState(true), rt::Exception);
  EXPECT_NO_THROW(rt::make<PGAnimatedDotView>());
  EXPECT_NO_THROW(rt::make<PGDotView>());
}

TEST(PGPageControlTest, FrameAccessorsReplaceOneComponent) {
  auto v = rt::make<ui::View>(gfx::RectMake(1, 2, 3, 4));
  setWi_x(*v, 5);
  EXPECT_EQ(v->frame(), gfx::RectMake(5, 2, 3, 4));
  setWi_y(*v, 6);
  setWi_width(*v, 7);
  setWi_height(*v, 8);
  EXPECT_EQ(v->frame(), gfx::RectMake(5, 6, 7, 8));
  EXPECT_EQ(wi_x(*v) + wi_y(*v) + wi_width(*v) + wi_height(*v), 26);
}
