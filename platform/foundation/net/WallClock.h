#pragma once

#include <chrono>

namespace fd {

// Seconds since 1970 by the wall clock: what cookie expiry dates and cache ages are measured in.
inline double secondsSince1970Now() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace fd
