#include "platform/ui/media/MediaTime.h"

#include <cmath>
#include <limits>

namespace ui {

MediaTime MediaTimeMake(int64_t value, int32_t timescale) {
  MediaTime t;
  t.value = value;
  t.timescale = timescale;
  t.flags = timescale > 0 ? static_cast<uint32_t>(MediaTimeFlagsValid) : 0u;
  return t;
}

MediaTime MediaTimeMakeWithSeconds(double seconds, int32_t preferredTimescale) {
  if (std::isnan(seconds) || preferredTimescale <= 0) return MediaTimeInvalid();
  if (std::isinf(seconds)) {
    MediaTime t = MediaTimeMake(0, 1);
    t.flags |= seconds > 0 ? MediaTimeFlagsPositiveInfinity : MediaTimeFlagsNegativeInfinity;
    return t;
  }
  double scaled = seconds * preferredTimescale;
  MediaTime t = MediaTimeMake(static_cast<int64_t>(std::llround(scaled)), preferredTimescale);
  if (scaled != std::round(scaled)) t.flags |= MediaTimeFlagsHasBeenRounded;
  return t;
}

double MediaTimeGetSeconds(MediaTime time) {
  if (!MediaTimeIsValid(time) || (time.flags & MediaTimeFlagsIndefinite)) return std::numeric_limits<double>::quiet_NaN();
  if (time.flags & MediaTimeFlagsPositiveInfinity) return std::numeric_limits<double>::infinity();
  if (time.flags & MediaTimeFlagsNegativeInfinity) return -std::numeric_limits<double>::infinity();
  return static_cast<double>(time.value) / time.timescale;
}

MediaTime MediaTimeZero() { return MediaTimeMake(0, 1); }
MediaTime MediaTimeInvalid() { return MediaTime{}; }

MediaTime MediaTimeIndefinite() {
  MediaTime t = MediaTimeMake(0, 0);
  t.flags = MediaTimeFlagsValid | MediaTimeFlagsIndefinite;
  return t;
}

bool MediaTimeIsValid(MediaTime time) { return time.flags & MediaTimeFlagsValid; }
bool MediaTimeIsIndefinite(MediaTime time) { return MediaTimeIsValid(time) && (time.flags & MediaTimeFlagsIndefinite); }

int32_t MediaTimeCompare(MediaTime a, MediaTime b) {
  double x = MediaTimeGetSeconds(a), y = MediaTimeGetSeconds(b);
  if (std::isnan(x) || std::isnan(y)) return std::isnan(x) == std::isnan(y) ? 0 : (std::isnan(x) ? 1 : -1);
  return x < y ? -1 : (x > y ? 1 : 0);
}

MediaTimeRange MediaTimeRangeMake(MediaTime start, MediaTime duration) { return {start, duration}; }

MediaTime MediaTimeRangeGetEnd(MediaTimeRange range) {
  return MediaTimeMakeWithSeconds(MediaTimeGetSeconds(range.start) + MediaTimeGetSeconds(range.duration));
}

}  // namespace ui
