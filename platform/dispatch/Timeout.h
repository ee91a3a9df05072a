#pragma once
// Timeouts for the blocking waits (groups, semaphores): real seconds, or forever.
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>

namespace dispatch {

inline constexpr double kForever = std::numeric_limits<double>::infinity();

/// Waits on `cv` until `pred` holds or `seconds` of real time pass; answers `pred()`.
template <class Pred>
bool waitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, double seconds, Pred pred) {
  // Beyond about three centuries a wait is as good as forever, and the conversion stays finite.
  if (!(seconds < 1e10)) {
    cv.wait(lock, pred);
    return true;
  }
  if (seconds <= 0) return pred();
  auto span = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  return cv.wait_for(lock, span, pred);
}

}  // namespace dispatch
