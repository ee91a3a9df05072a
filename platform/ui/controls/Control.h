#pragma once
// Controls: views with states (normal, highlighted, disabled, selected) that track a touch and
// send actions to targets registered per control event.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ui/view/View.h"

namespace ui {

enum ControlState : uint64_t {
  ControlStateNormal = 0,
  ControlStateHighlighted = 1 << 0,
  ControlStateDisabled = 1 << 1,
  ControlStateSelected = 1 << 2,
  ControlStateApplication = 0x00FF0000,
};

enum ControlEvents : uint64_t {
  ControlEventTouchDown = 1 << 0,
  ControlEventTouchDownRepeat = 1 << 1,
  ControlEventTouchDragInside = 1 << 2,
  ControlEventTouchDragOutside = 1 << 3,
  ControlEventTouchDragEnter = 1 << 4,
  ControlEventTouchDragExit = 1 << 5,
  ControlEventTouchUpInside = 1 << 6,
  ControlEventTouchUpOutside = 1 << 7,
  ControlEventTouchCancel = 1 << 8,
  ControlEventValueChanged = 1 << 12,
  ControlEventEditingDidBegin = 1 << 16,
  ControlEventEditingChanged = 1 << 17,
  ControlEventEditingDidEnd = 1 << 18,
  ControlEventEditingDidEndOnExit = 1 << 19,
  ControlEventAllTouchEvents = 0x00000FFF,
  ControlEventAllEditingEvents = 0x000F0000,
  ControlEventApplicationReserved = 0x0F000000,
  ControlEventSystemReserved = 0xF0000000,
  ControlEventAllEvents = 0xFFFFFFFF,
};

enum class ControlContentHorizontalAlignment : int64_t { Center = 0, Left = 1, Right = 2, Fill = 3 };
enum class ControlContentVerticalAlignment : int64_t { Center = 0, Top = 1, Bottom = 2, Fill = 3 };

class Control : public View {
  RT_CLASS_NAMED(Control, View, "UIControl")
 public:
  using Action = std::function<void(Control& sender, Event* event)>;

  // ---- state
  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool on);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool on);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool on);
  uint64_t state() const;
  bool isTracking() const { return tracking_; }
  bool isTouchInside() const { return touchInside_; }
  ControlContentHorizontalAlignment contentHorizontalAlignment() const { return hAlign_; }
  void setContentHorizontalAlignment(ControlContentHorizontalAlignment a) { hAlign_ = a; setNeedsLayout(); }
  ControlContentVerticalAlignment contentVerticalAlignment() const { return vAlign_; }
  void setContentVerticalAlignment(ControlContentVerticalAlignment a) { vAlign_ = a; setNeedsLayout(); }

  // ---- target-action: targets are not retained; a null target means the responder chain.
  /// The action selector takes nothing, the sender, or the sender and the event.
  void addTarget(const rt::Id& target, rt::Selector action, uint64_t events);
  /// A callable action; removed with its target (or, for a null target, by removing all).
  void addTarget(const rt::Id& target, Action action, uint64_t events);
  /// A class object as the target (never released).
  void addTarget(const rt::Class* target, rt::Selector action, uint64_t events);
  /// Null target: every target; null action: every action of the target.
  void removeTarget(const rt::Id& target, rt::Selector action, uint64_t events);
  std::vector<rt::Id> allTargets() const;
  uint64_t allControlEvents() const;
  /// Selector names registered for `target` and that one event.
  std::vector<rt::String> actionsForTarget(const rt::Id& target, uint64_t event) const;
  void sendActionsForControlEvents(uint64_t events);
  virtual void sendAction(rt::Selector action, const rt::Id& target, Event* event);

  // ---- tracking (overridable)
  virtual bool beginTrackingWithTouch(Touch& touch, Event* event);
  virtual bool continueTrackingWithTouch(Touch& touch, Event* event);
  virtual void endTrackingWithTouch(Touch* touch, Event* event);
  virtual void cancelTrackingWithEvent(Event* event);

  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void touchesCancelled(const TouchSet& touches, Event* event) override;

  /// Touches this far outside the bounds still count as inside.
  static constexpr double kTouchSlop = 70;

 protected:
  /// Called whenever enabled, selected or highlighted changed.
  virtual void stateDidChange() {}

 private:
  struct Entry {
    Weak<rt::Object> target;
    const rt::Object* immortal = nullptr;  // class objects
    bool hasTarget = false;
    rt::Selector selector;
    Action action;
    uint64_t events = 0;
  };
  rt::Id targetOf(const Entry& e) const;
  void sendEvents(uint64_t events, Event* event);
  bool isInside(Touch& touch) const;

  std::vector<Entry> entries_;
  bool enabled_ = true, selected_ = false, highlighted_ = false;
  bool tracking_ = false, touchInside_ = false;
  ControlContentHorizontalAlignment hAlign_ = ControlContentHorizontalAlignment::Center;
  ControlContentVerticalAlignment vAlign_ = ControlContentVerticalAlignment::Center;
};

}  // namespace ui
