#pragma once
// A timer synchronised with the display: calls its target once per frame (60 a second, on
// the run loop's clock) in the run-loop modes it was added to.
#include <functional>
#include <vector>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

class DisplayLink : public rt::Object {
  RT_CLASS_NAMED(DisplayLink, rt::Object, "CADisplayLink")
 public:
  /// Frames per second of the display.
  static constexpr double kRefreshRate = 60;

  void init() {}
  /// The target is held weakly; `selector` takes the link as its one argument (or none).
  static Ref<DisplayLink> displayLinkWithTarget(const rt::Id& target, rt::Selector selector);
  static Ref<DisplayLink> displayLinkWithBlock(std::function<void(DisplayLink&)> block);
  ~DisplayLink() override;

  void addToRunLoop(const Ref<fd::RunLoop>& loop, const rt::String& mode);
  void removeFromRunLoop(const Ref<fd::RunLoop>& loop, const rt::String& mode);
  /// Removes the link from every loop; it never fires again.
  void invalidate();
  bool isValid() const { return valid_; }

  bool isPaused() const { return paused_; }
  void setPaused(bool p) { paused_ = p; }
  /// Frames between calls (1: every frame).
  int64_t frameInterval() const { return frameInterval_; }
  void setFrameInterval(int64_t n) { frameInterval_ = n < 1 ? 1 : n; }
  int64_t preferredFramesPerSecond() const;
  void setPreferredFramesPerSecond(int64_t fps);

  /// Time of the last frame shown (media time); 0 before the first call.
  double timestamp() const { return timestamp_; }
  /// One refresh period.
  double duration() const { return duration_; }
  double targetTimestamp() const { return timestamp_ + duration_ * static_cast<double>(frameInterval_); }

  /// Delivers one frame now with the given facts (hosts and tests drive links by hand with it).
  void tick(double timestamp, double duration);

 private:
  struct Scheduled {
    Weak<fd::RunLoop> loop;
    rt::String mode;
    Ref<fd::Timer> timer;
  };
  void frame();
  void deliver();

  Weak<rt::Object> target_;
  bool hasTarget_ = false;
  rt::Selector selector_;
  std::function<void(DisplayLink&)> block_;
  std::vector<Scheduled> scheduled_;
  bool valid_ = true;
  bool paused_ = false;
  int64_t frameInterval_ = 1;
  uint64_t frames_ = 0;
  double timestamp_ = 0;
  double duration_ = 1.0 / kRefreshRate;
};

}  // namespace ui
