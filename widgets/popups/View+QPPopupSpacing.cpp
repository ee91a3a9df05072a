#include "widgets/popups/View+QPPopupSpacing.h"

#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace widgets {

namespace {

void distribute(ui::View& container, const std::vector<Ref<ui::View>>& views, bool horizontal) {
  if (views.empty()) return;
  auto me = rt::as<ui::View>(container.self());
  auto lead = [&](ui::View& v) { return horizontal ? lc_left(v) : lc_top(v); };
  auto trail = [&](ui::View& v) { return horizontal ? lc_right(v) : lc_bottom(v); };
  auto across = [&](ui::View& v) { return horizontal ? lc_centerY(v) : lc_centerX(v); };
  std::vector<Ref<ui::View>> spacers;
  for (size_t i = 0; i <= views.size(); ++i) {
    auto s = rt::make<ui::View>();
    container.addSubview(s);
    lc_makeConstraints(*s, [&](LCConstraintMaker& make) { make.width.equalTo(lc_height(*s)); });
    spacers.push_back(s);
  }
  lc_makeConstraints(*spacers[0], [&](LCConstraintMaker& make) {
    (horizontal ? make.left : make.top).equalTo(lead(*me));
    (horizontal ? make.centerY : make.centerX).equalTo(across(*views[0]));
  });
  for (size_t k = 0; k < views.size(); ++k) {
    lc_makeConstraints(*views[k], [&](LCConstraintMaker& make) {
      (horizontal ? make.left : make.top).equalTo(trail(*spacers[k]));
    });
    lc_makeConstraints(*spacers[k + 1], [&](LCConstraintMaker& make) {
      (horizontal ? make.left : make.top).equalTo(trail(*views[k]));
      (horizontal ? make.centerY : make.centerX).equalTo(across(*views[k]));
      (horizontal ? make.width : make.height).equalTo(horizontal ? lc_width(*spacers[0]) : lc_height(*spacers[0]));
    });
  }
  lc_makeConstraints(*spacers.back(), [&](LCConstraintMaker& make) {
    (horizontal ? make.right : make.bottom).equalTo(trail(*me));
  });
}

}  // namespace

void qp_distributeSpacingHorizontallyWith(ui::View& container, const std::vector<Ref<ui::View>>& views) {
  distribute(container, views, true);
}

void qp_distributeSpacingVerticallyWith(ui::View& container, const std::vector<Ref<ui::View>>& views) {
  distribute(container, views, false);
}

}  // namespace widgets
