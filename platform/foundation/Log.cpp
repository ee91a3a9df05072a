#include "platform/foundation/Log.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/foundation/time/TimeZone.h"

namespace fd {

namespace {

struct LogState {
  std::recursive_mutex mutex;
  LogSink sink;
};

LogState& state() {
  static LogState s;
  return s;
}

std::string processName() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("process") : exe.filename().string();
}

// "2024-05-06 12:34:56.789+0800" in the device zone.
std::string timestamp() {
  double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  int64_t offset = TimeZone::defaultTimeZone()->secondsFromGMTForTimeInterval(now);
  double local = now + static_cast<double>(offset);
  time_t whole = static_cast<time_t>(std::floor(local));
  int millis = static_cast<int>((local - std::floor(local)) * 1000.0);
  struct tm parts {};
  gmtime_r(&whole, &parts);
  char buffer[64];
  int64_t a = offset < 0 ? -offset : offset;
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d%c%02lld%02lld", parts.tm_year + 1900,
                parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, millis,
                offset < 0 ? '-' : '+', static_cast<long long>(a / 3600), static_cast<long long>((a % 3600) / 60));
  return buffer;
}

}  // namespace

void log(const String& message) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (s.sink) {
    LogSink sink = s.sink;  // the sink may replace itself while it runs
    sink(message);
    return;
  }
  static const std::string name = processName();
  std::string line = timestamp() + " " + name + "[" + std::to_string(getpid()) + ":" +
                     std::to_string(static_cast<long>(syscall(SYS_gettid))) + "] " + message.utf8() + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void setLogSink(LogSink sink) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.sink = std::move(sink);
}

}  // namespace fd
