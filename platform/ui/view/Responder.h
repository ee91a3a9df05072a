#pragma once
// Responders: the chain that touches, motions, key presses and actions travel along (view, its controller,
// superview, ..., window, application), and the first responder.
#include "platform/runtime/Class.h"
#include "platform/ui/input/Event.h"
#include "platform/ui/input/Touch.h"
#include "platform/ui/input/keys/Press.h"

namespace ui {

class Responder : public rt::Object {
  RT_CLASS_NAMED(Responder, rt::Object, "UIResponder")
 public:
  void init() {}

  virtual Ref<Responder> nextResponder() const { return nullptr; }

  // First responder
  virtual bool canBecomeFirstResponder() const { return false; }
  /// Takes first-responder status from the current holder when it agrees to resign.
  virtual bool becomeFirstResponder();
  virtual bool canResignFirstResponder() const { return true; }
  virtual bool resignFirstResponder();
  bool isFirstResponder() const;
  virtual void reloadInputViews() {}
  /// The responder currently first, if any.
  static Ref<Responder> currentFirstResponder();

  /// True when this class implements `action`; otherwise the next responder is asked.
  virtual bool canPerformAction(rt::Selector action, const rt::Id& sender) const;
  /// The responder along the chain that can perform `action`, starting here.
  Ref<Responder> targetForAction(rt::Selector action, const rt::Id& sender) const;

  // Touches and motions: the defaults pass them on to the next responder.
  virtual void touchesBegan(const TouchSet& touches, Event* event);
  virtual void touchesMoved(const TouchSet& touches, Event* event);
  virtual void touchesEnded(const TouchSet& touches, Event* event);
  virtual void touchesCancelled(const TouchSet& touches, Event* event);
  virtual void motionBegan(EventSubtype motion, Event* event);
  virtual void motionEnded(EventSubtype motion, Event* event);
  virtual void motionCancelled(EventSubtype motion, Event* event);
  // Key presses of a hardware keyboard, first responder first.
  virtual void pressesBegan(const Press& press, Event* event);
  virtual void pressesEnded(const Press& press, Event* event);
};

}  // namespace ui
