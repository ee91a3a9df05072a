// Even spacing: equal gaps before, between and after the views, along either axis.
#include "../WidgetTestFixture.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/View+QPPopupSpacing.h"

namespace widgets::testing {

using PopupSpacingTest = WidgetTest;

TEST_F(PopupSpacingTest, GapsAreEqualAlongEitherAxis) {
  for (bool horizontal : {true, false}) {
    auto box = rt::make<ui::View>(gfx::RectMake(0, 0, 300, 300));
    window->addSubview(box);
    std::vector<Ref<ui::View>> views;
    for (double size : {50.0, 30.0, 70.0}) {
      auto v = rt::make<ui::View>();
      box->addSubview(v);
      lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
        make.width.height().equalTo(fd::box(size));
        (horizontal ? make.top : make.left).equalTo(box).offset(10);
      });
      views.push_back(v);
    }
    if (horizontal) qp_distributeSpacingHorizontallyWith(*box, views);
    else qp_distributeSpacingVerticallyWith(*box, views);
    box->layoutIfNeeded();
    const double gap = (300 - 150) / 4.0;
    double at = gap;
    for (auto& v : views) {
      gfx::Rect f = v->frame();
      EXPECT_NEAR(horizontal ? f.origin.x : f.origin.y, at, 1e-6) << (horizontal ? "horizontal" : "vertical");
      EXPECT_NEAR(horizontal ? f.origin.y : f.origin.x, 10, 1e-6) << "the cross position stays";
      at += (horizontal ? f.size.width : f.size.height) + gap;
    }
    box->removeFromSuperview();
  }
}

}  // namespace widgets::testing
