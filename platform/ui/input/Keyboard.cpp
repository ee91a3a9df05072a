#include "platform/ui/input/Keyboard.h"

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/input/KeyboardNotifications.h"
#include "platform/ui/input/keyboard/KeyboardWindow.h"
#include "platform/ui/view/Screen.h"

namespace ui {

RT_IMPLEMENT(Keyboard) {}

Ref<Keyboard> Keyboard::sharedKeyboard() {
  static Ref<Keyboard> shared = rt::make<Keyboard>();
  return shared;
}

double Keyboard::standardHeight(gfx::Size screen) { return screen.width > screen.height ? 162 : 216; }

void Keyboard::setStyle(KeyboardStyle style) {
  style_ = style;
  if (style != KeyboardStyle::OnScreen && window_) {
    window_->setHidden(true);
    window_ = nullptr;
  }
}

void Keyboard::show() {
  if (!visible_) change(true);
}

void Keyboard::hide() {
  if (visible_) change(false);
}

void Keyboard::textInputBegan() {
  pendingHide_ = 0;
  show();
}

void Keyboard::textInputEnded() {
  uint64_t ticket = ++hideTickets_;
  pendingHide_ = ticket;
  Weak<Keyboard> weak = std::static_pointer_cast<Keyboard>(self());
  dispatch::mainQueue()->async([weak, ticket] {
    auto k = weak.lock();
    if (k && k->pendingHide_ == ticket) {
      k->pendingHide_ = 0;
      k->hide();
    }
  });
}

void Keyboard::change(bool showing) {
  gfx::Size screen = Screen::mainScreen()->bounds().size;
  double h = style_ == KeyboardStyle::None ? 0 : standardHeight(screen);
  gfx::Rect offscreen{{0, screen.height}, {screen.width, h}};
  gfx::Rect onscreen{{0, screen.height - h}, {screen.width, h}};
  gfx::Rect begin = showing ? offscreen : frame_;
  gfx::Rect end = showing ? onscreen : offscreen;
  visible_ = showing;
  frame_ = end;
  uint64_t ticket = ++generation_;
  auto info = fd::Dictionary::withStrings({
      {UIKeyboardFrameBeginUserInfoKey, fd::ValueBox::valueWith(begin)},
      {UIKeyboardFrameEndUserInfoKey, fd::ValueBox::valueWith(end)},
      {UIKeyboardAnimationCurveUserInfoKey, fd::Number::numberWithInteger(kAnimationCurve)},
      {UIKeyboardAnimationDurationUserInfoKey, fd::Number::numberWithDouble(kAnimationDuration)},
  });
  if (style_ == KeyboardStyle::OnScreen) {
    if (!window_) window_ = rt::make<KeyboardWindow>(Screen::mainScreen()->bounds());
    window_->setHidden(false);
    window_->slide(begin, end, kAnimationDuration);
  }
  auto center = fd::NotificationCenter::defaultCenter();
  center->post(UIKeyboardWillChangeFrameNotification, nullptr, info);
  center->post(showing ? UIKeyboardWillShowNotification : UIKeyboardWillHideNotification, nullptr, info);
  Weak<Keyboard> weak = std::static_pointer_cast<Keyboard>(self());
  dispatch::mainQueue()->after(kAnimationDuration, [weak, ticket, showing, info] {
    auto k = weak.lock();
    // A change in the meantime speaks for itself.
    if (!k || k->generation_ != ticket) return;
    // Gone down: its window stops drawing and taking touches.
    if (!showing && k->window_) k->window_->setHidden(true);
    auto c = fd::NotificationCenter::defaultCenter();
    c->post(showing ? UIKeyboardDidShowNotification : UIKeyboardDidHideNotification, nullptr, info);
    c->post(UIKeyboardDidChangeFrameNotification, nullptr, info);
  });
}

}  // namespace ui
