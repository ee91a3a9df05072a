#include "app/screens/KDVideoPlayViewController.h"

#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/Font.h"
#include "platform/ui/input/Event.h"
#include "platform/ui/input/TapGestureRecognizer.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/ViewAnimation.h"

namespace app {

RT_IMPLEMENT(KDVideoPlayViewController) {}

namespace {

Ref<gfx::Image> image(const char* name) { return gfx::Image::imageNamed(name); }

/// Volume steps are sums of 0.05; rounding keeps them on that grid, so the bounds checks
/// see 1 and 0.1 exactly instead of values a hair either side.
double onGrid(double volume) { return std::round(volume * 1e6) / 1e6; }

}  // namespace

void KDVideoPlayViewController::init() { setModalPresentationCapturesStatusBarAppearance(true); }

KDVideoPlayViewController::~KDVideoPlayViewController() {
  if (timer_) timer_->invalidate();
  if (endObserver_) fd::NotificationCenter::defaultCenter()->removeObserver(endObserver_);
  if (playerItem_ && rangesObservation_) playerItem_->removeObservation(rangesObservation_);
}

uint64_t KDVideoPlayViewController::supportedInterfaceOrientations() const {
  return ui::InterfaceOrientationMaskLandscapeLeft | ui::InterfaceOrientationMaskLandscapeRight;
}

ui::InterfaceOrientation KDVideoPlayViewController::preferredInterfaceOrientationForPresentation() const {
  return ui::InterfaceOrientation::LandscapeRight;
}

void KDVideoPlayViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::blackColor());
  // Laid out for landscape: the screen's portrait sides swapped.
  auto bounds = ui::Screen::mainScreen()->bounds().size;
  width_ = bounds.height;
  height_ = bounds.width;
  fd::NSLog("%s(%d): _width  %f", __func__, __LINE__, width_);
  fd::NSLog("%s(%d): _height  %f", __func__, __LINE__, height_);

  Weak<KDVideoPlayViewController> weak = std::static_pointer_cast<KDVideoPlayViewController>(self());
  playerItem_ = ui::MediaPlayerItem::playerItemWithURL(fd::URL::URLWithString(videoUrl_));
  player_ = ui::MediaPlayer::playerWithPlayerItem(playerItem_);
  playerLayer_ = ui::MediaPlayerLayer::playerLayerWithPlayer(player_);
  playerLayer_->setFrame({{0, 0}, {width_, height_}});
  playerLayer_->setVideoGravity(ui::MediaLayerVideoGravityResize);
  root->layer()->addSublayer(playerLayer_);
  player_->play();

  if (playerItem_) {
    endObserver_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
        rt::String(ui::MediaPlayerItemDidPlayToEndTimeNotification), playerItem_, nullptr,
        [weak](const Ref<fd::Notification>&) {
          if (auto me = weak.lock()) me->moviePlayDidEnd();
        });
  }

  backView_ = rt::make<ui::View>(gfx::Rect{{0, 0}, {width_, height_}});
  backView_->setBackgroundColor(gfx::Color::clearColor());
  root->addSubview(backView_);
  topView_ = rt::make<ui::View>(gfx::Rect{{0, 0}, {width_, height_ * 0.15}});
  topView_->setBackgroundColor(gfx::Color::colorWithWhite(0, 0.5));
  backView_->addSubview(topView_);

  if (playerItem_) {
    rangesObservation_ = playerItem_->observe("loadedTimeRanges", rt::KeyValueObservingOptionNew,
                                              [weak](rt::Object*, const rt::KeyValueChange&) {
                                                if (auto me = weak.lock()) me->bufferedChanged();
                                              });
  }

  createProgress();
  createSlider();
  createCurrentTimeLabel();
  createButton();
  backButton();
  createTitle();
  createGesture();
  customVideoSlider();

  activity_ = rt::make<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
  activity_->setCenter(backView_->center());
  root->addSubview(activity_);
  activity_->startAnimating();

  fadeControlsLater();
  timer_ = fd::Timer::scheduledTimerWithTimeInterval(1.0, true, [weak](fd::Timer& timer) {
    if (auto me = weak.lock()) me->Stack();
    else timer.invalidate();
  });
}

void KDVideoPlayViewController::createProgress() {
  progress_ = rt::make<ui::ProgressView>(gfx::Rect{{102, height_ - 23}, {width_ * 0.69, 15}});
  backView_->addSubview(progress_);
}

