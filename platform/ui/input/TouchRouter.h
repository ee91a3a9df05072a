#pragma once
// Routes a window's touches: the hit view gets the touch callbacks, the recognisers of the hit
// view and its ancestors see the touches first, and a recogniser that recognises cancels or
// releases the touches it was holding back from the view.
#include <vector>

#include "platform/ui/input/Event.h"
#include "platform/ui/input/Touch.h"

namespace ui {

class Window;
class GestureRecognizer;

class TouchRouter {
 public:
  explicit TouchRouter(Window& window) : window_(window) {}

  /// Delivers the touches in `changed`, whose phases were just set, as part of `event`.
  void route(Event& event, const std::vector<Ref<Touch>>& changed);
  /// A recogniser changed state outside delivery (a timer, a dependency): settle the touches.
  void recognizerChanged(GestureRecognizer* g);
  /// The shared touch event of the window.
  Event& event();
  /// Touches currently followed.
  size_t activeTouchCount() const { return infos_.size(); }

 private:
  struct Info {
    Ref<Touch> touch;
    bool viewCancelled = false;
    bool beganDelivered = false;
    bool beganHeld = false;
    bool endHeld = false;
    bool ended = false;
  };
  Info* find(const Touch* t);
  void attachRecognizers(const Ref<Touch>& t);
  void feedRecognizers(Event& event, const std::vector<Ref<Touch>>& changed);
  void settleRecognitions();
  void deliverToViews(Event& event, const std::vector<Ref<Touch>>& changed);
  void flushHeld();
  void cleanup();
  static bool blocks(const Touch& t, bool began);
  bool excluded(const Touch& t) const;
  void send(TouchPhase phase, const std::vector<Ref<Touch>>& touches);

  [[maybe_unused]] Window& window_;  // the window whose touches these are
  Ref<Event> event_;
  std::vector<Info> infos_;
  bool routing_ = false;
};

}  // namespace ui
