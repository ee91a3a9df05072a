#pragma once
// A media item: one stream at a URL with its state as the player learns it (readiness,
// duration, what has been loaded). Its player drives it; observers of "status" and
// "loadedTimeRanges" are told of changes on the main thread.
#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Array.h"
#include "platform/ui/media/MediaTime.h"

namespace ui {

class MediaPlayer;

enum class MediaPlayerItemStatus : int64_t { Unknown = 0, ReadyToPlay = 1, Failed = 2 };

/// Posted with the item as object when it plays to its end.
inline constexpr const char* MediaPlayerItemDidPlayToEndTimeNotification = "AVPlayerItemDidPlayToEndTimeNotification";
/// Posted with the item as object when it cannot go on (the error under "AVPlayerItemFailedToPlayToEndTimeErrorKey").
inline constexpr const char* MediaPlayerItemFailedToPlayToEndTimeNotification =
    "AVPlayerItemFailedToPlayToEndTimeNotification";
inline constexpr const char* MediaPlayerItemFailedToPlayToEndTimeErrorKey = "AVPlayerItemFailedToPlayToEndTimeErrorKey";
/// The error domain of media failures.
inline constexpr const char* MediaErrorDomain = "AVFoundationErrorDomain";
inline constexpr int64_t MediaErrorUnknown = -11800;

class MediaPlayerItem : public rt::Object {
  RT_CLASS_NAMED(MediaPlayerItem, rt::Object, "AVPlayerItem")
 public:
  /// False (no object) without a URL.
  bool init(Ref<fd::URL> url);
  static Ref<MediaPlayerItem> playerItemWithURL(const Ref<fd::URL>& url) { return rt::make<MediaPlayerItem>(url); }

  const Ref<fd::URL>& URL() const { return url_; }
  MediaPlayerItemStatus status() const { return static_cast<MediaPlayerItemStatus>(status_); }
  const Ref<fd::Error>& error() const { return error_; }
  /// Indefinite (timescale 0) until known, and for live streams.
  MediaTime duration() const { return duration_; }
  /// The player's position in this item (zero without a player).
  MediaTime currentTime() const;
  /// Boxed MediaTimeRange values: what has been loaded ahead of the position.
  const Ref<fd::Array>& loadedTimeRanges() const { return loadedTimeRanges_; }

 private:
  friend class MediaPlayer;
  void setStatus(MediaPlayerItemStatus status, Ref<fd::Error> error = nullptr);
  void setDuration(double seconds);
  void setLoadedUntil(double start, double end);

  Ref<fd::URL> url_;
  int64_t status_ = 0;
  Ref<fd::Error> error_;
  MediaTime duration_;
  Ref<fd::Array> loadedTimeRanges_;
  Weak<MediaPlayer> player_;
};

}  // namespace ui
