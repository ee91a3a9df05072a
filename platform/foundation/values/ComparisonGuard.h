#pragma once
// Collections may hold themselves (an unarchived graph can). Comparing two such graphs
// element by element would never end: a pair of collections met again while it is still
// being compared counts as equal there, and the comparison above it decides.
#include <utility>
#include <vector>

namespace fd::detail {

class ComparisonGuard {
 public:
  ComparisonGuard(const void* a, const void* b) : pair_(a, b) {
    for (const auto& p : open()) {
      if (p == pair_) {
        reentered_ = true;
        return;
      }
    }
    open().push_back(pair_);
  }
  ~ComparisonGuard() {
    if (!reentered_) open().pop_back();
  }
  ComparisonGuard(const ComparisonGuard&) = delete;
  ComparisonGuard& operator=(const ComparisonGuard&) = delete;

  /// True when this pair is already being compared further up.
  bool reentered() const { return reentered_; }

 private:
  static std::vector<std::pair<const void*, const void*>>& open() {
    thread_local std::vector<std::pair<const void*, const void*>> pairs;
    return pairs;
  }
  std::pair<const void*, const void*> pair_;
  bool reentered_ = false;
};

}  // namespace fd::detail
