#pragma once
// Edges of a controller's top and bottom layout guides as second items of a declaration: the
// platform constraint names the guide, the controller's root view decides where it is held.
#include "platform/ui/controllers/ViewController.h"
#include "widgets/constraints/LCViewAttribute.h"

namespace widgets {

/// The top guide's bottom.
Ref<LCViewAttribute> lc_topLayoutGuide(ui::ViewController& controller);
Ref<LCViewAttribute> lc_topLayoutGuideTop(ui::ViewController& controller);
Ref<LCViewAttribute> lc_topLayoutGuideBottom(ui::ViewController& controller);
/// The bottom guide's top.
Ref<LCViewAttribute> lc_bottomLayoutGuide(ui::ViewController& controller);
Ref<LCViewAttribute> lc_bottomLayoutGuideTop(ui::ViewController& controller);
Ref<LCViewAttribute> lc_bottomLayoutGuideBottom(ui::ViewController& controller);

}  // namespace widgets
