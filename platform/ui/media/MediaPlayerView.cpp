#include "platform/ui/media/MediaPlayerView.h"

#include "platform/graphics/Color.h"
#include "platform/ui/input/TapGestureRecognizer.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MediaPlayerView) {}

void MediaPlayerView::init(gfx::Rect frame, Ref<fd::URL> url, bool soundOnly) {
  View::init(frame);
  player_ = MediaPlayer::playerWithURL(url);
  if (soundOnly) {
    // No picture ever comes: the control draws the state instead.
    audioControl_ = rt::make<MediaAudioControlView>(bounds(), player_);
    addSubview(audioControl_);
  } else {
    setBackgroundColor(gfx::Color::blackColor());
    playerLayer_ = MediaPlayerLayer::playerLayerWithPlayer(player_);
    playerLayer_->setFrame(bounds());
    layer()->addSublayer(playerLayer_);
  }
  Weak<MediaPlayerView> weak = std::static_pointer_cast<MediaPlayerView>(self());
  auto tap = rt::make<TapGestureRecognizer>();
  tap->addTarget(self(), [weak](GestureRecognizer& g) {
    auto v = weak.lock();
    if (!v || g.state() != GestureRecognizerState::Ended) return;
    if (v->player_->rate() > 0) v->player_->pause();
    else v->player_->play();
  });
  addGestureRecognizer(tap);
}

void MediaPlayerView::layoutSubviews() {
  if (playerLayer_) playerLayer_->setFrame(bounds());
  if (audioControl_) audioControl_->setFrame(bounds());
}

}  // namespace ui
