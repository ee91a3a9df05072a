#include "platform/ui/media/MediaPlayer.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/ui/media/MediaEngine.h"
#include "platform/ui/media/MediaPlayerLayer.h"
#include "platform/ui/media/MediaSystemVolume.h"

namespace ui {
namespace {

/// How often a player on a virtual clock moves its engine along.
constexpr double kClockStep = 1.0 / 30;

}  // namespace

RT_IMPLEMENT_PLATFORM(MediaPlayer) {
  c.property("status", &MediaPlayer::status);
  c.property("rate", &MediaPlayer::rate, &MediaPlayer::setRate);
  c.property("error", &MediaPlayer::error);
}

Ref<MediaPlayer> MediaPlayer::playerWithURL(const Ref<fd::URL>& url) {
  auto item = MediaPlayerItem::playerItemWithURL(url);
  return item ? rt::make<MediaPlayer>(item) : rt::make<MediaPlayer>();
}

void MediaPlayer::init(Ref<MediaPlayerItem> item) {
  item_ = std::move(item);
  if (!item_) return;
  item_->player_ = std::static_pointer_cast<MediaPlayer>(self());
  virtualClock_ = dynamic_cast<dispatch::VirtualClock*>(&dispatch::clock()) != nullptr;
  Weak<MediaPlayer> weak = std::static_pointer_cast<MediaPlayer>(self());
  volumeObservation_ = MediaSystemVolume::shared()->observe("volume", 0, [weak](rt::Object*, const rt::KeyValueChange&) {
    if (auto p = weak.lock()) p->applyVolume();
  });
  start();
}

MediaPlayer::~MediaPlayer() {
  if (clockTimer_) clockTimer_->invalidate();
  if (volumeObservation_) MediaSystemVolume::shared()->removeObservation(volumeObservation_);
}

void MediaPlayer::start() {
  Weak<MediaPlayer> weak = std::static_pointer_cast<MediaPlayer>(self());
  MediaEngine::Events events;
  events.loaded = [weak] {
    auto p = weak.lock();
    if (!p || p->status() == MediaPlayerStatus::Failed) return;
    p->anchor(p->anchorSeconds_);
    p->item_->setStatus(MediaPlayerItemStatus::ReadyToPlay);
    p->setAndNotify("status", p->status_, static_cast<int64_t>(MediaPlayerStatus::ReadyToPlay));
    p->applyVolume();
    if (p->anchorSeconds_ > 0) {
      p->engine_->seek(p->anchorSeconds_);
      p->engineSeeking_ = true;
    }
    if (p->rate_ > 0) p->setRate(p->rate_);
  };
  events.duration = [weak](double seconds) {
    auto p = weak.lock();
    if (!p) return;
    p->duration_ = std::isfinite(seconds) && seconds > 0 ? seconds : -1;
    p->item_->setDuration(seconds);
  };
  events.position = [weak](double seconds) {
    if (auto p = weak.lock()) p->engineSeconds_ = seconds;
  };
  events.bufferedUntil = [weak](double seconds) {
    if (auto p = weak.lock()) p->item_->setLoadedUntil(0, seconds);
  };
  events.frame = [weak] {
    if (auto p = weak.lock()) p->showFrame();
  };
  events.seekFinished = [weak] {
    auto p = weak.lock();
    if (!p) return;
    p->engineSeeking_ = false;
    p->finishSeeks(true);
    // The clock may have moved on while the engine was getting there.
    if (p->virtualClock_) p->followClock();
  };
  events.ended = [weak] {
    auto p = weak.lock();
    // On a virtual clock the clock says when the end comes; the engine only does when the
    // length was never known.
    if (p && (!p->virtualClock_ || p->duration_ < 0)) p->reachedEnd();
  };
  events.failed = [weak](const std::string& message) {
    if (auto p = weak.lock()) p->failed(message);
  };
  std::string error;
  engine_ = MediaEngine::open(item_->URL()->absoluteString().utf8(), std::move(events), &error);
  if (!engine_) {
    dispatch::mainQueue()->async([weak, error] {
      if (auto p = weak.lock()) p->failed(error);
    });
  }
}

// ---- the position

double MediaPlayer::position() const {
  if (!virtualClock_) return engineSeconds_;
  double p = anchorSeconds_;
  if (rate_ > 0 && status() == MediaPlayerStatus::ReadyToPlay && !ended_)
    p += (dispatch::clock().uptime() - anchorUptime_) * rate_;
  return duration_ >= 0 ? std::min(p, duration_) : p;
}

void MediaPlayer::anchor(double seconds) {
  anchorSeconds_ = seconds;
  anchorUptime_ = dispatch::clock().uptime();
}

MediaTime MediaPlayer::currentTime() const { return MediaTimeMakeWithSeconds(std::max(0.0, position())); }

void MediaPlayer::setRate(double rate) {
  rate = std::max(0.0, rate);
  if (virtualClock_) anchor(position());
  setAndNotify("rate", rate_, rate);
  if (!engine_ || status() != MediaPlayerStatus::ReadyToPlay) return;
  if (virtualClock_) {
    if (rate > 0 && !clockTimer_) {
      Weak<MediaPlayer> weak = std::static_pointer_cast<MediaPlayer>(self());
      clockTimer_ = fd::Timer::timerWithTimeInterval(kClockStep, true, [weak](fd::Timer&) {
        if (auto p = weak.lock()) p->followClock();
      });
      fd::RunLoop::mainRunLoop()->addTimer(clockTimer_, fd::NSRunLoopCommonModes);
    } else if (rate == 0 && clockTimer_) {
      clockTimer_->invalidate();
      clockTimer_ = nullptr;
    }
    followClock();
    return;
  }
  if (rate > 0) {
    engine_->setSpeed(rate);
    engine_->setPaused(false);
  } else {
    engine_->setPaused(true);
  }
}

void MediaPlayer::followClock() {
  if (!engine_ || ended_) return;
  double p = position();
  if (duration_ >= 0 && p >= duration_ && rate_ > 0) {
    anchor(duration_);
    reachedEnd();
    return;
  }
  if (!engineSeeking_ && std::fabs(p - lastEngineTarget_) >= kClockStep) {
    engineSeeking_ = true;
    lastEngineTarget_ = p;
    engine_->seek(p);
  }
}

void MediaPlayer::seekToTime(MediaTime time, std::function<void(bool)> completion) {
  double target = MediaTimeGetSeconds(time);
  if (!std::isfinite(target)) {
    if (completion) dispatch::mainQueue()->async([completion] { completion(false); });
    return;
  }
  target = std::max(0.0, duration_ >= 0 ? std::min(target, duration_) : target);
  finishSeeks(false);  // earlier seeks are superseded
  if (completion) seekCompletions_.push_back(std::move(completion));
  ended_ = false;
  anchor(target);
  engineSeconds_ = target;
  if (status() == MediaPlayerStatus::Failed) return finishSeeks(false);
  if (status() != MediaPlayerStatus::ReadyToPlay || !engine_) return;  // done once loaded
  engineSeeking_ = true;
  lastEngineTarget_ = target;
  engine_->seek(target);
}

void MediaPlayer::finishSeeks(bool finished) {
  auto done = std::move(seekCompletions_);
  seekCompletions_.clear();
  for (auto& c : done) c(finished);
}

// ---- frames, end and failure

void MediaPlayer::addLayer(const Ref<MediaPlayerLayer>& layer) {
  layers_.erase(std::remove_if(layers_.begin(), layers_.end(), [](const Weak<MediaPlayerLayer>& w) { return w.expired(); }),
                layers_.end());
  layers_.push_back(layer);
}

void MediaPlayer::showFrame() {
  auto frame = engine_ ? engine_->renderFrame() : nullptr;
  if (!frame) return;
  frame_ = frame;
  ++frames_;
  for (auto& w : layers_) {
    auto layer = w.lock();
    if (layer && layer->player().get() == this) layer->showFrame(frame_);
  }
}

void MediaPlayer::reachedEnd() {
  if (ended_) return;
  ended_ = true;
  if (virtualClock_) anchor(duration_ >= 0 ? duration_ : position());
  if (clockTimer_) {
    clockTimer_->invalidate();
    clockTimer_ = nullptr;
  }
  if (engine_) engine_->setPaused(true);
  setAndNotify("rate", rate_, 0.0);
  fd::NotificationCenter::defaultCenter()->post(MediaPlayerItemDidPlayToEndTimeNotification, item_);
}

void MediaPlayer::failed(const std::string& message) {
  if (status() == MediaPlayerStatus::Failed) return;
  auto info = fd::Dictionary::withStrings({
      {"NSLocalizedDescription", fd::StringObject::create("The operation could not be completed")},
      {"NSLocalizedFailureReason", fd::StringObject::create(rt::String(message.c_str()))},
  });
  error_ = fd::Error::create(MediaErrorDomain, MediaErrorUnknown, info);
  if (clockTimer_) {
    clockTimer_->invalidate();
    clockTimer_ = nullptr;
  }
  if (item_) item_->setStatus(MediaPlayerItemStatus::Failed, error_);
  setAndNotify("status", status_, static_cast<int64_t>(MediaPlayerStatus::Failed));
  finishSeeks(false);
}

void MediaPlayer::setVolume(double volume) {
  volume_ = std::clamp(volume, 0.0, 1.0);
  applyVolume();
}

void MediaPlayer::applyVolume() {
  if (engine_) engine_->setVolume(volume_ * MediaSystemVolume::shared()->volume());
}

}  // namespace ui
