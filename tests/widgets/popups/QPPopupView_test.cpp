// The popup base on the virtual clock: resting places of the three animation kinds, the dim
// that several popups share, and its count staying in step whatever order shows and hides
// come in.
#include "../WidgetTestFixture.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/Color+QPPopup.h"
#include "widgets/popups/QPPopupView.h"
#include "widgets/popups/View+QPPopupDim.h"

namespace widgets::testing {

namespace {

class PopupViewTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    host = rt::make<ui::View>(gfx::RectMake(0, 0, 320, 480));
    window->addSubview(host);
  }
  Ref<QPPopupView> popup(uint64_t type, bool keyboard = false) {
    auto p = rt::make<QPPopupView>();
    lc_makeConstraints(*p, [&](LCConstraintMaker& make) {
      make.width.equalTo(fd::box(200.0));
      make.height.equalTo(fd::box(100.0));
    });
    p->withKeyboard = keyboard;
    p->setType(type);
    p->setAttachedView(host);
    p->showCompletionBlock = [this](QPPopupView&) { ++shows; };
    p->hideCompletionBlock = [this](QPPopupView&) { ++hides; };
    return p;
  }
  bool dimShown() { return !qp_dimBackgroundView(*host)->isHidden(); }
  Ref<ui::View> host;
  int shows = 0, hides = 0;
};

}  // namespace

TEST_F(PopupViewTest, EachKindComesToRestWhereItsAnimationPlacesIt) {
  struct Case { uint64_t type; bool keyboard; gfx::Point centre; };
  for (const Case& c : {Case{PopupTypeAlert, false, {160, 240}}, Case{PopupTypeAlert, true, {160, 132}},
                        Case{PopupTypeSheet, false, {160, 430}}, Case{PopupTypeCustom, false, {160, 240}},
                        Case{PopupTypeCustom, true, {160, 132}}}) {
    shows = hides = 0;
    auto p = popup(c.type, c.keyboard);
    p->show();
    EXPECT_EQ(p->superview(), qp_dimBackgroundView(*host));
    EXPECT_EQ(shows, 0) << "the entrance takes its time";
    advance(0.5);
    settle();
    host->layoutIfNeeded();
    EXPECT_EQ(shows, 1) << c.type;
    EXPECT_EQ(p->center(), c.centre) << c.type << " keyboard " << c.keyboard;
    EXPECT_DOUBLE_EQ(p->alpha(), 1);
    EXPECT_TRUE(gfx::Transform3DIsIdentity(p->layer()->transform()));
    EXPECT_TRUE(p->visible());
    p->hide();
    advance(0.5);
    settle();
    EXPECT_EQ(hides, 1) << c.type;
    EXPECT_FALSE(p->superview()) << "removed after the exit";
    EXPECT_FALSE(dimShown());
    EXPECT_FALSE(p->visible());
  }
}

TEST_F(PopupViewTest, CustomExitAlwaysTakesPointThreeSeconds) {
  auto p = popup(PopupTypeCustom);
  p->setAnimationDuration(2);
  p->show();
  advance(2.5);
  settle();
  p->hide();
  advance(0.25);
  settle();
  EXPECT_EQ(hides, 0);
  advance(0.1);
  settle();
  EXPECT_EQ(hides, 1);
}

TEST_F(PopupViewTest, TheDimIsSharedAndItsCountStaysInStep) {
  auto a = popup(PopupTypeAlert), b = popup(PopupTypeAlert), never = popup(PopupTypeAlert);
  a->show();
  a->show();  // shown again: still one holder
  b->show();
  advance(0.5);
  settle();
  EXPECT_EQ(qp_dimReferenceCount(*host), 2);
  EXPECT_TRUE(qp_colorWithHex(0x7F)->isEqual(qp_dimBackgroundView(*host)->backgroundColor().get()));
  EXPECT_EQ(qp_dimBackgroundView(*host)->subviews().back(), b) << "the last shown is frontmost";
  never->hide();  // never shown: takes nothing away
  a->hide();
  a->hide();
  advance(0.5);
  settle();
  EXPECT_EQ(qp_dimReferenceCount(*host), 1);
  EXPECT_TRUE(dimShown()) << "b still holds the dim";
  b->hide();
  EXPECT_TRUE(qp_dimBackgroundAnimating(*host));
  advance(0.5);
  settle();
  EXPECT_EQ(qp_dimReferenceCount(*host), 0);
  EXPECT_FALSE(dimShown());
  EXPECT_FALSE(qp_dimBackgroundAnimating(*host));
}

TEST_F(PopupViewTest, AShowDuringTheFadeOutKeepsTheDim) {
  auto a = popup(PopupTypeAlert), b = popup(PopupTypeAlert);
  a->show();
  advance(0.5);
  settle();
  a->hide();
  advance(0.1);
  settle();
  b->show();
  advance(1);
  settle();
  EXPECT_TRUE(dimShown()) << "the interrupted fade-out must not hide the dim";
  EXPECT_EQ(qp_dimReferenceCount(*host), 1);
  EXPECT_FALSE(qp_dimBackgroundAnimating(*host));
  EXPECT_TRUE(qp_colorWithHex(0x7F)->isEqual(qp_dimBackgroundView(*host)->backgroundColor().get()));
  b->hide();  // a shown popup and its host hold each other
  advance(0.5);
  settle();
}

TEST_F(PopupViewTest, DimDurationFollowsThePopupOnceThereIsAHost) {
  auto p = rt::make<QPPopupView>();
  p->setAnimationDuration(1);  // no host yet
  p->setAttachedView(host);
  qp_dimBackgroundView(*host);
  EXPECT_DOUBLE_EQ(qp_dimAnimationDuration(*host), static_cast<double>(0.3f));
  p->setAnimationDuration(0.7);
  EXPECT_DOUBLE_EQ(qp_dimAnimationDuration(*host), 0.7);
}

}  // namespace widgets::testing

namespace widgets::testing {

TEST_F(PopupViewTest, AnUnknownKindKeepsTheAnimationsOfThePreviousOne) {
  auto p = popup(PopupTypeSheet);
  p->setType(7);
  EXPECT_EQ(static_cast<uint64_t>(p->type()), 7u);
  p->show();
  advance(0.5);
  settle();
  host->layoutIfNeeded();
  EXPECT_EQ(p->center(), (gfx::Point{160, 430})) << "still slides up as a sheet";
  p->hide();
  advance(0.5);
  settle();
  EXPECT_EQ(hides, 1);
}

}  // namespace widgets::testing
