#include "platform/ui/media/MediaPlayerItem.h"

#include <cmath>

#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/media/MediaPlayer.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MediaPlayerItem) {
  c.property("status", &MediaPlayerItem::status);
  c.property("error", &MediaPlayerItem::error);
  c.property("loadedTimeRanges", &MediaPlayerItem::loadedTimeRanges);
}

bool MediaPlayerItem::init(Ref<fd::URL> url) {
  if (!url) return false;
  url_ = std::move(url);
  duration_ = MediaTimeIndefinite();
  loadedTimeRanges_ = fd::Array::create();
  return true;
}

MediaTime MediaPlayerItem::currentTime() const {
  auto player = player_.lock();
  return player && player->currentItem().get() == this ? player->currentTime() : MediaTimeZero();
}

void MediaPlayerItem::setStatus(MediaPlayerItemStatus status, Ref<fd::Error> error) {
  if (error) error_ = std::move(error);
  setAndNotify("status", status_, static_cast<int64_t>(status));
}

void MediaPlayerItem::setDuration(double seconds) {
  duration_ = std::isfinite(seconds) && seconds >= 0 ? MediaTimeMakeWithSeconds(seconds) : MediaTimeIndefinite();
}

void MediaPlayerItem::setLoadedUntil(double start, double end) {
  if (!(end > start)) return;
  MediaTimeRange range = MediaTimeRangeMake(MediaTimeMakeWithSeconds(start), MediaTimeMakeWithSeconds(end - start));
  MediaTimeRange current;
  if (loadedTimeRanges_->count() == 1) {
    auto box = std::dynamic_pointer_cast<fd::ValueBox>(loadedTimeRanges_->objectAtIndex(0));
    if (box && box->get(current) && MediaTimeCompare(current.duration, range.duration) == 0 &&
        MediaTimeCompare(current.start, range.start) == 0)
      return;
  }
  setAndNotify("loadedTimeRanges", loadedTimeRanges_, fd::Array::create({fd::ValueBox::valueWith(range)}));
}

}  // namespace ui