void KDVideoPlayViewController::createSlider() {
  slider_ = rt::make<ui::Slider>(gfx::Rect{{100, height_ - 30}, {width_ * 0.7, 15}});
  slider_->setThumbImage(image("iconfont-yuan.png"), ui::ControlStateNormal);
  slider_->setMinimumTrackTintColor(gfx::Color::colorWithRed(30 / 255.0, 80 / 255.0, 100 / 255.0, 1));
  Weak<KDVideoPlayViewController> weak = std::static_pointer_cast<KDVideoPlayViewController>(self());
  slider_->addTarget(self(), [weak](ui::Control& sender, ui::Event*) {
    if (auto me = weak.lock()) me->progressSlider(static_cast<ui::Slider&>(sender));
  }, ui::ControlEventValueChanged);
  backView_->addSubview(slider_);
}

void KDVideoPlayViewController::customVideoSlider() {
  // An empty maximum track lets the buffered bar beneath show through.
  gfx::beginImageContextWithOptions({1, 1}, false, 0);
  auto empty = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  slider_->setMaximumTrackImage(empty, ui::ControlStateNormal);
}

void KDVideoPlayViewController::createCurrentTimeLabel() {
  currentTimeLabel_ = rt::make<ui::Label>(gfx::Rect{{width_ * 0.86, height_ - 30}, {100, 20}});
  currentTimeLabel_->setTextColor(gfx::Color::whiteColor());
  currentTimeLabel_->setFont(typeset::Font::systemFontOfSize(12));
  currentTimeLabel_->setText("00:00/00:00");
  backView_->addSubview(currentTimeLabel_);
}

void KDVideoPlayViewController::createButton() {
  playButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
  playButton_->setFrame({{15, height_ - 40}, {30, 30}});
  playButton_->setBackgroundImage(image(player_->rate() == 1 ? "pauseBtn@2x.png" : "playBtn@2x.png"),
                                  ui::ControlStateNormal);
  Weak<KDVideoPlayViewController> weak = std::static_pointer_cast<KDVideoPlayViewController>(self());
  playButton_->addTarget(self(), [weak](ui::Control& sender, ui::Event*) {
    if (auto me = weak.lock()) me->startAction(static_cast<ui::Button&>(sender));
  }, ui::ControlEventTouchUpInside);
  backView_->addSubview(playButton_);
}

void KDVideoPlayViewController::backButton() {
  backButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
  backButton_->setFrame({{15, 20}, {30, 30}});
  backButton_->setBackgroundImage(image("iconfont-back.png"), ui::ControlStateNormal);
  Weak<KDVideoPlayViewController> weak = std::static_pointer_cast<KDVideoPlayViewController>(self());
  backButton_->addTarget(self(), [weak](ui::Control&, ui::Event*) {
    if (auto me = weak.lock()) me->backButtonAction();
  }, ui::ControlEventTouchUpInside);
  topView_->addSubview(backButton_);
}

void KDVideoPlayViewController::createTitle() {
  titleLabel_ = rt::make<ui::Label>(gfx::Rect{{80, 20}, {250, 30}});
  titleLabel_->setTextColor(gfx::Color::whiteColor());
  titleLabel_->setTextAlignment(typeset::TextAlignment::Center);
  backView_->addSubview(titleLabel_);
}

void KDVideoPlayViewController::createGesture() {
  Weak<KDVideoPlayViewController> weak = std::static_pointer_cast<KDVideoPlayViewController>(self());
  auto tap = rt::make<ui::TapGestureRecognizer>(self(), [weak](ui::GestureRecognizer&) {
    if (auto me = weak.lock()) me->tapAction();
  });
  view()->addGestureRecognizer(tap);
  volumeView_ = rt::make<ui::VolumeView>();
  for (const auto& sub : volumeView_->subviews()) {
    if (sub->getClass()->name() == rt::String("MPVolumeSlider")) {
      volumeViewSlider_ = rt::as<ui::Slider>(sub);
      break;
    }
  }
  systemVolume_ = volumeViewSlider_ ? volumeViewSlider_->value() : 0;
}

void KDVideoPlayViewController::Stack() {
  if (playerItem_ && playerItem_->duration().timescale != 0) {
    ui::MediaTime duration = playerItem_->duration();
    int64_t total = duration.value / duration.timescale;
    slider_->setMaximumValue(1);
    // A stream shorter than a second has no whole second to divide by.
    if (total > 0) slider_->setValue(ui::MediaTimeGetSeconds(playerItem_->currentTime()) / double(total));
    ui::MediaTime now = player_->currentTime();
    int64_t seconds = now.timescale != 0 ? now.value / now.timescale : 0;
    currentTimeLabel_->setText(fd::String::format("%02ld:%02ld / %02ld:%02ld", static_cast<long>(seconds / 60),
                                                  static_cast<long>(seconds % 60), static_cast<long>(total / 60),
                                                  static_cast<long>(total % 60)));
  }
  if (player_->status() == ui::MediaPlayerStatus::ReadyToPlay) activity_->stopAnimating();
  else activity_->startAnimating();
}

