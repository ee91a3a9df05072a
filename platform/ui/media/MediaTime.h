#pragma once
// Media times: a rational number of seconds (value / timescale) that may be invalid or
// indefinite (a duration not known yet, a live stream), and ranges of them.
#include <cstdint>

#include "platform/runtime/Encoding.h"

namespace ui {

enum MediaTimeFlags : uint32_t {
  MediaTimeFlagsValid = 1u << 0,
  MediaTimeFlagsHasBeenRounded = 1u << 1,
  MediaTimeFlagsPositiveInfinity = 1u << 2,
  MediaTimeFlagsNegativeInfinity = 1u << 3,
  MediaTimeFlagsIndefinite = 1u << 4,
};

struct MediaTime {
  int64_t value = 0;
  int32_t timescale = 0;
  uint32_t flags = 0;
  int64_t epoch = 0;
};

struct MediaTimeRange {
  MediaTime start;
  MediaTime duration;
};

inline constexpr int32_t kMediaTimePreferredTimescale = 600;

MediaTime MediaTimeMake(int64_t value, int32_t timescale);
MediaTime MediaTimeMakeWithSeconds(double seconds, int32_t preferredTimescale = kMediaTimePreferredTimescale);
/// Seconds; NaN for invalid and indefinite times.
double MediaTimeGetSeconds(MediaTime time);
MediaTime MediaTimeZero();
MediaTime MediaTimeInvalid();
MediaTime MediaTimeIndefinite();
bool MediaTimeIsValid(MediaTime time);
bool MediaTimeIsIndefinite(MediaTime time);
/// Orders valid times by value; -1, 0 or 1.
int32_t MediaTimeCompare(MediaTime a, MediaTime b);
MediaTimeRange MediaTimeRangeMake(MediaTime start, MediaTime duration);
MediaTime MediaTimeRangeGetEnd(MediaTimeRange range);

}  // namespace ui

namespace rt {
template <> struct StructEncoding<ui::MediaTime> { static constexpr const char* value = "{?=qiIq}"; };
template <> struct StructEncoding<ui::MediaTimeRange> {
  static constexpr const char* value = "{?={?=qiIq}{?=qiIq}}";
};
}  // namespace rt
