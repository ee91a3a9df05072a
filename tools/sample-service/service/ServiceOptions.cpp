#include "tools/sample-service/service/ServiceOptions.h"

#include <charconv>

namespace sample {
namespace {

template <class T> bool parseNumber(const std::string& text, T min, T max, T* out) {
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
  *out = value;
  return true;
}

}  // namespace

std::optional<FailMode> parseFailMode(const std::string& text) {
  if (text == "none") return FailMode::None;
  if (text == "errors") return FailMode::Errors;
  if (text == "malformed") return FailMode::Malformed;
  if (text == "slow") return FailMode::Slow;
  return std::nullopt;
}

std::optional<ServiceOptions> parseOptions(const std::vector<std::string>& arguments, std::string* error) {
  ServiceOptions options;
  auto fail = [&](std::string message) {
    if (error) *error = std::move(message);
    return std::nullopt;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const auto& name = arguments[i];
    if (i + 1 >= arguments.size()) return fail("missing value for " + name);
    const auto& value = arguments[++i];
    bool ok = false;
    if (name == "--port") {
      ok = parseNumber(value, 0, 65535, &options.port);
    } else if (name == "--seed") {
      ok = parseNumber<uint64_t>(value, 0, UINT64_MAX, &options.seed);
    } else if (name == "--tolerance") {
      ok = parseNumber<int64_t>(value, 0, INT64_MAX / 2, &options.toleranceSeconds);
    } else if (name == "--latency-ms") {
      ok = parseNumber<int64_t>(value, 0, 600000, &options.latencyMilliseconds);
    } else if (name == "--fail-mode") {
      auto mode = parseFailMode(value);
      ok = mode.has_value();
      if (ok) options.failMode = *mode;
    } else {
      return fail("unknown option " + name);
    }
    if (!ok) return fail("bad value for " + name + ": " + value);
  }
  return options;
}

std::string usageText() {
  return "usage: sample-service [--port N] [--seed S] [--tolerance SECONDS] [--latency-ms MS]\n"
         "                      [--fail-mode none|errors|malformed|slow]\n";
}

}  // namespace sample
