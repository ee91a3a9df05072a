#pragma once
// The media player: plays one item through the media engine. Its position follows the
// platform clock: on the real clock the engine plays by itself and reports where it is; on a
// virtual clock (tests) the engine stays paused and is moved to the clock's position, so
// times, ticks and the end of play follow the clock exactly. Frames go to the player layers
// showing it. Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/threads/Timer.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/media/MediaPlayerItem.h"

namespace ui {

class MediaEngine;
class MediaPlayerLayer;

enum class MediaPlayerStatus : int64_t { Unknown = 0, ReadyToPlay = 1, Failed = 2 };

class MediaPlayer : public rt::Object {
  RT_CLASS_NAMED(MediaPlayer, rt::Object, "AVPlayer")
 public:
  void init() {}
  void init(Ref<MediaPlayerItem> item);
  ~MediaPlayer() override;
  static Ref<MediaPlayer> playerWithURL(const Ref<fd::URL>& url);
  static Ref<MediaPlayer> playerWithPlayerItem(const Ref<MediaPlayerItem>& item) { return rt::make<MediaPlayer>(item); }

  const Ref<MediaPlayerItem>& currentItem() const { return item_; }
  /// Ready once the item is, failed when it fails (observable as "status").
  MediaPlayerStatus status() const { return static_cast<MediaPlayerStatus>(status_); }
  const Ref<fd::Error>& error() const { return error_; }

  void play() { setRate(1); }
  void pause() { setRate(0); }
  /// 0 paused; observable as "rate".
  double rate() const { return rate_; }
  void setRate(double rate);

  MediaTime currentTime() const;
  /// Moves to `time`; `completion(true)` once playback can go on from there, `false` when a
  /// later seek took its place or the item failed.
  void seekToTime(MediaTime time, std::function<void(bool finished)> completion = nullptr);

  /// 0...1, times the system volume.
  double volume() const { return volume_; }
  void setVolume(double volume);

  /// The latest video frame (null before the first, and for sound only).
  const Ref<gfx::BitmapImage>& currentFrame() const { return frame_; }
  /// How many frames have been shown.
  uint64_t frameCount() const { return frames_; }

 private:
  friend class MediaPlayerItem;
  friend class MediaPlayerLayer;
  void start();
  void addLayer(const Ref<MediaPlayerLayer>& layer);
  double position() const;
  void anchor(double seconds);
  void followClock();
  void showFrame();
  void reachedEnd();
  void failed(const std::string& message);
  void applyVolume();
  void finishSeeks(bool finished);

  Ref<MediaPlayerItem> item_;
  std::shared_ptr<MediaEngine> engine_;
  int64_t status_ = 0;
  Ref<fd::Error> error_;
  double rate_ = 0;
  double volume_ = 1;
  uint64_t volumeObservation_ = 0;
  bool virtualClock_ = false;
  // The position: `anchorSeconds_` at clock uptime `anchorUptime_`, moving at `rate_`.
  double anchorSeconds_ = 0;
  double anchorUptime_ = 0;
  double engineSeconds_ = 0;  // where the engine last said (or was told) it is
  double duration_ = -1;      // negative while unknown
  bool ended_ = false;
  bool engineSeeking_ = false;
  double lastEngineTarget_ = -1;
  std::vector<std::function<void(bool)>> seekCompletions_;
  Ref<fd::Timer> clockTimer_;
  Ref<gfx::BitmapImage> frame_;
  uint64_t frames_ = 0;
  std::vector<Weak<MediaPlayerLayer>> layers_;
};

}  // namespace ui
