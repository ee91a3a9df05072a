#pragma once
// Touches: one finger's contact, followed from its first contact to its lift. Locations are kept
// in window coordinates and converted on demand, so a view that moves mid-gesture still gets
// correct readings.
#include <cstdint>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"

namespace ui {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase : int64_t { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

class Touch : public rt::Object {
  RT_CLASS_NAMED(Touch, rt::Object, "UITouch")
 public:
  void init() {}

  TouchPhase phase() const { return phase_; }
  double timestamp() const { return timestamp_; }
  int64_t tapCount() const { return tapCount_; }
  /// The view hit when the touch began; it stays the touch's view until the touch ends.
  Ref<View> view() const { return view_.lock(); }
  Ref<Window> window() const { return window_.lock(); }
  /// Location in `view`'s coordinates; null `view` means the window's.
  gfx::Point locationInView(const View* view) const;
  gfx::Point previousLocationInView(const View* view) const;
  std::vector<Ref<GestureRecognizer>> gestureRecognizers() const;

  // Set by touch delivery.
  void setPhase(TouchPhase p) { phase_ = p; }
  void setTimestamp(double t) { timestamp_ = t; }
  void setTapCount(int64_t n) { tapCount_ = n; }
  void setView(const Ref<View>& v) { view_ = v; }
  void setWindow(const Ref<Window>& w) { window_ = w; }
  /// Moves the touch to `p` (window coordinates), remembering the previous location.
  void moveTo(gfx::Point p) { previous_ = current_; current_ = p; }
  void placeAt(gfx::Point p) { previous_ = current_ = p; }
  gfx::Point windowLocation() const { return current_; }
  void addGestureRecognizer(const Ref<GestureRecognizer>& g);
  void removeGestureRecognizer(const GestureRecognizer* g);

 private:
  gfx::Point convert(gfx::Point windowPoint, const View* view) const;
  TouchPhase phase_ = TouchPhase::Began;
  double timestamp_ = 0;
  int64_t tapCount_ = 1;
  Weak<View> view_;
  Weak<Window> window_;
  gfx::Point current_, previous_;
  std::vector<Weak<GestureRecognizer>> recognizers_;
};

/// The touches of one callback; order is that of arrival.
class TouchSet {
 public:
  TouchSet() = default;
  explicit TouchSet(std::vector<Ref<Touch>> touches) : touches_(std::move(touches)) {}
  /// Some touch of the set, null when empty.
  Ref<Touch> anyObject() const { return touches_.empty() ? nullptr : touches_.front(); }
  size_t count() const { return touches_.size(); }
  bool empty() const { return touches_.empty(); }
  bool contains(const Touch* t) const;
  void add(const Ref<Touch>& t);
  auto begin() const { return touches_.begin(); }
  auto end() const { return touches_.end(); }
  const std::vector<Ref<Touch>>& touches() const { return touches_; }

 private:
  std::vector<Ref<Touch>> touches_;
};

}  // namespace ui
