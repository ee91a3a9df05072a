#include "platform/ui/controls/Control.h"

#include <algorithm>

#include "platform/ui/host/Application.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Control) {
  c.property("enabled", &Control::isEnabled, &Control::setEnabled).getterName("isEnabled");
  c.property("selected", &Control::isSelected, &Control::setSelected).getterName("isSelected");
  c.property("highlighted", &Control::isHighlighted, &Control::setHighlighted).getterName("isHighlighted");
  c.property("state", &Control::state);
}

// ---- state

uint64_t Control::state() const {
  uint64_t s = ControlStateNormal;
  if (highlighted_) s |= ControlStateHighlighted;
  if (!enabled_) s |= ControlStateDisabled;
  if (selected_) s |= ControlStateSelected;
  return s;
}

void Control::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (!on) highlighted_ = false;
  stateDidChange();
}

void Control::setSelected(bool on) {
  if (on == selected_) return;
  selected_ = on;
  stateDidChange();
}

void Control::setHighlighted(bool on) {
  if (on == highlighted_) return;
  highlighted_ = on;
  stateDidChange();
}

// ---- target-action

void Control::addTarget(const rt::Id& target, rt::Selector action, uint64_t events) {
  if (!action || !events) return;
  for (auto& e : entries_)
    if (e.hasTarget == bool(target) && targetOf(e) == target && e.selector == action && !e.action) {
      e.events |= events;
      return;
    }
  entries_.push_back({target, nullptr, bool(target), action, nullptr, events});
}

void Control::addTarget(const rt::Id& target, Action action, uint64_t events) {
  if (!action || !events) return;
  entries_.push_back({target, nullptr, bool(target), {}, std::move(action), events});
}

void Control::addTarget(const rt::Class* target, rt::Selector action, uint64_t events) {
  if (!target || !action || !events) return;
  entries_.push_back({{}, target, true, action, nullptr, events});
}

rt::Id Control::targetOf(const Entry& e) const {
  if (e.immortal) return rt::Id(std::shared_ptr<rt::Object>(), const_cast<rt::Object*>(e.immortal));
  return e.target.lock();
}

void Control::removeTarget(const rt::Id& target, rt::Selector action, uint64_t events) {
  for (auto& e : entries_) {
    bool match = !target || targetOf(e).get() == target.get();
    if (match && (!action || e.selector == action)) e.events &= ~events;
  }
  std::erase_if(entries_, [](const Entry& e) { return e.events == 0; });
}

std::vector<rt::Id> Control::allTargets() const {
  std::vector<rt::Id> out;
  for (auto& e : entries_) {
    rt::Id t = targetOf(e);
    if (!e.hasTarget) t = nullptr;
    else if (!t) continue;
    if (std::none_of(out.begin(), out.end(), [&](const rt::Id& x) { return x.get() == t.get(); })) out.push_back(t);
  }
  return out;
}

uint64_t Control::allControlEvents() const {
  uint64_t all = 0;
  for (auto& e : entries_) all |= e.events;
  return all;
}

std::vector<rt::String> Control::actionsForTarget(const rt::Id& target, uint64_t event) const {
  std::vector<rt::String> out;
  for (auto& e : entries_)
    if ((e.events & event) && e.selector && targetOf(e).get() == target.get()) out.emplace_back(e.selector.name());
  return out;
}

void Control::sendAction(rt::Selector action, const rt::Id& target, Event* event) {
  Application::sharedApplication()->sendAction(action, target, self(), event);
}

void Control::sendEvents(uint64_t events, Event* event) {
  auto keep = self();
  auto entries = entries_;
  for (auto& e : entries) {
    if (!(e.events & events)) continue;
    rt::Id target = targetOf(e);
    if (e.hasTarget && !target) continue;  // the target has gone
    if (e.action) e.action(*this, event);
    else sendAction(e.selector, target, event);
  }
}

void Control::sendActionsForControlEvents(uint64_t events) { sendEvents(events, nullptr); }

// ---- tracking

bool Control::isInside(Touch& touch) const {
  gfx::Rect slop = gfx::RectInset(bounds(), -kTouchSlop, -kTouchSlop);
  return gfx::RectContainsPoint(slop, touch.locationInView(this));
}

bool Control::beginTrackingWithTouch(Touch&, Event*) { return true; }
bool Control::continueTrackingWithTouch(Touch&, Event*) { return true; }
void Control::endTrackingWithTouch(Touch*, Event*) {}
void Control::cancelTrackingWithEvent(Event*) {}

void Control::touchesBegan(const TouchSet& touches, Event* event) {
  auto t = touches.anyObject();
  if (!t || !enabled_) return;
  touchInside_ = true;
  setHighlighted(true);
  tracking_ = beginTrackingWithTouch(*t, event);
  sendEvents(t->tapCount() > 1 ? (ControlEventTouchDown | ControlEventTouchDownRepeat) : ControlEventTouchDown, event);
}

void Control::touchesMoved(const TouchSet& touches, Event* event) {
  auto t = touches.anyObject();
  if (!t || !enabled_) return;
  bool inside = isInside(*t);
  bool was = touchInside_;
  touchInside_ = inside;
  setHighlighted(inside);
  if (tracking_) tracking_ = continueTrackingWithTouch(*t, event);
  uint64_t events = inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside;
  if (inside != was) events |= inside ? ControlEventTouchDragEnter : ControlEventTouchDragExit;
  sendEvents(events, event);
}

void Control::touchesEnded(const TouchSet& touches, Event* event) {
  auto t = touches.anyObject();
  if (!t || !enabled_) return;
  touchInside_ = isInside(*t);
  setHighlighted(false);
  if (tracking_) endTrackingWithTouch(t.get(), event);
  tracking_ = false;
  sendEvents(touchInside_ ? ControlEventTouchUpInside : ControlEventTouchUpOutside, event);
  touchInside_ = false;
}

void Control::touchesCancelled(const TouchSet&, Event* event) {
  setHighlighted(false);
  if (tracking_) cancelTrackingWithEvent(event);
  tracking_ = false;
  touchInside_ = false;
  sendEvents(ControlEventTouchCancel, event);
}

}  // namespace ui
