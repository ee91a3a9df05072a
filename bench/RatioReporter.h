#pragma once
// A console reporter that also keeps each benchmark's CPU and wall time per iteration by name, so a
// program can print the ratio of a project path to its baseline after the run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        seconds[r.benchmark_name()] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
        realSeconds[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
      }
    ConsoleReporter::ReportRuns(runs);
  }
  /// The CPU seconds per iteration of the first benchmark whose name starts with `prefix`.
  double secondsFor(const std::string& prefix) const {
    for (const auto& [name, s] : seconds)
      if (name.rfind(prefix, 0) == 0) return s;
    return 0;
  }
  /// The same in wall-clock (or manually timed) seconds.
  double realSecondsFor(const std::string& prefix) const {
    for (const auto& [name, s] : realSeconds)
      if (name.rfind(prefix, 0) == 0) return s;
    return 0;
  }
  std::map<std::string, double> seconds;
  std::map<std::string, double> realSeconds;
};

}  // namespace bench
