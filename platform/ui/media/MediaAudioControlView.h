#pragma once
// The control of a sound-only stream: a bar with a play or pause mark, how far it has played
// and the elapsed and total time, or that it cannot play. It only shows its player's state
// (taps go to the view under it); while it plays and is in a window it follows the position
// every quarter second of the stream. Main thread only.
#include "platform/foundation/threads/Timer.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/media/MediaPlayer.h"
#include "platform/ui/view/View.h"

namespace ui {

class MediaAudioControlView : public View {
  RT_CLASS_NAMED(MediaAudioControlView, View, "_KDMediaAudioControlView")
 public:
  void init(gfx::Rect frame, Ref<MediaPlayer> player);
  ~MediaAudioControlView() override;

  void layoutSubviews() override;
  void drawRect(gfx::Rect rect) override;
  void didMoveToWindow() override;

 private:
  void update();
  void followPosition();
  /// The play or pause mark's disc, and the bar of how far it has played.
  gfx::Rect buttonRect() const;
  gfx::Rect trackRect() const;

  Ref<MediaPlayer> player_;
  Ref<Label> timeLabel_;
  Ref<fd::Timer> ticker_;
  uint64_t rateObservation_ = 0, statusObservation_ = 0;
};

}  // namespace ui
