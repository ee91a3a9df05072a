#include "widgets/constraints/Array+LCAdditions.h"

#include "widgets/constraints/LCConstraintMaker.h"
#include "platform/foundation/values/Number.h"

namespace widgets {

namespace {

using Entry = std::vector<Ref<LCConstraint>> (*)(ui::View&, const ConstraintMakerBlock&);

std::vector<Ref<LCConstraint>> each(const std::vector<Ref<ui::View>>& views, const ConstraintMakerBlock& block,
                                    Entry entry) {
  std::vector<Ref<LCConstraint>> all;
  for (const auto& v : views) {
    if (!v) continue;
    auto some = entry(*v, block);
    all.insert(all.end(), some.begin(), some.end());
  }
  return all;
}

// The attributes of one axis: the leading edge, the trailing edge and the length.
struct Axis {
  const LCMakerAttribute LCConstraintMaker::*lead;
  const LCMakerAttribute LCConstraintMaker::*tail;
  const LCMakerAttribute LCConstraintMaker::*length;
  ui::LayoutAttribute tailAttribute;
};

Axis axisOf(LCAxisType axis) {
  if (axis == 0) {
    return {&LCConstraintMaker::left, &LCConstraintMaker::right, &LCConstraintMaker::width, ui::LayoutAttributeRight};
  }
  return {&LCConstraintMaker::top, &LCConstraintMaker::bottom, &LCConstraintMaker::height, ui::LayoutAttributeBottom};
}

}  // namespace

std::vector<Ref<LCConstraint>> lc_makeConstraints(const std::vector<Ref<ui::View>>& views,
                                                  const ConstraintMakerBlock& block) {
  return each(views, block, &lc_makeConstraints);
}

std::vector<Ref<LCConstraint>> lc_updateConstraints(const std::vector<Ref<ui::View>>& views,
                                                    const ConstraintMakerBlock& block) {
  return each(views, block, &lc_updateConstraints);
}

std::vector<Ref<LCConstraint>> lc_remakeConstraints(const std::vector<Ref<ui::View>>& views,
                                                    const ConstraintMakerBlock& block) {
  return each(views, block, &lc_remakeConstraints);
}

Ref<ui::View> lc_commonSuperviewOfViews(const std::vector<Ref<ui::View>>& views) {
  Ref<ui::View> common;
  bool first = true;
  for (const auto& v : views) {
    if (!v) continue;
    if (first) {
      common = v;
      first = false;
    } else {
      // Once two views share nothing, the answer stays null.
      common = common ? lc_closestCommonSuperview(*v, common) : nullptr;
    }
  }
  return common;
}

void lc_distributeViewsAlongAxisWithFixedSpacing(const std::vector<Ref<ui::View>>& views, LCAxisType axis,
                                                 double fixedSpacing, double leadSpacing, double tailSpacing) {
  if (views.size() < 2) return;
  Ref<ui::View> s = lc_commonSuperviewOfViews(views);
  Axis a = axisOf(axis);
  size_t n = views.size();
  Ref<ui::View> prev;
  for (size_t i = 0; i < n; ++i) {
    const auto& v = views[i];
    if (!v) continue;
    lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
      if (!prev) {
        (make.*a.lead).equalTo(s).offset(leadSpacing);
      } else {
        (make.*a.length).equalTo(prev);
        (make.*a.lead).equalTo(lc_attribute(*prev, a.tailAttribute)).offset(fixedSpacing);
      }
      if (static_cast<double>(i) == static_cast<double>(n) - 1) (make.*a.tail).equalTo(s).offset(-tailSpacing);
    });
    prev = v;
  }
}

void lc_distributeViewsAlongAxisWithFixedItemLength(const std::vector<Ref<ui::View>>& views, LCAxisType axis,
                                                    double fixedItemLength, double leadSpacing, double tailSpacing) {
  if (views.size() < 2) return;
  Ref<ui::View> s = lc_commonSuperviewOfViews(views);
  Axis a = axisOf(axis);
  size_t n = views.size();
  for (size_t i = 0; i < n; ++i) {
    const auto& v = views[i];
    if (!v) continue;
    lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
      double last = static_cast<double>(n) - 1;
      double index = static_cast<double>(i);
      if (i == 0) {
        (make.*a.lead).equalTo(s).offset(leadSpacing);
        (make.*a.length).equalTo(fd::box(fixedItemLength));
      } else {
        (make.*a.length).equalTo(fd::box(fixedItemLength));
      }
      if (index == last) {
        (make.*a.tail).equalTo(s).offset(-tailSpacing);
      } else if (i > 0) {
        // The trailing edges spread evenly between lead + length and the far edge minus tail.
        double ratio = index / last;
        (make.*a.tail)
            .equalTo(s)
            .multipliedBy(ratio)
            .offset((1 - ratio) * (fixedItemLength + leadSpacing) - index * tailSpacing / last);
      }
    });
  }
}

}  // namespace widgets
