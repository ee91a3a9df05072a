#pragma once
// A recogniser that recognises nothing in particular: it hands every touch phase of its view to
// one block, with the start, previous and current points, so that a view can follow a finger
// without touch handling of its own. Main thread only.
#include <functional>

#include "platform/ui/input/GestureRecognizer.h"

namespace base {

/// Phases handed to the block.
enum DRGestureRecognizerState : int {
  DRGestureRecognizerStateBegan = 0,
  DRGestureRecognizerStateMoved = 1,
  DRGestureRecognizerStateEnded = 2,
  DRGestureRecognizerStateCancelled = 3,
};

class DRGestureRecognizer : public ui::GestureRecognizer {
  RT_CLASS(DRGestureRecognizer, ui::GestureRecognizer)
 public:
  using ActionBlock = std::function<void(DRGestureRecognizer& recognizer, DRGestureRecognizerState phase)>;

  void setAction(ActionBlock action) { action_ = std::move(action); }
  const ActionBlock& action() const { return action_; }
  gfx::Point startPoint() const { return startPoint_; }
  gfx::Point lastPoint() const { return lastPoint_; }
  gfx::Point currentPoint() const { return currentPoint_; }

  void touchesBegan(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesMoved(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesEnded(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesCancelled(const ui::TouchSet& touches, ui::Event* event) override;
  /// Cancels a gesture under way (began or changed); does nothing otherwise.
  void cancel();

 private:
  void call(DRGestureRecognizerState phase) {
    if (action_) action_(*this, phase);
  }
  ActionBlock action_;
  gfx::Point startPoint_{};
  gfx::Point lastPoint_{};
  gfx::Point currentPoint_{};
};

}  // namespace base
