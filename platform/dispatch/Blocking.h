#pragma once
// Marks a stretch in which the calling thread waits for other work. On a pool worker this lets
// the pool start another worker so that the work waited for can run.

namespace dispatch {

class BlockingScope {
 public:
  BlockingScope();
  ~BlockingScope();
  BlockingScope(const BlockingScope&) = delete;
  BlockingScope& operator=(const BlockingScope&) = delete;
};

}  // namespace dispatch
