#include "platform/ui/view/Responder.h"


namespace ui {

RT_IMPLEMENT_PLATFORM(Responder) {
  c.property("canBecomeFirstResponder", &Responder::canBecomeFirstResponder);
  c.property("isFirstResponder", &Responder::isFirstResponder);
}

namespace {
// The one first responder of the application; weak so that a responder's end clears it.
Weak<Responder>& firstResponderSlot() {
  static Weak<Responder> slot;
  return slot;
}
}  // namespace

Ref<Responder> Responder::currentFirstResponder() { return firstResponderSlot().lock(); }

bool Responder::isFirstResponder() const { return currentFirstResponder().get() == this; }

bool Responder::becomeFirstResponder() {
  if (isFirstResponder()) return true;
  if (!canBecomeFirstResponder()) return false;
  if (auto current = currentFirstResponder()) {
    if (!current->resignFirstResponder()) return false;
  }
  firstResponderSlot() = std::static_pointer_cast<Responder>(self());
  return true;
}

bool Responder::resignFirstResponder() {
  if (!canResignFirstResponder()) return false;
  if (isFirstResponder()) firstResponderSlot().reset();
  return true;
}

bool Responder::canPerformAction(rt::Selector action, const rt::Id& sender) const {
  if (respondsToSelector(action)) return true;
  auto next = nextResponder();
  return next && next->canPerformAction(action, sender);
}

Ref<Responder> Responder::targetForAction(rt::Selector action, const rt::Id& sender) const {
  for (auto r = std::static_pointer_cast<const Responder>(self()); r; r = r->nextResponder()) {
    if (r->respondsToSelector(action)) return std::const_pointer_cast<Responder>(r);
  }
  (void)sender;
  return nullptr;
}

void Responder::touchesBegan(const TouchSet& touches, Event* event) {
  if (auto n = nextResponder()) n->touchesBegan(touches, event);
}
void Responder::touchesMoved(const TouchSet& touches, Event* event) {
  if (auto n = nextResponder()) n->touchesMoved(touches, event);
}
void Responder::touchesEnded(const TouchSet& touches, Event* event) {
  if (auto n = nextResponder()) n->touchesEnded(touches, event);
}
void Responder::touchesCancelled(const TouchSet& touches, Event* event) {
  if (auto n = nextResponder()) n->touchesCancelled(touches, event);
}
void Responder::motionBegan(EventSubtype motion, Event* event) {
  if (auto n = nextResponder()) n->motionBegan(motion, event);
}
void Responder::motionEnded(EventSubtype motion, Event* event) {
  if (auto n = nextResponder()) n->motionEnded(motion, event);
}
void Responder::motionCancelled(EventSubtype motion, Event* event) {
  if (auto n = nextResponder()) n->motionCancelled(motion, event);
}

void Responder::pressesBegan(const Press& press, Event* event) {
  if (auto n = nextResponder()) n->pressesBegan(press, event);
}
void Responder::pressesEnded(const Press& press, Event* event) {
  if (auto n = nextResponder()) n->pressesEnded(press, event);
}

}  // namespace ui
