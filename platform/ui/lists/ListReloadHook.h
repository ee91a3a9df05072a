#pragma once
// "A reload happened": table and collection views report here after every reloadData, with
// the number of rows or items they now hold. Components that react to a list's contents
// (footers that hide on an empty list, say) subscribe once for the whole process.
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace ui {

class ScrollView;

class ListReloadHook {
 public:
  using Observer = std::function<void(ScrollView& list, int64_t totalCount)>;

  static ListReloadHook& shared();

  /// Answers a token for removeObserver.
  uint64_t addObserver(Observer observer);
  void removeObserver(uint64_t token);
  /// Tells every observer, in the order they subscribed (main thread).
  void reloadHappened(ScrollView& list, int64_t totalCount);

  /// Rows of a table view or items of a collection view over all sections; 0 for any other
  /// scroll view.
  static int64_t totalCount(ScrollView& list);

 private:
  std::mutex mutex_;
  uint64_t next_ = 1;
  std::vector<std::pair<uint64_t, Observer>> observers_;
};

}  // namespace ui
