// The shared popup window: the default host, shown above the status bar while popups are up,
// and tap-anywhere-to-hide.
#include "../WidgetTestFixture.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/QPPopupView.h"
#include "widgets/popups/QPPopupWindow.h"
#include "widgets/popups/View+QPPopupDim.h"

namespace widgets::testing {

namespace {

class PopupWindowTest : public WidgetTest {
 protected:
  void TearDown() override {
    QPPopupWindow::sharedWindow()->touchWildToHide = false;
    WidgetTest::TearDown();
  }
  static Ref<QPPopupView> popup() {
    auto p = rt::make<QPPopupView>();
    lc_makeConstraints(*p, [&](LCConstraintMaker& make) { make.width.height().equalTo(fd::box(100.0)); });
    return p;
  }
  static void pass(double s) {
    advance(s);
    settle();
  }
};

}  // namespace

TEST_F(PopupWindowTest, PopupsWithoutAHostUseTheSharedWindow) {
  auto& shared = QPPopupWindow::sharedWindow();
  EXPECT_EQ(shared, QPPopupWindow::sharedWindow());
  EXPECT_DOUBLE_EQ(shared->windowLevel(), ui::WindowLevelStatusBar + 1);
  shared->cacheWindow();
  EXPECT_TRUE(shared->isHidden());
  auto a = popup(), b = popup();
  a->show();
  b->show();
  EXPECT_EQ(a->attachedView, shared->attachView());
  EXPECT_FALSE(shared->isHidden());
  EXPECT_TRUE(shared->isKeyWindow());
  pass(0.5);
  a->hide();
  pass(0.5);
  EXPECT_FALSE(shared->isHidden()) << "b is still up";
  b->hide();
  pass(0.5);
  EXPECT_TRUE(shared->isHidden());
  EXPECT_EQ(qp_dimReferenceCount(*shared->attachView()), 0);
}

TEST_F(PopupWindowTest, TapHidesAllPopupsOnlyWhenEnabledAndNotFading) {
  auto& shared = QPPopupWindow::sharedWindow();
  auto a = popup(), b = popup();
  a->show();
  b->show();
  shared->actionTap();  // disabled
  pass(0.5);
  EXPECT_TRUE(a->superview());
  shared->touchWildToHide = true;
  auto c = popup();
  c->hide();  // nothing held: no fade starts
  EXPECT_FALSE(qp_dimBackgroundAnimating(*shared->attachView()));
  shared->actionTap();
  EXPECT_TRUE(qp_dimBackgroundAnimating(*shared->attachView()));
  pass(0.1);
  auto d = popup();
  d->show();  // fades in again over the running fade-out
  shared->actionTap();  // ignored: a fade is running
  pass(0.5);
  EXPECT_FALSE(a->superview());
  EXPECT_FALSE(b->superview());
  EXPECT_TRUE(d->superview()) << "the tap during the fade was ignored";
  shared->actionTap();
  pass(0.5);
  EXPECT_FALSE(d->superview());
  EXPECT_TRUE(shared->isHidden());
}

}  // namespace widgets::testing
