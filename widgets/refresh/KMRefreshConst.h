#pragma once
// Shared values of the pull-to-refresh family: the state every header and footer moves through,
// heights, durations, and the user-defaults key of the last refresh time.
#include <cstdint>

namespace widgets {

enum class KMRefreshComponentState : int64_t {
  idle = 1,
  /// Pulled past the threshold: letting go starts refreshing (headers and back footers).
  pulling = 2,
  refreshing = 3,
  /// Refreshing was asked for outside any window; the next draw makes it `refreshing`.
  willRefresh = 4,
  /// Footers only: everything is loaded and the footer no longer triggers.
  noMoreData = 5,
};

inline constexpr double KMRefreshHeaderHeight = 54;
inline constexpr double KMRefreshFooterHeight = 44;
inline constexpr double KMRefreshFastAnimationDuration = 0.25;
inline constexpr double KMRefreshSlowAnimationDuration = 0.4;
/// Collection views finish their own reload animations before an end of refreshing shows.
inline constexpr double KMRefreshCollectionViewEndDelay = 0.1;
/// What the automatic footer waits between entering `refreshing` and calling back.
inline constexpr double KMRefreshAutoFooterCallbackDelay = 0.5;
/// A hair short of a half turn, so that turning back goes the same way round.
inline constexpr double KMRefreshArrowTurnedOverAngle = 0.000001 - 3.14159265358979323846;
/// Arrows and indicators stand this far left of the centred title.
inline constexpr double KMRefreshTitleSideOffset = 100;

inline constexpr const char* KMRefreshHeaderLastUpdatedTimeKey = "KMRefreshHeaderLastUpdatedTimeKey";

}  // namespace widgets
