#include "platform/ui/media/MediaEngine.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <atomic>
#include <cairo.h>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "platform/dispatch/Queue.h"

namespace ui {
namespace {

enum PropertyId : uint64_t { kDuration = 1, kPosition, kCacheTime, kWidth, kHeight, kEof };

/// The engines alive, for `stopAll`. Never destroyed: engines may outlive static destruction.
struct Registry {
  std::mutex mutex;
  std::vector<std::weak_ptr<MediaEngine>> engines;
};

Registry& registry() {
  static auto* r = new Registry;
  return *r;
}

}  // namespace

/// Shared with mpv's threads: they post to the main queue, which finds the engine (or not)
/// through the weak reference.
struct MediaEngine::Bridge {
  std::weak_ptr<MediaEngine> engine;
  std::atomic<bool> wakePosted{false};
  std::atomic<bool> framePosted{false};
};

std::shared_ptr<MediaEngine> MediaEngine::open(const std::string& url, Events events, std::string* error) {
  auto fail = [&](const std::string& message) -> std::shared_ptr<MediaEngine> {
    if (error) *error = message;
    return nullptr;
  };
  // libmpv refuses to start unless numbers are formatted the C way.
  if (std::string(std::setlocale(LC_NUMERIC, nullptr)) != "C") std::setlocale(LC_NUMERIC, "C");
  std::shared_ptr<MediaEngine> engine(new MediaEngine());
  engine->events_ = std::move(events);
  engine->mpv_ = mpv_create();
  if (!engine->mpv_) return fail("the media engine could not be created");
  const char* audio = std::getenv("KD_AUDIO_OUTPUT");
  mpv_set_option_string(engine->mpv_, "vo", "libmpv");
  mpv_set_option_string(engine->mpv_, "ao", audio && *audio ? audio : "null");
  mpv_set_option_string(engine->mpv_, "pause", "yes");
  mpv_set_option_string(engine->mpv_, "keep-open", "yes");
  mpv_set_option_string(engine->mpv_, "idle", "yes");
  mpv_set_option_string(engine->mpv_, "terminal", "no");
  mpv_set_option_string(engine->mpv_, "config", "no");
  mpv_set_option_string(engine->mpv_, "input-default-bindings", "no");
  mpv_set_option_string(engine->mpv_, "osd-level", "0");
  mpv_set_option_string(engine->mpv_, "hr-seek", "yes");
  mpv_set_option_string(engine->mpv_, "sub-auto", "no");
  mpv_set_option_string(engine->mpv_, "audio-file-auto", "no");
  mpv_set_option_string(engine->mpv_, "ytdl", "no");
  mpv_set_option_string(engine->mpv_, "network-timeout", "30");
  if (mpv_initialize(engine->mpv_) < 0) return fail("the media engine could not start");

  int advanced = 0;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
      {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  if (mpv_render_context_create(&engine->render_, engine->mpv_, params) < 0)
    return fail("the media engine's video output could not start");

  engine->bridge_ = std::make_unique<Bridge>();
  engine->bridge_->engine = engine;
  Bridge* bridge = engine->bridge_.get();
  mpv_observe_property(engine->mpv_, kDuration, "duration", MPV_FORMAT_DOUBLE);
  mpv_observe_property(engine->mpv_, kPosition, "time-pos", MPV_FORMAT_DOUBLE);
  mpv_observe_property(engine->mpv_, kCacheTime, "demuxer-cache-time", MPV_FORMAT_DOUBLE);
  mpv_observe_property(engine->mpv_, kWidth, "dwidth", MPV_FORMAT_INT64);
  mpv_observe_property(engine->mpv_, kHeight, "dheight", MPV_FORMAT_INT64);
  mpv_observe_property(engine->mpv_, kEof, "eof-reached", MPV_FORMAT_FLAG);
  // Both callbacks run on mpv's threads; the engine's weak reference is read on the main queue.
  mpv_set_wakeup_callback(
      engine->mpv_,
      [](void* data) {
        auto* b = static_cast<Bridge*>(data);
        if (b->wakePosted.exchange(true)) return;
        std::weak_ptr<MediaEngine> weak = b->engine;
        dispatch::mainQueue()->async([weak] {
          if (auto e = weak.lock()) {
            e->bridge_->wakePosted = false;
            e->drainEvents();
          }
        });
      },
      bridge);
  mpv_render_context_set_update_callback(
      engine->render_,
      [](void* data) {
        auto* b = static_cast<Bridge*>(data);
        if (b->framePosted.exchange(true)) return;
        std::weak_ptr<MediaEngine> weak = b->engine;
        dispatch::mainQueue()->async([weak] {
          auto e = weak.lock();
          if (!e) return;
          e->bridge_->framePosted = false;
          if (!e->render_) return;
          uint64_t flags = mpv_render_context_update(e->render_);
          if (flags & MPV_RENDER_UPDATE_FRAME) e->frameReady();
        });
      },
      bridge);

  engine->command({"loadfile", url.c_str(), "replace"});
  auto& known = registry();
  std::lock_guard lock(known.mutex);
  std::erase_if(known.engines, [](const std::weak_ptr<MediaEngine>& e) { return e.expired(); });
  known.engines.push_back(engine);
  return engine;
}

void MediaEngine::stopAll() {
  std::vector<std::weak_ptr<MediaEngine>> engines;
  {
    auto& known = registry();
    std::lock_guard lock(known.mutex);
    engines.swap(known.engines);
  }
  for (auto& weak : engines)
    if (auto e = weak.lock()) e->close();
}

MediaEngine::~MediaEngine() { close(); }

void MediaEngine::close() {
  // The render context goes first; after that neither callback runs again. Destroying the
  // instance joins its threads, and with them goes the font configuration its subtitle
  // renderer made for itself.
  if (render_) mpv_render_context_free(render_);
  render_ = nullptr;
  if (mpv_) mpv_terminate_destroy(mpv_);
  mpv_ = nullptr;
}

void MediaEngine::command(std::initializer_list<const char*> args) {
  if (!mpv_) return;
  std::vector<const char*> argv(args);
  argv.push_back(nullptr);
  mpv_command_async(mpv_, 0, argv.data());
}

void MediaEngine::setPaused(bool paused) {
  if (!mpv_) return;
  int flag = paused ? 1 : 0;
  mpv_set_property_async(mpv_, 0, "pause", MPV_FORMAT_FLAG, &flag);
}

void MediaEngine::setSpeed(double speed) {
  if (speed <= 0 || !mpv_) return;
  mpv_set_property_async(mpv_, 0, "speed", MPV_FORMAT_DOUBLE, &speed);
}

void MediaEngine::setVolume(double volume) {
  if (!mpv_) return;
  double percent = std::clamp(volume, 0.0, 1.0) * 100;
  mpv_set_property_async(mpv_, 0, "volume", MPV_FORMAT_DOUBLE, &percent);
}

void MediaEngine::seek(double seconds) {
  ended_ = false;
  std::string target = std::to_string(std::max(0.0, seconds));
  command({"seek", target.c_str(), "absolute+exact"});
}

Ref<gfx::BitmapImage> MediaEngine::renderFrame() {
  if (!render_ || width_ <= 0 || height_ <= 0) return nullptr;
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width_), static_cast<int>(height_));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  int size[2] = {static_cast<int>(width_), static_cast<int>(height_)};
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  int block = 0;
  // Cairo's RGB24 is B, G, R, unused in memory on little-endian machines.
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_SW_SIZE, size},
      {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgr0")},
      {MPV_RENDER_PARAM_SW_STRIDE, &stride},
      {MPV_RENDER_PARAM_SW_POINTER, cairo_image_surface_get_data(surface)},
      {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  if (mpv_render_context_render(render_, params) < 0) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_mark_dirty(surface);
  return gfx::BitmapImage::createWithSurface(surface);
}

void MediaEngine::frameReady() {
  framePending_ = !hasVideo();
  if (!framePending_ && events_.frame) events_.frame();
}

void MediaEngine::drainEvents() {
  auto self = shared_from_this();  // a callback may let the owner go
  while (mpv_) {
    mpv_event* event = mpv_wait_event(mpv_, 0);
    if (!event || event->event_id == MPV_EVENT_NONE) break;
    switch (event->event_id) {
      case MPV_EVENT_FILE_LOADED:
        if (events_.loaded) events_.loaded();
        break;
      case MPV_EVENT_PLAYBACK_RESTART:
        if (events_.seekFinished) events_.seekFinished();
        break;
      case MPV_EVENT_END_FILE: {
        auto* end = static_cast<mpv_event_end_file*>(event->data);
        if (end && end->reason == MPV_END_FILE_REASON_ERROR && !failed_) {
          failed_ = true;
          if (events_.failed) events_.failed(mpv_error_string(end->error));
        } else if (end && end->reason == MPV_END_FILE_REASON_EOF && !ended_) {
          ended_ = true;
          if (events_.ended) events_.ended();
        }
        break;
      }
      case MPV_EVENT_PROPERTY_CHANGE: {
        auto* p = static_cast<mpv_event_property*>(event->data);
        const bool has = p->format != MPV_FORMAT_NONE && p->data;
        switch (event->reply_userdata) {
          case kDuration:
            if (events_.duration)
              events_.duration(has ? *static_cast<double*>(p->data) : std::numeric_limits<double>::quiet_NaN());
            break;
          case kPosition:
            if (has && events_.position) events_.position(*static_cast<double*>(p->data));
            break;
          case kCacheTime:
            if (has && events_.bufferedUntil) events_.bufferedUntil(*static_cast<double*>(p->data));
            break;
          case kWidth:
          case kHeight:
            (event->reply_userdata == kWidth ? width_ : height_) = has ? *static_cast<int64_t*>(p->data) : 0;
            if (framePending_ && hasVideo()) frameReady();
            break;
          case kEof:
            // With the file kept open, the end shows as this flag rather than an end event.
            if (has && *static_cast<int*>(p->data) && !ended_) {
              ended_ = true;
              if (events_.ended) events_.ended();
            }
            break;
          default: break;
        }
        break;
      }
      default: break;
    }
  }
}

}  // namespace ui
