#pragma once
// The system's output volume, kept in this process: one shared value 0...1 that the volume
// view's slider sets and every player multiplies its own volume by. Observable as "volume".
#include "platform/runtime/Class.h"

namespace ui {

class MediaSystemVolume : public rt::Object {
  RT_CLASS_NAMED(MediaSystemVolume, rt::Object, "_KDSystemVolume")
 public:
  void init() {}
  static Ref<MediaSystemVolume> shared();
  double volume() const { return volume_; }
  /// Clamped to 0...1.
  void setVolume(double volume);

 private:
  double volume_ = 0.5;
};

}  // namespace ui
