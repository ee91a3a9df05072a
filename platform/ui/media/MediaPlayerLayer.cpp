#include "platform/ui/media/MediaPlayerLayer.h"

#include "platform/ui/media/MediaPlayer.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MediaPlayerLayer) {}

void MediaPlayerLayer::init() {
  Layer::init();
  setContentsGravity(kCAGravityResizeAspect);
}

Ref<MediaPlayerLayer> MediaPlayerLayer::playerLayerWithPlayer(const Ref<MediaPlayer>& player) {
  auto layer = rt::make<MediaPlayerLayer>();
  layer->setPlayer(player);
  return layer;
}

void MediaPlayerLayer::setPlayer(const Ref<MediaPlayer>& player) {
  if (player_ == player) return;
  player_ = player;
  ready_ = false;
  setContents(nullptr);
  if (!player_) return;
  player_->addLayer(std::static_pointer_cast<MediaPlayerLayer>(self()));
  if (player_->currentFrame()) showFrame(player_->currentFrame());
}

void MediaPlayerLayer::setVideoGravity(const rt::String& gravity) {
  videoGravity_ = gravity;
  if (gravity == MediaLayerVideoGravityResize) setContentsGravity(kCAGravityResize);
  else if (gravity == MediaLayerVideoGravityResizeAspectFill) setContentsGravity(kCAGravityResizeAspectFill);
  else setContentsGravity(kCAGravityResizeAspect);
}

void MediaPlayerLayer::showFrame(const Ref<gfx::BitmapImage>& frame) {
  ready_ = true;
  setContents(frame);
}

}  // namespace ui
