#pragma once
// A view that plays one stream in its bounds: a player layer over black, or for sound only
// an audio control showing the player's state; a tap pauses or plays again. The web view
// puts one over a tapped media element.
#include "platform/ui/media/MediaAudioControlView.h"
#include "platform/ui/media/MediaPlayer.h"
#include "platform/ui/media/MediaPlayerLayer.h"
#include "platform/ui/view/View.h"

namespace ui {

class MediaPlayerView : public View {
  RT_CLASS_NAMED(MediaPlayerView, View, "_KDMediaPlayerView")
 public:
  void init(gfx::Rect frame, Ref<fd::URL> url, bool soundOnly = false);
  const Ref<MediaPlayer>& player() const { return player_; }
  /// Null for sound only.
  const Ref<MediaPlayerLayer>& playerLayer() const { return playerLayer_; }
  /// Null for video.
  const Ref<MediaAudioControlView>& audioControl() const { return audioControl_; }
  void layoutSubviews() override;

 private:
  Ref<MediaPlayer> player_;
  Ref<MediaPlayerLayer> playerLayer_;
  Ref<MediaAudioControlView> audioControl_;
};

}  // namespace ui
