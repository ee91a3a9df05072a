#pragma once
// The player layer: shows its player's frames in its bounds, placed by the video gravity.
#include "platform/ui/layer/Layer.h"

namespace ui {

class MediaPlayer;

inline constexpr const char* MediaLayerVideoGravityResize = "AVLayerVideoGravityResize";
inline constexpr const char* MediaLayerVideoGravityResizeAspect = "AVLayerVideoGravityResizeAspect";
inline constexpr const char* MediaLayerVideoGravityResizeAspectFill = "AVLayerVideoGravityResizeAspectFill";

class MediaPlayerLayer : public Layer {
  RT_CLASS_NAMED(MediaPlayerLayer, Layer, "AVPlayerLayer")
 public:
  void init();
  static Ref<MediaPlayerLayer> playerLayerWithPlayer(const Ref<MediaPlayer>& player);

  const Ref<MediaPlayer>& player() const { return player_; }
  void setPlayer(const Ref<MediaPlayer>& player);
  const rt::String& videoGravity() const { return videoGravity_; }
  void setVideoGravity(const rt::String& gravity);
  /// True once a frame has been shown.
  bool isReadyForDisplay() const { return ready_; }

 private:
  friend class MediaPlayer;
  void showFrame(const Ref<gfx::BitmapImage>& frame);

  Ref<MediaPlayer> player_;
  rt::String videoGravity_{MediaLayerVideoGravityResizeAspect};
  bool ready_ = false;
};

}  // namespace ui
