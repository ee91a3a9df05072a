#pragma once
// A view that plays one stream in its bounds: a player layer over black; a tap pauses or
// plays again. The web view puts one over a tapped media element.
#include "platform/ui/media/MediaPlayer.h"
#include "platform/ui/media/MediaPlayerLayer.h"
#include "platform/ui/view/View.h"

namespace ui {

class MediaPlayerView : public View {
  RT_CLASS_NAMED(MediaPlayerView, View, "_KDMediaPlayerView")
 public:
  void init(gfx::Rect frame, Ref<fd::URL> url);
  const Ref<MediaPlayer>& player() const { return player_; }
  const Ref<MediaPlayerLayer>& playerLayer() const { return playerLayer_; }
  void layoutSubviews() override;

 private:
  Ref<MediaPlayer> player_;
  Ref<MediaPlayerLayer> playerLayer_;
};

}  // namespace ui
