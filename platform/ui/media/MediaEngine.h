#pragma once
// The decoding and playback engine behind the media player: one libmpv instance per item,
// with no window of its own (video goes through the software render interface into bitmaps)
// and the audio output named by KD_AUDIO_OUTPUT ("null" when unset: no sound device is
// assumed). Its events arrive on mpv's threads and are handed to the main queue; every
// callback of `Events` runs there.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/graphics/Bitmap.h"

struct mpv_handle;
struct mpv_render_context;

namespace ui {

class MediaEngine : public std::enable_shared_from_this<MediaEngine> {
 public:
  struct Events {
    std::function<void()> loaded;                     // the stream opened; duration may follow
    std::function<void(double seconds)> duration;     // NaN: unknown (a live stream)
    std::function<void(double seconds)> position;     // the playback position moved
    std::function<void(double seconds)> bufferedUntil;  // demuxed (loaded) up to here
    std::function<void()> frame;                      // a new video frame can be rendered
    std::function<void()> seekFinished;               // playback restarted after seeks
    std::function<void()> ended;                      // played to the end
    std::function<void(const std::string& message)> failed;  // could not open or decode
  };

  /// Opens `url` paused. Null with `error` set when the engine cannot start.
  static std::shared_ptr<MediaEngine> open(const std::string& url, Events events, std::string* error);
  /// Stops every engine open now and waits for their threads to end; the engines, still held
  /// by their players, do nothing from then on. For the end of a run, before the libraries
  /// under the engine are finalised at exit (fontconfig, which its subtitle renderer uses).
  static void stopAll();
  ~MediaEngine();
  MediaEngine(const MediaEngine&) = delete;
  MediaEngine& operator=(const MediaEngine&) = delete;

  void setPaused(bool paused);
  void setSpeed(double speed);
  /// 0...1.
  void setVolume(double volume);
  /// Exact seek to `seconds` from the start.
  void seek(double seconds);
  /// The current video frame as an opaque bitmap at the video's size; null without video.
  Ref<gfx::BitmapImage> renderFrame();
  bool hasVideo() const { return width_ > 0 && height_ > 0; }

 private:
  MediaEngine() = default;
  struct Bridge;  // what mpv's threads see; outlives nothing of the engine's
  void drainEvents();
  void frameReady();
  void command(std::initializer_list<const char*> args);
  void close();

  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  std::unique_ptr<Bridge> bridge_;
  Events events_;
  int64_t width_ = 0, height_ = 0;
  // A frame announced before its size is shown once the size arrives; a paused engine
  // announces no other.
  bool framePending_ = false;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace ui
