#include "platform/ui/media/VolumeView.h"

#include "platform/ui/media/MediaSystemVolume.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(VolumeSlider) {}
RT_IMPLEMENT_PLATFORM(VolumeView) {}

void VolumeSlider::init(gfx::Rect frame) {
  Slider::init(frame);
  setValue(MediaSystemVolume::shared()->volume());
  Weak<VolumeSlider> weak = std::static_pointer_cast<VolumeSlider>(self());
  addTarget(
      self(),
      [weak](Control&, Event*) {
        if (auto s = weak.lock()) MediaSystemVolume::shared()->setVolume(s->value());
      },
      ControlEventValueChanged | ControlEventTouchUpInside);
  observation_ = MediaSystemVolume::shared()->observe("volume", 0, [weak](rt::Object*, const rt::KeyValueChange&) {
    auto s = weak.lock();
    if (s && s->value() != MediaSystemVolume::shared()->volume()) s->setValue(MediaSystemVolume::shared()->volume());
  });
}

VolumeSlider::~VolumeSlider() {
  if (observation_) MediaSystemVolume::shared()->removeObservation(observation_);
}

void VolumeView::init(gfx::Rect frame) {
  View::init(frame);
  slider_ = rt::make<VolumeSlider>(gfx::RectMake(0, 0, frame.size.width, frame.size.height));
  addSubview(slider_);
}

void VolumeView::layoutSubviews() { slider_->setFrame(bounds()); }

}  // namespace ui
