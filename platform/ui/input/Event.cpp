#include "platform/ui/input/Event.h"

#include <algorithm>

namespace ui {

RT_IMPLEMENT_PLATFORM(Event) { c.property("timestamp", &Event::timestamp); }

TouchSet Event::touchesForView(const View* view) const {
  TouchSet s;
  for (auto& t : touches_)
    if (t->view().get() == view) s.add(t);
  return s;
}

TouchSet Event::touchesForWindow(const Window* window) const {
  TouchSet s;
  for (auto& t : touches_)
    if (t->window().get() == window) s.add(t);
  return s;
}

TouchSet Event::touchesForGestureRecognizer(const GestureRecognizer* g) const {
  TouchSet s;
  for (auto& t : touches_)
    for (auto& r : t->gestureRecognizers())
      if (r.get() == g) s.add(t);
  return s;
}

void Event::addTouch(const Ref<Touch>& t) {
  if (std::find(touches_.begin(), touches_.end(), t) == touches_.end()) touches_.push_back(t);
}

void Event::removeTouch(const Touch* t) {
  std::erase_if(touches_, [t](const Ref<Touch>& x) { return x.get() == t; });
}

}  // namespace ui
