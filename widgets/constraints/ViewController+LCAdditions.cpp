#include "widgets/constraints/ViewController+LCAdditions.h"

namespace widgets {

namespace {

Ref<LCViewAttribute> guideAttribute(ui::ViewController& controller, bool top, ui::LayoutAttribute attribute) {
  Ref<ui::View> view = controller.view();
  Ref<ui::LayoutGuide> guide = top ? controller.topLayoutGuide() : controller.bottomLayoutGuide();
  return rt::make<LCViewAttribute>(view, guide, attribute);
}

}  // namespace

Ref<LCViewAttribute> lc_topLayoutGuide(ui::ViewController& c) { return guideAttribute(c, true, ui::LayoutAttributeBottom); }
Ref<LCViewAttribute> lc_topLayoutGuideTop(ui::ViewController& c) {
  return guideAttribute(c, true, ui::LayoutAttributeTop);
}
Ref<LCViewAttribute> lc_topLayoutGuideBottom(ui::ViewController& c) {
  return guideAttribute(c, true, ui::LayoutAttributeBottom);
}
Ref<LCViewAttribute> lc_bottomLayoutGuide(ui::ViewController& c) {
  return guideAttribute(c, false, ui::LayoutAttributeTop);
}
Ref<LCViewAttribute> lc_bottomLayoutGuideTop(ui::ViewController& c) {
  return guideAttribute(c, false, ui::LayoutAttributeTop);
}
Ref<LCViewAttribute> lc_bottomLayoutGuideBottom(ui::ViewController& c) {
  return guideAttribute(c, false, ui::LayoutAttributeBottom);
}

}  // namespace widgets
