#include "app/categories/View+Category.h"

namespace app {

Ref<ui::ViewController> viewController(const ui::View& v) {
  for (auto r = v.nextResponder(); r; r = r->nextResponder())
    if (auto vc = std::dynamic_pointer_cast<ui::ViewController>(r)) return vc;
  return nullptr;
}

void removeAllSubviews(ui::View& v) {
  auto subviews = v.subviews();
  for (auto& s : subviews) s->removeFromSuperview();
}

}  // namespace app
