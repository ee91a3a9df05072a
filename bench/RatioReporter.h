#pragma once
// The console reporter every benchmark program prints its closing ratio lines through: it
// keeps each benchmark's CPU and wall time per iteration by name, one sample per repetition,
// and answers the median of the samples, so that a ratio line matches the median row of the
// table and not whichever repetition came last.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace bench {

/// The median of `samples` (the mean of the middle two for an even count); 0 when empty.
inline double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  size_t mid = samples.size() / 2;
  return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        cpuSamples[r.benchmark_name()].push_back(r.cpu_accumulated_time / static_cast<double>(r.iterations));
        realSamples[r.benchmark_name()].push_back(r.real_accumulated_time / static_cast<double>(r.iterations));
      }
    ConsoleReporter::ReportRuns(runs);
  }
  /// The median CPU seconds per iteration of the first benchmark whose name starts with
  /// `prefix`; 0 when none ran.
  double secondsFor(const std::string& prefix) const { return medianFor(cpuSamples, prefix); }
  /// The same in wall-clock (or manually timed) seconds.
  double realSecondsFor(const std::string& prefix) const { return medianFor(realSamples, prefix); }

  /// Samples by benchmark name, in the order the repetitions ran.
  std::map<std::string, std::vector<double>> cpuSamples;
  std::map<std::string, std::vector<double>> realSamples;

 private:
  static double medianFor(const std::map<std::string, std::vector<double>>& samples, const std::string& prefix) {
    for (const auto& [name, s] : samples)
      if (name.rfind(prefix, 0) == 0) return median(s);
    return 0;
  }
};

}  // namespace bench
