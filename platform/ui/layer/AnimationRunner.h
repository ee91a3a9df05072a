#pragma once
// Drives attached animations on the main run loop: start and stop reports, removal on
// completion, and redraw requests while anything moves.
#include <vector>

#include "platform/foundation/threads/Timer.h"
#include "platform/ui/layer/Layer.h"

namespace ui {

class AnimationRunner {
 public:
  static AnimationRunner& shared();
  /// Starts watching `layer` (ticking 60 times a second while anything is watched).
  void track(const Ref<Layer>& layer);
  /// Reports and removes what is due at media time `now`.
  void tick(double now);
  /// Layers currently watched.
  size_t trackedCount() const { return layers_.size(); }

 private:
  std::vector<Weak<Layer>> layers_;
  Ref<fd::Timer> timer_;
};

}  // namespace ui
