#pragma once
// A full-screen landscape player for one stream address with its own controls: a top strip
// with a back button, play/pause, a seek slider over the buffered bar, the elapsed and total
// time, a busy indicator until the player is ready, controls that fade 7 s after showing,
// and a vertical one-finger swipe that steps the system volume.
#include "platform/foundation/threads/Timer.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/ProgressView.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/media/MediaPlayer.h"
#include "platform/ui/media/MediaPlayerLayer.h"
#include "platform/ui/media/VolumeView.h"

namespace app {

class KDVideoPlayViewController : public ui::ViewController {
  RT_CLASS(KDVideoPlayViewController, ui::ViewController)
 public:
  /// Seconds the controls stay after showing, and their fade.
  static constexpr double kControlsLinger = 7;
  static constexpr double kFadeDuration = 0.5;
  static constexpr double kVolumeStep = 0.05;

  void init();
  ~KDVideoPlayViewController() override;
  void viewDidLoad() override;

  /// The stream address; set before presentation.
  const fd::String& videoUrl() const { return videoUrl_; }
  void setVideoUrl(const fd::String& url) { videoUrl_ = url; }

  void createProgress();
  void createSlider();
  void createCurrentTimeLabel();
  void createButton();
  void backButton();
  void createTitle();
  void createGesture();
  void customVideoSlider();

  void progressSlider(ui::Slider& slider);
  void startAction(ui::Button& button);
  void backButtonAction();
  void tapAction();
  void moviePlayDidEnd();
  /// The once-a-second refresh of slider, label and busy indicator.
  void Stack();
  /// Seconds loaded: the end of the item's first loaded range (0 without one).
  double availableDuration() const;

  void touchesBegan(const ui::TouchSet& touches, ui::Event* event) override;
  void touchesMoved(const ui::TouchSet& touches, ui::Event* event) override;

  bool shouldAutorotate() const override { return false; }
  uint64_t supportedInterfaceOrientations() const override;
  ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() const override;
  bool prefersStatusBarHidden() const override { return false; }

  double width() const { return width_; }
  double height() const { return height_; }
  const Ref<ui::MediaPlayer>& player() const { return player_; }
  const Ref<ui::MediaPlayerItem>& playerItem() const { return playerItem_; }
  const Ref<ui::MediaPlayerLayer>& playerLayer() const { return playerLayer_; }
  const Ref<ui::View>& backView() const { return backView_; }
  const Ref<ui::View>& topView() const { return topView_; }
  const Ref<ui::Slider>& slider() const { return slider_; }
  const Ref<ui::ProgressView>& progress() const { return progress_; }
  const Ref<ui::Label>& currentTimeLabel() const { return currentTimeLabel_; }
  const Ref<ui::Label>& titleLabel() const { return titleLabel_; }
  const Ref<ui::Button>& playButton() const { return playButton_; }
  const Ref<ui::Button>& backButtonView() const { return backButton_; }
  const Ref<ui::ActivityIndicatorView>& activity() const { return activity_; }
  const Ref<ui::Slider>& volumeViewSlider() const { return volumeViewSlider_; }
  double systemVolume() const { return systemVolume_; }

 private:
  void fadeControls(double alpha);
  void fadeControlsLater();
  void bufferedChanged();

  fd::String videoUrl_;
  Ref<ui::MediaPlayer> player_;
  Ref<ui::MediaPlayerItem> playerItem_;
  Ref<ui::MediaPlayerLayer> playerLayer_;
  double width_ = 0, height_ = 0;
  Ref<ui::View> backView_;
  Ref<ui::View> topView_;
  Ref<ui::Slider> slider_;
  Ref<ui::ProgressView> progress_;
  Ref<ui::Label> currentTimeLabel_;
  Ref<ui::Label> titleLabel_;
  Ref<ui::Button> playButton_;
  Ref<ui::Button> backButton_;
  Ref<ui::ActivityIndicatorView> activity_;
  Ref<ui::VolumeView> volumeView_;
  Ref<ui::Slider> volumeViewSlider_;
  double systemVolume_ = 0;
  gfx::Point startPoint_{};
  Ref<fd::Timer> timer_;
  rt::Id endObserver_;
  uint64_t rangesObservation_ = 0;
};

}  // namespace app
