// The editor's button: the three wiggles end where they should, and the badge sits on the
// top-left corner whatever the size.
#include <cmath>

#include "../WidgetTestFixture.h"
#include "platform/foundation/values/Number.h"
#include "widgets/channels/CBSortButton.h"

using namespace widgets;
using widgets::testing::WidgetTest;

namespace {

double rotationShown(const Ref<CBSortButton>& b) {
  auto shown = b->layer()->presentationLayer();
  auto n = rt::as<fd::Number>(shown->valueForKeyPath("transform.rotation"));
  return n ? n->doubleValue() : NAN;
}

}  // namespace

TEST_F(WidgetTest, TheShakeRunsUntilASettleHoldsTheButtonLevel) {
  auto b = rt::make<CBSortButton>();
  b->setFrame(gfx::RectMake(10, 10, 50, 30));
  window->addSubview(b);
  b->itemShakeWithItem();
  EXPECT_TRUE(b->isScareing());
  advance(0.0125);  // an eighth of a cycle: halfway from -5 degrees to +5
  EXPECT_NEAR(rotationShown(b), -CBSortButton::kAngle / 2, 1e-6);
  advance(10);
  EXPECT_EQ(b->deletIcon()->alpha(), 1);
  double wiggling = 0;
  for (int i = 0; i < 8; ++i) {
    advance(0.0125);
    wiggling = std::max(wiggling, std::fabs(rotationShown(b)));
  }
  EXPECT_GT(wiggling, CBSortButton::kAngle / 2);  // still shaking after ten seconds

  b->itemStopWithItem();
  EXPECT_FALSE(b->isScareing());
  advance(0.5);
  for (int i = 0; i < 8; ++i) {
    advance(0.0125);
    EXPECT_NEAR(rotationShown(b), 0, 1e-9);
  }
  EXPECT_EQ(b->deletIcon()->alpha(), 0);

  b->itemlittleScare();
  advance(0.5 + 0.1 / 12);  // into the sixth and last cycle
  EXPECT_NEAR(rotationShown(b), -CBSortButton::kAngle / 2, 1e-6);
  advance(0.1);
  EXPECT_NEAR(rotationShown(b), 0, 1e-9);
}

TEST_F(WidgetTest, TheBadgeSitsOnTheTopLeftCorner) {
  for (gfx::Size size : {gfx::Size{50, 30}, gfx::Size{120, 80}}) {
    auto b = rt::make<CBSortButton>();
    b->setFrame(gfx::Rect{{0, 0}, size});
    b->layoutIfNeeded();
    EXPECT_EQ(b->deletIcon()->center(), (gfx::Point{2, 2}));
    EXPECT_EQ(b->deletIcon()->bounds().size, (gfx::Size{15, 15}));
    EXPECT_EQ(b->deletIcon()->superview(), b);
    EXPECT_EQ(b->layer()->cornerRadius(), 5);
  }
}