double KDVideoPlayViewController::availableDuration() const {
  if (!playerItem_) return 0;
  auto ranges = playerItem_->loadedTimeRanges();
  if (!ranges || ranges->count() == 0) return 0;
  auto box = rt::as<fd::ValueBox>(ranges->objectAtIndex(0));
  ui::MediaTimeRange range;
  if (!box || !box->get(range)) return 0;
  float start = static_cast<float>(ui::MediaTimeGetSeconds(range.start));
  float length = static_cast<float>(ui::MediaTimeGetSeconds(range.duration));
  return start + length;
}

void KDVideoPlayViewController::bufferedChanged() {
  double total = ui::MediaTimeGetSeconds(playerItem_->duration());
  // Before the duration is known there is nothing to measure the buffer against.
  if (!(total > 0)) return;
  progress_->setProgress(availableDuration() / total, false);
}

void KDVideoPlayViewController::progressSlider(ui::Slider& slider) {
  if (player_->status() != ui::MediaPlayerStatus::ReadyToPlay) return;
  ui::MediaTime duration = playerItem_->duration();
  if (duration.timescale == 0) return;  // a live stream has nowhere to seek to
  auto target = static_cast<int64_t>(std::floor(double(duration.value) / duration.timescale * slider.value()));
  player_->pause();
  Weak<ui::MediaPlayer> weakPlayer = player_;
  player_->seekToTime(ui::MediaTimeMake(target, 1), [weakPlayer](bool) {
    if (auto p = weakPlayer.lock()) p->play();
  });
}

void KDVideoPlayViewController::startAction(ui::Button& button) {
  if (button.isSelected()) {
    player_->play();
    button.setBackgroundImage(image("pauseBtn@2x.png"), ui::ControlStateNormal);
  } else {
    player_->pause();
    button.setBackgroundImage(image("playBtn@2x.png"), ui::ControlStateNormal);
  }
  button.setSelected(!button.isSelected());
}

void KDVideoPlayViewController::backButtonAction() {
  player_->pause();
  dismissViewControllerAnimated(true);
}

void KDVideoPlayViewController::moviePlayDidEnd() { dismissViewControllerAnimated(true); }

void KDVideoPlayViewController::fadeControls(double alpha) {
  auto back = backView_;
  ui::ViewAnimation::animate(kFadeDuration, [back, alpha] { back->setAlpha(alpha); });
}

void KDVideoPlayViewController::fadeControlsLater() {
  Weak<KDVideoPlayViewController> weak = std::static_pointer_cast<KDVideoPlayViewController>(self());
  dispatch::mainQueue()->after(kControlsLinger, [weak] {
    if (auto me = weak.lock()) me->fadeControls(0);
  });
}

void KDVideoPlayViewController::tapAction() {
  if (backView_->alpha() == 1) {
    fadeControls(0);
  } else if (backView_->alpha() == 0) {
    fadeControls(1);
    fadeControlsLater();
  }
}

void KDVideoPlayViewController::touchesBegan(const ui::TouchSet& touches, ui::Event* event) {
  ui::TouchSet all = event ? event->allTouches() : touches;
  if (all.count() != 1) return;
  startPoint_ = all.anyObject()->locationInView(view().get());
}

void KDVideoPlayViewController::touchesMoved(const ui::TouchSet& touches, ui::Event* event) {
  ui::TouchSet all = event ? event->allTouches() : touches;
  if (all.count() != 1 || !volumeViewSlider_) return;
  gfx::Point now = all.anyObject()->locationInView(view().get());
  auto dy = static_cast<int>(static_cast<float>(now.y - startPoint_.y));
  if (dy % 5 != 0) return;
  double before = systemVolume_;
  bool changed = false;
  if (dy <= 0) {
    fd::NSLog("+x ==%d", dy);
    if (systemVolume_ >= 0 && systemVolume_ < 1) {
      systemVolume_ = onGrid(systemVolume_ + kVolumeStep);
      changed = true;
    }
  } else if (systemVolume_ > 0.1) {
    systemVolume_ = onGrid(systemVolume_ - kVolumeStep);
    changed = true;
  }
  if (!changed) return;
  fd::NSLog("%.2f", before);
  volumeViewSlider_->setValue(static_cast<float>(systemVolume_), true);
  volumeViewSlider_->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
}

}  // namespace app
