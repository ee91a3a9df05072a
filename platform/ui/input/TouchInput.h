#pragma once
// Synthetic input for hosts and tests: touches placed in window coordinates and delivered
// through the window's hit testing and recogniser routing, as a finger's would be. Gestures
// that take time move the run loop's clock (a virtual clock in tests) between their steps.
#include <vector>

#include "platform/graphics/Geometry.h"
#include "platform/ui/input/Touch.h"

namespace ui {

class Window;

class TouchInput {
 public:
  explicit TouchInput(const Ref<Window>& window) : window_(window) {}

  /// Puts fingers down at `points` in one event; answers their touches.
  std::vector<Ref<Touch>> down(const std::vector<gfx::Point>& points);
  Ref<Touch> down(gfx::Point p) { return down(std::vector<gfx::Point>{p}).front(); }
  /// Moves fingers (pairs of touch and new window location) in one event.
  void move(const std::vector<std::pair<Ref<Touch>, gfx::Point>>& moves);
  void move(const Ref<Touch>& t, gfx::Point p) { move({{t, p}}); }
  void up(const std::vector<Ref<Touch>>& touches);
  void up(const Ref<Touch>& t) { up(std::vector<Ref<Touch>>{t}); }
  void cancel(const std::vector<Ref<Touch>>& touches);

  /// Down and up at `p`.
  void tap(gfx::Point p);
  /// Down at `from`, `steps` moves to `to` spread over `seconds`, up.
  void drag(gfx::Point from, gfx::Point to, double seconds = 0.2, int steps = 8);
  /// Down at `p`, held for `seconds`, up.
  void press(gfx::Point p, double seconds);
  /// A shake of the device, delivered as a motion event.
  void shake();

  /// Lets `seconds` pass on the run loop (virtual clock: advance; real clock: run the loop).
  static void wait(double seconds);

 private:
  void deliver(const std::vector<Ref<Touch>>& changed);
  Ref<Window> window_;
};

}  // namespace ui
