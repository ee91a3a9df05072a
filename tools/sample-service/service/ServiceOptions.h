#pragma once
// How the service is run: where it listens, which data set it makes, how strictly it checks
// signatures and how it misbehaves on purpose for testing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sample {

enum class FailMode {
  None,
  Errors,     // content answers carry a failure envelope; the video list answers HTTP 500
  Malformed,  // answers are cut-off JSON text
  Slow,       // answers come after `slowMilliseconds`, longer than the clients' time-out
};

struct ServiceOptions {
  int port = 8080;  // 0: any free port
  uint64_t seed = 1;
  int64_t toleranceSeconds = 300;  // 0 turns the timestamp check off
  int64_t latencyMilliseconds = 0;  // added to every answer, pictures included
  FailMode failMode = FailMode::None;
  int64_t slowMilliseconds = 12000;
};

std::optional<FailMode> parseFailMode(const std::string& text);

/// Reads "--port N --seed S --tolerance T --latency-ms L --fail-mode M" (any order, each
/// optional). Returns nullopt and sets `error` for an unknown option or a bad value.
std::optional<ServiceOptions> parseOptions(const std::vector<std::string>& arguments, std::string* error);

/// The usage text of the program.
std::string usageText();

}  // namespace sample
