#pragma once
// The volume view: holds the system volume slider ("MPVolumeSlider" by class), whose value
// is the in-process system volume; moving it, or sending its touch-up-inside actions after
// setting its value, sets that volume for every player.
#include "platform/ui/controls/Slider.h"
#include "platform/ui/view/View.h"

namespace ui {

class VolumeSlider : public Slider {
  RT_CLASS_NAMED(VolumeSlider, Slider, "MPVolumeSlider")
 public:
  void init(gfx::Rect frame);
  ~VolumeSlider() override;

 private:
  uint64_t observation_ = 0;
};

class VolumeView : public View {
  RT_CLASS_NAMED(VolumeView, View, "MPVolumeView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  const Ref<VolumeSlider>& volumeSlider() const { return slider_; }
  void layoutSubviews() override;

 private:
  Ref<VolumeSlider> slider_;
};

}  // namespace ui
