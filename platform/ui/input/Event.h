#pragma once
// Events: a touch event carries every touch currently down; motion events carry the shake.
#include <cstdint>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/ui/input/Touch.h"

namespace ui {

enum class EventType : int64_t { Touches = 0, Motion = 1, RemoteControl = 2, Presses = 3 };
enum class EventSubtype : int64_t { None = 0, MotionShake = 1 };

class Event : public rt::Object {
  RT_CLASS_NAMED(Event, rt::Object, "UIEvent")
 public:
  void init() {}
  void init(EventType type, EventSubtype subtype) { type_ = type; subtype_ = subtype; }

  EventType type() const { return type_; }
  EventSubtype subtype() const { return subtype_; }
  double timestamp() const { return timestamp_; }
  void setTimestamp(double t) { timestamp_ = t; }

  TouchSet allTouches() const { return TouchSet(touches_); }
  TouchSet touchesForView(const View* view) const;
  TouchSet touchesForWindow(const Window* window) const;
  TouchSet touchesForGestureRecognizer(const GestureRecognizer* g) const;

  // Maintained by touch delivery.
  void addTouch(const Ref<Touch>& t);
  void removeTouch(const Touch* t);

 private:
  EventType type_ = EventType::Touches;
  EventSubtype subtype_ = EventSubtype::None;
  double timestamp_ = 0;
  std::vector<Ref<Touch>> touches_;
};

}  // namespace ui
