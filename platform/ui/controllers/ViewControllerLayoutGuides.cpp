// The controller's layout guides: made on first use for the controller's view; their lengths
// are asked of the controller at every solve, so bars appearing later move what hangs on them.
#include "platform/ui/controllers/ViewController.h"

namespace ui {

Ref<LayoutGuide> ViewController::topLayoutGuide() {
  if (!topGuide_) {
    Weak<ViewController> weak = std::static_pointer_cast<ViewController>(self());
    topGuide_ = rt::make<LayoutGuide>(view(), LayoutGuide::Edge::Top, [weak] {
      auto c = weak.lock();
      return c ? c->topLayoutGuideLength() : 0.0;
    });
  }
  return topGuide_;
}

Ref<LayoutGuide> ViewController::bottomLayoutGuide() {
  if (!bottomGuide_) {
    Weak<ViewController> weak = std::static_pointer_cast<ViewController>(self());
    bottomGuide_ = rt::make<LayoutGuide>(view(), LayoutGuide::Edge::Bottom, [weak] {
      auto c = weak.lock();
      return c ? c->bottomLayoutGuideLength() : 0.0;
    });
  }
  return bottomGuide_;
}

}  // namespace ui
