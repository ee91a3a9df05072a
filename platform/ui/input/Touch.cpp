#include "platform/ui/input/Touch.h"

#include <algorithm>

#include "platform/ui/input/GestureRecognizer.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Touch) {
  c.property("timestamp", &Touch::timestamp);
  c.property("tapCount", &Touch::tapCount);
}

gfx::Point Touch::convert(gfx::Point windowPoint, const View* view) const {
  if (!view) return windowPoint;
  auto w = window();
  return view->convertPointFromView(windowPoint, w.get());
}

gfx::Point Touch::locationInView(const View* view) const { return convert(current_, view); }
gfx::Point Touch::previousLocationInView(const View* view) const { return convert(previous_, view); }

std::vector<Ref<GestureRecognizer>> Touch::gestureRecognizers() const {
  std::vector<Ref<GestureRecognizer>> out;
  for (auto& w : recognizers_)
    if (auto g = w.lock()) out.push_back(g);
  return out;
}

void Touch::addGestureRecognizer(const Ref<GestureRecognizer>& g) { recognizers_.push_back(g); }

void Touch::removeGestureRecognizer(const GestureRecognizer* g) {
  std::erase_if(recognizers_, [g](const Weak<GestureRecognizer>& w) { return w.lock().get() == g; });
}

bool TouchSet::contains(const Touch* t) const {
  return std::any_of(touches_.begin(), touches_.end(), [t](const Ref<Touch>& x) { return x.get() == t; });
}

void TouchSet::add(const Ref<Touch>& t) {
  if (!contains(t.get())) touches_.push_back(t);
}

}  // namespace ui
